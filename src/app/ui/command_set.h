#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QToolBar>

#include <functional>
#include <map>
#include <memory>
#include <span>

#include "app/command_rules.h"
#include "app/menu_layout.h"
#include "text/catalog.h"

class QMenuBar;

namespace vexon::app::ui {

// One QAction per command, shared by the menu bar, the toolbars and the context
// menus, so an enabling rule greys a command everywhere at once.
class CommandSet final : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<void(int command)>;

  CommandSet(Handler handler, text::Translator texts, QObject* parent = nullptr);

  QAction* Action(int command);
  // A menu whose items are the commands' actions, in order.
  std::unique_ptr<QMenu> BuildMenu(std::span<const MenuEntry> entries, const QString& title, QWidget* parent = nullptr);
  // Fills an existing menu (emptied first).
  void FillMenu(QMenu& menu, std::span<const MenuEntry> entries);
  std::unique_ptr<QToolBar> BuildToolbar(std::span<const int> commands, int controlId, QWidget* parent = nullptr);

  // Runs the enabling rules for the given commands.
  void UpdateEnabled(std::span<const int> commands, const CommandState& state);
  void UpdateEnabled(int command, const CommandState& state);

 private:
  Handler handler_;
  const text::Translator texts_;
  std::map<int, QAction*> actions_;  // owned by this object
};

}  // namespace vexon::app::ui
