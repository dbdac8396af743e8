#include "app/ui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/command_ids.h"
#include "app/status_counters.h"
#include "app/ui/artwork.h"
#include "app/ui/command_set.h"
#include "app/ui/qt_folder_chooser.h"
#include "app/ui/qt_owner_channel.h"
#include "app/ui/qt_prompter.h"
#include "app/ui/window_placement.h"
#include "search/search_options_form.h"
#include "widgets/list_view.h"
#include "widgets/texts.h"

namespace vexon::app::ui {
namespace {

// The six type boxes of the window and the types they switch.
struct TypeBox {
  int controlId;
  const char* text;
  search::FileType type;
};
constexpr std::array<TypeBox, 6> kTypeBoxes = {{
    {ctl::kTypeMp3, "mp3", search::FileType::kMp3},
    {ctl::kTypeRm, "rm", search::FileType::kRm},
    {ctl::kTypeWma, "wma", search::FileType::kWma},
    {ctl::kTypeFlash, "flash", search::FileType::kSwf},
    {ctl::kTypeWmv, "wmv", search::FileType::kWmv},
    {ctl::kTypeMpg, "mpg", search::FileType::kMpg},
}};

QToolButton* ImageButton(int controlId, const QIcon& icon, const QString& text, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::number(controlId));
  button->setIcon(icon);
  button->setIconSize(QSize(16, 16));
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(false);
  button->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
  // Every button's command has a key or a menu item: Tab stops only at the search
  // box, the type choices and the lists.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

CVexonDlg::CVexonDlg(Session& session, QtOwnerChannel& channel, WindowPorts ports, QWidget* parent)
    : QDialog(parent), session_(session), channel_(channel), ports_(std::move(ports)) {
  setWindowTitle(widgets::Text(session_.texts(), kMainWindowTitle));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  prompter_ = ports_.prompter;
  if (prompter_ == nullptr) {
    ownPrompter_ = std::make_unique<QtPrompter>(this, session_.texts());
    prompter_ = ownPrompter_.get();
  }
  folders_ = ports_.folders;
  if (folders_ == nullptr) {
    ownFolders_ = std::make_unique<QtFolderChooser>(this, session_.texts());
    folders_ = ownFolders_.get();
  }
  BuildWidgets();
  BuildMenus();
  BuildTray();
  BuildDesktopServices();
  ConnectSession();
  statusTimer_ = new QTimer(this);
  statusTimer_->setInterval(kStatusTimerMs);
  connect(statusTimer_, &QTimer::timeout, this, &CVexonDlg::RefreshCounters);
  statusTimer_->start();
  RefillHistoryBox();
  PlaceWindow();
  storage::SettingsStore& store = session_.store();
  // Names and titles take the width the columns leave free.
  columnWidths_.emplace_back(*resultsView_, session_.results(), store, "Results", session_.texts(),
                             std::vector<int>{core::kResultName, core::kResultTitle});
  columnWidths_.emplace_back(*downloadView_, session_.downloadList(), store, "Downloads", session_.texts(),
                             std::vector<int>{core::kDownloadFileName, core::kDownloadFullName});
  columnWidths_.emplace_back(*completedView_, session_.completedList(), store, "Completed", session_.texts(),
                             std::vector<int>{core::kLogName, core::kLogFolder});
  UpdateCommands();
}

CVexonDlg::~CVexonDlg() {
  statusTimer_->stop();
  for (SavedColumnWidths& widths : columnWidths_) widths.Save();
  if (const storage::WindowPlacement now = PlacementOf(*this); now != openedPlacement_) {
    session_.store().SaveWindowPlacement(now);
  }
  // Workers waiting on the window are released, so the session can join them.
  channel_.Shutdown();
  // The session outlives the window: its reports stop reaching into it.
  searchSubscription_.Reset();
  downloadSubscription_.Reset();
  presence_.reset();
  notices_.reset();
  if (tray_ != nullptr) tray_->hide();
}

void CVexonDlg::ConnectSession() {
  searchSubscription_ = session_.search().Subscribe(*this);
  downloadSubscription_ = session_.downloads().Subscribe(*this);
}

void CVexonDlg::WordsSearched(const std::string& /*words*/) {
  // The session has recorded them by now.
  RefillHistoryBox();
}

void CVexonDlg::CheckingChanged(const std::string& text) {
  checkingCounter_->setText(QString::fromStdString(text));
}

void CVexonDlg::AllFinished() {
  ScheduleCommandUpdate();
}

void CVexonDlg::BuildWidgets() {
  commands_ = new CommandSet([this](int command) { OnCommand(command); }, session_.texts(), this);
  commands_->setObjectName(QStringLiteral("commands"));

  // Search row.
  searchBox_ = new QComboBox(this);
  searchBox_->setObjectName(QString::number(ctl::kSearchBox));
  searchBox_->setEditable(true);
  searchBox_->setInsertPolicy(QComboBox::NoInsert);
  searchBox_->setMaxVisibleItems(20);
  searchBox_->setToolTip(widgets::Text(session_.texts(), "输入歌名或歌手"));
  searchBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  searchButton_ = ImageButton(ctl::kSearchButton, ButtonImage(176), widgets::Text(session_.texts(), "搜索"),
                              widgets::Text(session_.texts(), "开始搜索"), this);
  hotWordsButton_ = ImageButton(ctl::kHotWordsButton, ButtonImage(218), widgets::Text(session_.texts(), "热门"),
                                widgets::Text(session_.texts(), "热门的搜索词"), this);
  connect(searchButton_, &QToolButton::clicked, this, [this] { OnCommand(cmd::kSearch); });
  connect(hotWordsButton_, &QToolButton::clicked, this, [this] { OnCommand(cmd::kHotWords); });
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(searchBox_, 1);
  searchRow->addWidget(searchButton_);
  searchRow->addWidget(hotWordsButton_);

  // Type boxes in their frame, the more-options button and the results toolbar.
  auto* typeFrame = new QGroupBox(this);
  auto* typeRow = new QHBoxLayout(typeFrame);
  typeRow->setContentsMargins(6, 2, 6, 2);
  typeRow->addWidget(new QLabel(widgets::Text(session_.texts(), "选 项"), typeFrame));
  for (size_t i = 0; i < kTypeBoxes.size(); ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(kTypeBoxes[i].text), typeFrame);
    box->setObjectName(QString::number(kTypeBoxes[i].controlId));
    const int id = kTypeBoxes[i].controlId;
    connect(box, &QCheckBox::clicked, this, [this, id](bool checked) { OnTypeBoxClicked(id, checked); });
    typeBoxes_[i] = box;
    typeRow->addWidget(box);
  }
  moreButton_ =
      ImageButton(ctl::kMoreButton, ButtonImage(search::kBitmapMoreOptionsNone),
                  widgets::Text(session_.texts(), "更多"), widgets::Text(session_.texts(), "更多搜索选项"), typeFrame);
  connect(moreButton_, &QToolButton::clicked, this, [this] { OnCommand(cmd::kSearchOptions); });
  typeRow->addWidget(moreButton_);
  resultsToolbar_ = commands_->BuildToolbar(ResultsToolbar(), ctl::kResultsToolbar, this).release();
  resultsToolbar_->setParent(this);
  auto* optionsRow = new QHBoxLayout;
  optionsRow->addWidget(typeFrame);
  optionsRow->addStretch(1);
  optionsRow->addWidget(resultsToolbar_, 0, Qt::AlignBottom);

  // The results list above the splitter.
  resultsView_ = new widgets::ListView(session_.results(), ctl::kResultsList, session_.texts());
  using Shown = widgets::ListTableModel::Shown;
  resultsView_->listModel().SetShown(core::kResultSize, Shown::kBytes);
  resultsView_->listModel().SetShown(core::kResultDate, Shown::kDate);
  resultsView_->listModel().SetShown(core::kResultUrl, Shown::kUrl);
  connect(resultsView_, &QAbstractItemView::doubleClicked, this, [this] { OnCommand(cmd::kStartDownload); });

  // The lower pane: counters, list buttons, toolbars, and one of the two lists.
  resultsCounter_ = new QLabel(widgets::Text(session_.texts(), kResultsCounterInitialText));
  resultsCounter_->setObjectName(QString::number(ctl::kResultsCounter));
  checkingCounter_ = new QLabel(widgets::Text(session_.texts(), kCheckingInitialText));
  checkingCounter_->setObjectName(QString::number(ctl::kCheckingCounter));
  downloadListButton_ =
      ImageButton(ctl::kDownloadListButton, ButtonImage(172), widgets::Text(session_.texts(), "下载文件列表"),
                  widgets::Text(session_.texts(), "转换到下载文件列表"), nullptr);
  completedListButton_ =
      ImageButton(ctl::kCompletedListButton, ButtonImage(171), widgets::Text(session_.texts(), "已下载文件列表"),
                  widgets::Text(session_.texts(), "转换到已下载文件列表"), nullptr);
  downloadListButton_->setCheckable(true);
  completedListButton_->setCheckable(true);
  downloadListButton_->setChecked(true);
  connect(downloadListButton_, &QToolButton::clicked, this, [this] { ShowDownloadList(); });
  connect(completedListButton_, &QToolButton::clicked, this, [this] { ShowCompletedList(); });
  downloadToolbar_ = commands_->BuildToolbar(DownloadToolbar(), ctl::kDownloadToolbar).release();
  completedToolbar_ = commands_->BuildToolbar(CompletedToolbar(), ctl::kCompletedToolbar).release();
  completedToolbar_->hide();

  downloadView_ = new widgets::ListView(session_.downloadList(), ctl::kDownloadList, session_.texts());
  downloadView_->AcceptDroppedText();
  downloadView_->listModel().SetShown(core::kDownloadReceived, Shown::kBytes);
  downloadView_->listModel().SetShown(core::kDownloadSize, Shown::kBytes);
  downloadView_->listModel().SetShown(core::kDownloadUrl, Shown::kUrl);
  connect(downloadView_, &widgets::ListView::TextDropped, this, &CVexonDlg::QueueAddresses);
  // The search box's own paste comes first while it has the focus.
  connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this, &CVexonDlg::OnPaste);
  downloadView_->listModel().SetImageColumn(core::kDownloadId, [](int image) { return DownloadStateIcon(image); });
  downloadView_->setItemDelegateForColumn(core::kDownloadPercent, new widgets::ProgressDelegate(downloadView_));
  connect(downloadView_, &QAbstractItemView::doubleClicked, this,
          [this] { session_.downloads().OnDownloadDoubleClick(downloadView_->SelectedRows()); });
  completedView_ = new widgets::ListView(session_.completedList(), ctl::kCompletedList, session_.texts());
  completedView_->listModel().SetShown(core::kLogSize, Shown::kBytes);
  connect(completedView_, &QAbstractItemView::doubleClicked, this, [this] { OnCommand(cmd::kPlay); });
  // Ctrl+Enter shows a row's file in its folder, as file managers' search views do.
  for (const auto& [view, command] :
       {std::pair{downloadView_, cmd::kShowDownloadFolder}, std::pair{completedView_, cmd::kShowFileFolder}}) {
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
      auto* shortcut = new QShortcut(keys, view, nullptr, nullptr, Qt::WidgetShortcut);
      connect(shortcut, &QShortcut::activated, this, [this, command = command] { OnCommand(command); });
    }
  }

  // The log with its filter above it.
  logFilter_ = new QLineEdit;
  logFilter_->setObjectName(QStringLiteral("logFilter"));
  logFilter_->setClearButtonEnabled(true);
  logFilter_->setPlaceholderText(widgets::Text(session_.texts(), "筛选: 文件名, 文件夹, 艺术家, 标题, 专辑"));
  connect(logFilter_, &QLineEdit::textChanged, this, [this](const QString& words) {
    session_.log().SetFilter(words.toStdString());
    ScheduleCommandUpdate();
  });
  auto* logPane = new QWidget;
  auto* logLayout = new QVBoxLayout(logPane);
  logLayout->setContentsMargins(0, 0, 0, 0);
  logLayout->setSpacing(2);
  logLayout->addWidget(logFilter_);
  logLayout->addWidget(completedView_, 1);

  lowerStack_ = new QStackedWidget;
  lowerStack_->addWidget(downloadView_);
  lowerStack_->addWidget(logPane);

  auto* band = new QHBoxLayout;
  band->addWidget(resultsCounter_);
  band->addSpacing(16);
  band->addWidget(checkingCounter_);
  band->addStretch(1);
  band->addWidget(downloadListButton_);
  band->addWidget(completedListButton_);
  band->addSpacing(8);
  band->addWidget(downloadToolbar_);
  band->addWidget(completedToolbar_);

  upperPane_ = new QWidget;
  auto* upper = new QVBoxLayout(upperPane_);
  upper->setContentsMargins(0, 0, 0, 0);
  upper->addWidget(resultsView_);
  lowerPane_ = new QWidget;
  auto* lower = new QVBoxLayout(lowerPane_);
  lower->setContentsMargins(0, 0, 0, 0);
  lower->setSpacing(2);
  lower->addLayout(band);
  lower->addWidget(lowerStack_, 1);

  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QString::number(ctl::kSplitter));
  splitter_->setHandleWidth(4);
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(upperPane_);
  splitter_->addWidget(lowerPane_);
  // Both lists take equal shares of the window's growth.
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 1);
  splitter_->handle(1)->setCursor(Qt::SplitVCursor);

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName(QString::number(ctl::kStatusLine));

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 4, 6, 4);
  root->setSpacing(4);
  root->addLayout(searchRow);
  root->addLayout(optionsRow);
  root->addWidget(splitter_, 1);
  root->addWidget(statusLine_);

  BuildKeys();
  SyncTypeBoxes();
  ConnectUpdates(*resultsView_);
  ConnectUpdates(*downloadView_);
  ConnectUpdates(*completedView_);
  for (widgets::ListView* view : {resultsView_, downloadView_, completedView_}) {
    connect(view, &widgets::ListView::ContextMenuWanted, this, &CVexonDlg::ShowContextMenu);
  }
}

void CVexonDlg::PlaceWindow() {
  const QList<QRect> areas = ScreenAreas();
  const std::optional<storage::WindowPlacement> kept = session_.store().ReadWindowPlacement();
  const std::optional<QRect> keptGeometry = kept ? KeptGeometry(*kept, areas) : std::nullopt;
  BoundMinimumSize();
  setGeometry(keptGeometry ? *keptGeometry : StartGeometry(areas, kStartSize));
  if (keptGeometry && kept->maximized) setWindowState(windowState() | Qt::WindowMaximized);
  // A place that was not taken as it stands stays in the file until the user moves
  // the window.
  placementKept_ = kept && keptGeometry && *keptGeometry == QRect(kept->left, kept->top, kept->width, kept->height);
  openedPlacement_ = placementKept_ ? *kept : PlacementOf(*this);
}

void CVexonDlg::BuildKeys() {
  QWidget* previous = searchBox_;
  for (QWidget* next :
       std::initializer_list<QWidget*>{typeBoxes_[0], typeBoxes_[1], typeBoxes_[2], typeBoxes_[3], typeBoxes_[4],
                                       typeBoxes_[5], resultsView_, downloadView_, logFilter_, completedView_}) {
    setTabOrder(previous, next);
    previous = next;
  }
  // Delete acts on the rows of the list with the focus, each with its question.
  for (const auto& [view, command] :
       {std::pair{downloadView_, cmd::kDeleteDownload}, std::pair{completedView_, cmd::kClearLogItem}}) {
    auto* shortcut = new QShortcut(QKeySequence::Delete, view, nullptr, nullptr, Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, command = command] { RunIfEnabled(command); });
  }
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
    searchBox_->setFocus(Qt::ShortcutFocusReason);
    searchBox_->lineEdit()->selectAll();
  });
}

void CVexonDlg::RunIfEnabled(int command) {
  UpdateCommands();
  if (commands_->Action(command)->isEnabled()) OnCommand(command);
}

void CVexonDlg::BuildMenus() {
  auto* bar = new QMenuBar(this);
  barPopups_[0] =
      commands_->BuildMenu(OptionsPopup(), widgets::Text(session_.texts(), kOptionsPopupTitle), bar).release();
  barPopups_[1] =
      commands_->BuildMenu(ResultsMenu(), widgets::Text(session_.texts(), kSearchPopupTitle), bar).release();
  barPopups_[2] =
      commands_->BuildMenu(DownloadMenu(), widgets::Text(session_.texts(), kDownloadPopupTitle), bar).release();
  barPopups_[3] = commands_->BuildMenu(HelpPopup(), widgets::Text(session_.texts(), kHelpPopupTitle), bar).release();
  for (QMenu* popup : barPopups_) {
    bar->addMenu(popup);
    connect(popup, &QMenu::aboutToShow, this, &CVexonDlg::UpdateCommands);
  }
  layout()->setMenuBar(bar);
  resultsMenu_ = commands_->BuildMenu(ResultsMenu(), {}, this).release();
  downloadMenu_ = commands_->BuildMenu(DownloadMenu(), {}, this).release();
  completedMenu_ = commands_->BuildMenu(CompletedMenu(), {}, this).release();
  resultsMenu_->setObjectName(QStringLiteral("129"));
  downloadMenu_->setObjectName(QStringLiteral("130"));
  completedMenu_->setObjectName(QStringLiteral("167"));
  // The actions' triggers reach OnCommand; the window's menu items need no shortcut.
  updateTimer_ = new QTimer(this);
  updateTimer_->setSingleShot(true);
  updateTimer_->setInterval(0);
  connect(updateTimer_, &QTimer::timeout, this, &CVexonDlg::UpdateCommands);
}

void CVexonDlg::BuildTray() {
  trayMenu_ = commands_->BuildMenu(TrayMenu(), {}, this).release();
  trayMenu_->setObjectName(QStringLiteral("133"));
  if (!TrayAvailable()) return;
  tray_ = new QSystemTrayIcon(AppIcon(), this);
  tray_->setToolTip(widgets::Text(session_.texts(), kTrayTip));
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) ToggleShown();
    if (reason == QSystemTrayIcon::Context) TrayRightClick();
  });
  tray_->show();
}

bool CVexonDlg::TrayAvailable() const {
  if (ports_.trayAvailable) return *ports_.trayAvailable;
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void CVexonDlg::RefillHistoryBox() {
  const QSignalBlocker block(searchBox_);
  searchBox_->clear();
  for (const std::string& entry : session_.history().entries()) searchBox_->addItem(QString::fromStdString(entry));
  if (searchBox_->count() > 0) searchBox_->setCurrentIndex(0);
}

void CVexonDlg::SyncTypeBoxes() {
  for (size_t i = 0; i < kTypeBoxes.size(); ++i) typeBoxes_[i]->setChecked(session_.options().Has(kTypeBoxes[i].type));
}

void CVexonDlg::SetMoreButtonImage() {
  moreButton_->setIcon(ButtonImage(search::MoreButtonBitmap(session_.options())));
}

void CVexonDlg::OnTypeBoxClicked(int controlId, bool checked) {
  for (const TypeBox& box : kTypeBoxes) {
    if (box.controlId == controlId) session_.options().Set(box.type, checked);
  }
}

void CVexonDlg::ConnectUpdates(widgets::ListView& view) {
  QAbstractItemModel* model = view.model();
  connect(model, &QAbstractItemModel::rowsInserted, this, &CVexonDlg::ScheduleCommandUpdate);
  connect(model, &QAbstractItemModel::rowsRemoved, this, &CVexonDlg::ScheduleCommandUpdate);
  connect(model, &QAbstractItemModel::modelReset, this, &CVexonDlg::ScheduleCommandUpdate);
  connect(model, &QAbstractItemModel::dataChanged, this, &CVexonDlg::ScheduleCommandUpdate);
  connect(view.selectionModel(), &QItemSelectionModel::selectionChanged, this, &CVexonDlg::ScheduleCommandUpdate);
}

}  // namespace vexon::app::ui
