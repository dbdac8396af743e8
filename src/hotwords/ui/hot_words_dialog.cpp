#include "hotwords/ui/hot_words_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <optional>
#include <utility>

#include "core/prompter.h"
#include "text/strings.h"
#include "widgets/busy_indicator.h"
#include "widgets/dialog_header.h"
#include "widgets/dialog_job.h"
#include "widgets/list_view.h"
#include "widgets/texts.h"

namespace vexon::hotwords::ui {
namespace {

constexpr int kDialogId = 202;
constexpr int kControlCategories = 1000;
constexpr int kControlWords = 1102;
constexpr int kControlClose = 1109;
constexpr int kControlRefresh = 1110;

constexpr const char* kWordColumns = ",25;搜索词,100;相关词,80";
constexpr int kIndexColumn = 0;
constexpr int kWordColumn = 1;
constexpr int kRelatedColumn = 2;
constexpr const char* kNoWord = "-";
constexpr const char* kWindowTitle = "维松MP3-热门的搜索词";
constexpr const char* kRefreshingText = "正在刷新列表...";

// Draws the cell a double click sent to the main window in bold on a warm colour, so
// it stands out inside its selected row.
class HighlightDelegate final : public QStyledItemDelegate {
 public:
  HighlightDelegate(const QPersistentModelIndex& highlighted, QObject* parent)
      : QStyledItemDelegate(parent), highlighted_(highlighted) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!highlighted_.isValid() || index != QModelIndex(highlighted_)) return;
    option->font.setBold(true);
    option->backgroundBrush = QColor(255, 226, 140);
    option->state &= ~QStyle::State_Selected;
  }

 private:
  const QPersistentModelIndex& highlighted_;
};

}  // namespace

CHotWordsDlg::CHotWordsDlg(std::filesystem::path startDir, core::BackgroundJob& job, Refresher refresh,
                           WordHandler onWord, text::Translator texts, QWidget* parent)
    : QDialog(parent),
      texts_(std::move(texts)),
      startDir_(std::move(startDir)),
      job_(job),
      refresh_(std::move(refresh)),
      onWord_(std::move(onWord)),
      table_(kWordColumns) {
  setObjectName(QString::number(kDialogId));
  setWindowTitle(widgets::Text(texts_, kWindowTitle));
  setModal(false);

  categories_ = new QComboBox(this);
  categories_->setObjectName(QString::number(kControlCategories));
  categories_->setEditable(false);
  view_ = std::make_unique<widgets::ListView>(table_, kControlWords, texts_, this);
  view_->setStyleSheet(QStringLiteral("QTableView { background: rgb(250, 250, 255); }"));
  view_->setItemDelegate(new HighlightDelegate(highlighted_, view_.get()));
  refreshButton_ = widgets::MakeDialogButton(widgets::Text(texts_, "刷新列表"), kControlRefresh, this);
  refreshButton_->setDefault(true);
  auto* close = widgets::MakeDialogButton(widgets::Text(texts_, "关闭"), kControlClose, this);
  busy_ = new widgets::BusyIndicator(this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(refreshButton_);
  buttons->addWidget(new QLabel(widgets::Text(texts_, "鼠标双击关键词搜索"), this), 1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(categories_);
  layout->addWidget(view_.get(), 1);
  layout->addWidget(busy_);
  layout->addLayout(buttons);
  resize(300, 420);

  connect(categories_, &QComboBox::currentIndexChanged, this, &CHotWordsDlg::CategoryChosen);
  connect(view_.get(), &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { ActivateCell(index.row(), index.column()); });
  connect(refreshButton_, &QPushButton::clicked, this, &CHotWordsDlg::Refresh);
  // A refresh given up by an earlier window may still be ending.
  refreshButton_->setEnabled(!job_.running());
  job_.onEnded = [this] { refreshButton_->setEnabled(true); };
  connect(close, &QPushButton::clicked, this, &CHotWordsDlg::reject);

  // Without a local file (or with one that is no word list) the window starts empty.
  if (std::optional<WordList> list = ReadWordList(startDir_ / kWordListFile)) ShowList(std::move(*list));
}

CHotWordsDlg::~CHotWordsDlg() {
  job_.onEnded = nullptr;
  job_.Cancel();
}

void CHotWordsDlg::reject() {
  hide();
}

void CHotWordsDlg::Refresh() {
  if (!refresh_) return;
  if (!widgets::StartDialogJob<RefreshOutcome>(job_, this, refresh_,
                                               [this](RefreshOutcome outcome) { OnRefreshed(outcome); })) {
    return;
  }
  refreshButton_->setEnabled(false);
  busy_->Begin(widgets::Text(texts_, kRefreshingText));
}

void CHotWordsDlg::OnRefreshed(RefreshOutcome outcome) {
  busy_->End();
  std::optional<WordList> list;
  if (outcome == RefreshOutcome::kCurrent) list = ReadWordList(startDir_ / kWordListFile);
  if (list) ShowList(std::move(*list));
  emit refreshEnded();
  if (outcome == RefreshOutcome::kBufferNotWritable) {
    QMessageBox::warning(this, widgets::Text(texts_, core::kMessageCaption),
                         widgets::Text(texts_, kBufferNotWritableText));
  }
}

void CHotWordsDlg::ShowList(WordList list) {
  words_ = std::move(list);
  {
    // Filling the box is no choice of the user's; the list below is filled from "A".
    const QSignalBlocker quiet(categories_);
    categories_->clear();
    for (const std::string& line : words_.categories) categories_->addItem(QString::fromStdString(line));
    if (categories_->count() > 0) categories_->setCurrentIndex(0);
  }
  FillWords(0);
}

void CHotWordsDlg::FillWords(size_t letter) {
  table_.Clear();
  const std::vector<std::string>& entries = words_.entries.at(letter);
  for (size_t i = 0; i < entries.size(); ++i) {
    auto [word, related] = SplitEntry(entries[i]);
    table_.AppendRow({text::Format("%zu", i), std::move(word), std::move(related)});
  }
  table_.Sort(kIndexColumn, true);
}

void CHotWordsDlg::CategoryChosen(int index) {
  if (index < 0 || static_cast<size_t>(index) >= words_.categories.size()) return;
  const int letter = CategoryLetterIndex(words_.categories[static_cast<size_t>(index)]);
  if (letter < 0) return;
  FillWords(static_cast<size_t>(letter));
}

void CHotWordsDlg::ActivateCell(int row, int column) {
  const QModelIndex cell = view_->model()->index(row, column);
  if (!cell.isValid()) return;
  view_->viewport()->update();
  if (column != kWordColumn && column != kRelatedColumn) return;
  const std::string word = table_.Cell(static_cast<size_t>(row), static_cast<size_t>(column));
  if (word.empty() || word == kNoWord) return;
  view_->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  highlighted_ = QPersistentModelIndex(cell);
  if (onWord_) onWord_(word);
}

}  // namespace vexon::hotwords::ui
