#pragma once

#include <QDialog>
#include <QPersistentModelIndex>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/background_job.h"
#include "core/list_table.h"
#include "hotwords/site_refresh.h"
#include "hotwords/word_list.h"
#include "text/catalog.h"

class QComboBox;
class QPushButton;

namespace vexon::widgets {
class BusyIndicator;
class ListView;
}  // namespace vexon::widgets

namespace vexon::hotwords::ui {

// "维松MP3-热门的搜索词": the popular search words by category, filled from the
// local word-list file and refreshed from the maker's site. Modeless and made once by
// the main window; closing only hides it, so it keeps its lists and chosen category.
class CHotWordsDlg final : public QDialog {
  Q_OBJECT

 public:
  using WordHandler = std::function<void(const std::string& word)>;
  // Brings the local file up to date with the site; runs on the job's thread and
  // should end early when its argument says so.
  using Refresher = std::function<RefreshOutcome(const std::function<bool()>& stopRequested)>;

  CHotWordsDlg(std::filesystem::path startDir, core::BackgroundJob& job, Refresher refresh, WordHandler onWord,
               text::Translator texts, QWidget* parent = nullptr);
  // Gives up a refresh still under way.
  ~CHotWordsDlg() override;

  // Brings the local file up to date with the site on the job's thread, showing
  // that it runs, then shows the file again from its first category; a failed
  // refresh leaves the lists as they are.
  void Refresh();
  // What a double click on a cell does: the search word or related word of a row,
  // unless it is "-" or empty, is highlighted and handed to the word handler.
  void ActivateCell(int row, int column);

  QComboBox& categoryBox() { return *categories_; }
  widgets::ListView& wordList() { return *view_; }

  // Close and Escape only hide the window.
  void reject() override;

 signals:
  // A refresh has ended and its outcome is shown.
  void refreshEnded();

 private:
  void OnRefreshed(RefreshOutcome outcome);
  void ShowList(WordList list);
  void FillWords(size_t letter);
  void CategoryChosen(int index);

  const text::Translator texts_;
  std::filesystem::path startDir_;
  core::BackgroundJob& job_;
  Refresher refresh_;
  WordHandler onWord_;
  QPushButton* refreshButton_ = nullptr;
  widgets::BusyIndicator* busy_ = nullptr;
  // Kept while the window lives, hidden or not; a successful refresh replaces it.
  WordList words_;
  core::ListTable table_;
  QComboBox* categories_ = nullptr;
  // Owned here rather than by Qt's parent chain, so it is gone before the table it
  // observes.
  std::unique_ptr<widgets::ListView> view_;
  QPersistentModelIndex highlighted_;
};

}  // namespace vexon::hotwords::ui
