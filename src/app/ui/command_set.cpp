#include "app/ui/command_set.h"

#include <QKeySequence>
#include <QMenuBar>

#include <utility>

#include "app/ui/artwork.h"
#include "widgets/texts.h"

namespace vexon::app::ui {

CommandSet::CommandSet(Handler handler, text::Translator texts, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), texts_(std::move(texts)) {}

QAction* CommandSet::Action(int command) {
  auto it = actions_.find(command);
  if (it != actions_.end()) return it->second;
  auto* action = new QAction(widgets::Text(texts_, CommandText(command)), this);
  action->setObjectName(QString::number(command));
  action->setIcon(CommandIcon(command));
  action->setIconVisibleInMenu(true);
  // Toolbar tips are the command's text without its accelerator mark.
  QString tip = action->text();
  tip.remove(QStringLiteral("(&")).remove(QLatin1Char('&'));
  if (const int paren = tip.lastIndexOf(QLatin1Char('(')); paren > 0 && tip.endsWith(QLatin1Char(')'))) {
    tip.truncate(paren);
  }
  if (tip.endsWith(QStringLiteral("..."))) tip.chop(3);
  action->setToolTip(tip.trimmed());
  for (const CommandKey& key : CommandKeys()) {
    if (key.command != command) continue;
    action->setShortcut(QKeySequence(QString::fromLatin1(key.keys.data(), static_cast<qsizetype>(key.keys.size()))));
    // A list's key is taken by the list with the focus; the menus only show it.
    action->setShortcutContext(key.ofList ? Qt::WidgetShortcut : Qt::WindowShortcut);
  }
  connect(action, &QAction::triggered, this, [this, command] { handler_(command); });
  actions_.emplace(command, action);
  return action;
}

std::unique_ptr<QMenu> CommandSet::BuildMenu(std::span<const MenuEntry> entries, const QString& title,
                                             QWidget* parent) {
  auto menu = std::make_unique<QMenu>(title, parent);
  FillMenu(*menu, entries);
  return menu;
}

void CommandSet::FillMenu(QMenu& menu, std::span<const MenuEntry> entries) {
  menu.clear();
  for (const MenuEntry& entry : entries) {
    if (entry.id == kSeparator) {
      menu.addSeparator();
      continue;
    }
    QAction* action = Action(entry.id);
    // The same command may be named differently in another menu (the tray's).
    const QString text = widgets::Text(texts_, entry.text);
    if (action->text() == text) {
      menu.addAction(action);
    } else {
      auto* alias = new QAction(action->icon(), text, &menu);
      alias->setObjectName(action->objectName());
      connect(alias, &QAction::triggered, action, &QAction::trigger);
      connect(action, &QAction::enabledChanged, alias, &QAction::setEnabled);
      alias->setEnabled(action->isEnabled());
      menu.addAction(alias);
    }
  }
}

std::unique_ptr<QToolBar> CommandSet::BuildToolbar(std::span<const int> commands, int controlId, QWidget* parent) {
  auto bar = std::make_unique<QToolBar>(parent);
  bar->setObjectName(QString::number(controlId));
  bar->setIconSize(QSize(16, 16));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (int command : commands) {
    if (command == kSeparator) {
      bar->addSeparator();
    } else {
      bar->addAction(Action(command));
    }
  }
  return bar;
}

void CommandSet::UpdateEnabled(std::span<const int> commands, const CommandState& state) {
  for (int command : commands) {
    if (command != kSeparator) UpdateEnabled(command, state);
  }
}

void CommandSet::UpdateEnabled(int command, const CommandState& state) {
  Action(command)->setEnabled(CommandEnabled(command, state));
}

}  // namespace vexon::app::ui
