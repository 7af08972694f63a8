#include "UMain.h"

#include "ImageList.h"
#include "TreeEntry.h"
#include "UConnection.h"
#include "USplash.h"
#include "core/Ports.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korvel {

namespace {
constexpr auto kServerOff = "Server: OFF";
constexpr auto kServerOn = "Server: ON";

QAction* action(QObject* parent, const char* name, const QString& text, int image) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    if (image >= 0) a->setIcon(ImageList::icon(image));
    a->setIconVisibleInMenu(true);
    return a;
}

// The bars show no tool tips and offer no way to rearrange them.
QToolBar* fixedBar(QMainWindow* window, const char* name) {
    auto* bar = new QToolBar(window);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->toggleViewAction()->setEnabled(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));
    return bar;
}
} // namespace

TFMain::TFMain(IMainActions& actions, IMainStore& store, QWidget* parent)
    : QMainWindow(parent), actions_(actions), store_(store) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Korvel"));
    setWindowIcon(ImageList::icon(ImageList::kServer));
    setContextMenuPolicy(Qt::PreventContextMenu);
    resize(222, 400);

    buildMenus();
    buildBars();
    buildList();
    restoreSettings();
}

TFMain::~TFMain() {
    saveOnce();
    // The entries go with the list; the tables must not keep pointers to them.
    for (int32_t u = 1; u <= actions_.clientUsers().count(); ++u) actions_.clientUsers().at(u)->Node = nullptr;
    for (int32_t c = 1; c <= actions_.clientChannels().count(); ++c)
        actions_.clientChannels().at(c)->Node = nullptr;
}

void TFMain::buildMenus() {
    MMCommand = action(this, "MMCommand", tr("Command && Control"), ImageList::kCommand);
    MMMute = action(this, "MMMute", tr("&Mute"), ImageList::kMute);
    MMKick = action(this, "MMKick", tr("&Kick"), ImageList::kKick);
    MMDelete = action(this, "MMDelete", tr("&Delete"), ImageList::kDelete);
    MMProperties = action(this, "MMProperties", tr("&Properties"), ImageList::kProperties);
    MMLoopback = action(this, "MMLoopback", tr("&Loopback Mode"), -1);
    MMLoopback->setCheckable(true);
    MMExit = action(this, "MMExit", tr("&Exit"), -1);
    MMNews = action(this, "MMNews", tr("&News && Updates"), ImageList::kNews);
    MMAbout = action(this, "MMAbout", tr("About"), ImageList::kAbout);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("MMFile"));
    file->addAction(MMCommand);
    file->addSeparator();
    file->addAction(MMMute);
    file->addAction(MMKick);
    file->addSeparator();
    file->addAction(MMDelete);
    file->addAction(MMProperties);
    file->addAction(MMLoopback);
    file->addSeparator();
    file->addAction(MMExit);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("MMHelp"));
    help->addAction(MMNews);
    help->addSeparator();
    help->addAction(MMAbout);

    connect(MMCommand, &QAction::triggered, this, &TFMain::cmdCommand);
    connect(MMMute, &QAction::triggered, this, &TFMain::cmdMute);
    connect(MMKick, &QAction::triggered, this, &TFMain::cmdKick);
    connect(MMDelete, &QAction::triggered, this, &TFMain::cmdDelete);
    connect(MMProperties, &QAction::triggered, this, &TFMain::cmdProperties);
    connect(MMLoopback, &QAction::triggered, this, &TFMain::cmdLoopback);
    connect(MMExit, &QAction::triggered, this, &TFMain::close);
    connect(MMNews, &QAction::triggered, this, &TFMain::cmdNews);
    connect(MMAbout, &QAction::triggered, this, &TFMain::cmdAbout);

    PMItems = new QMenu(this);
    PMItems->setObjectName(QStringLiteral("PMItems"));
    QAction* pmMute = action(PMItems, "PMMute", tr("Mute"), ImageList::kMute);
    QAction* pmKick = action(PMItems, "PMKick", tr("Kick"), ImageList::kKick);
    QAction* pmDelete = action(PMItems, "PMDelete", tr("Delete"), ImageList::kDelete);
    QAction* pmProperties = action(PMItems, "PMProperties", tr("&Properties"), ImageList::kProperties);
    PMItems->addAction(pmMute);
    PMItems->addAction(pmKick);
    PMItems->addSeparator();
    PMItems->addAction(pmDelete);
    PMItems->addAction(pmProperties);
    connect(pmMute, &QAction::triggered, this, &TFMain::cmdMute);
    connect(pmKick, &QAction::triggered, this, &TFMain::cmdKick);
    connect(pmDelete, &QAction::triggered, this, &TFMain::cmdDelete);
    connect(pmProperties, &QAction::triggered, this, &TFMain::cmdProperties);
}

void TFMain::buildBars() {
    QToolBar* top = fixedBar(this, "BarTop");
    BOptions = action(this, "BOptions", tr("Options"), ImageList::kOptions);
    BAddConnection = action(this, "BAddConnection", tr("Add Connection"), ImageList::kAddConnection);
    BDisconnect = action(this, "BDisconnect", tr("&Disconnect"), ImageList::kDisconnect);
    top->addAction(BOptions);
    top->addSeparator();
    top->addAction(BAddConnection);
    top->addAction(BDisconnect);
    if (auto* b = qobject_cast<QToolButton*>(top->widgetForAction(BDisconnect)))
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    BDisconnect->setVisible(false);
    addToolBar(Qt::TopToolBarArea, top);
    connect(BOptions, &QAction::triggered, this, &TFMain::cmdOptions);
    connect(BAddConnection, &QAction::triggered, this, &TFMain::cmdAddConnection);
    connect(BDisconnect, &QAction::triggered, this, &TFMain::cmdDisconnect);

    QToolBar* bottom = fixedBar(this, "BarBottom");
    BAddChannel = action(this, "BAddChannel", tr("Add Channel"), ImageList::kChannel);
    bottom->addAction(BAddChannel);
    bottom->addSeparator();
    BHost = new QToolButton(bottom);
    BHost->setObjectName(QStringLiteral("BHost"));
    BHost->setCheckable(true);
    BHost->setIcon(ImageList::icon(ImageList::kServer));
    BHost->setText(QString::fromLatin1(kServerOff));
    BHost->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BHost->setAutoRaise(true);
    bottom->addWidget(BHost);
    addToolBar(Qt::BottomToolBarArea, bottom);
    connect(BAddChannel, &QAction::triggered, this, &TFMain::cmdAddChannel);
    connect(BHost, &QToolButton::clicked, this, [this](bool down) { setServerButton(down); });

    for (QToolBar* bar : {top, bottom})
        for (QWidget* w : bar->findChildren<QWidget*>()) w->installEventFilter(this);

    SBStatus = new QLabel(this);
    SBStatus->setObjectName(QStringLiteral("SBStatus"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(SBStatus, 1);
}

void TFMain::buildList() {
    auto* middle = new QWidget(this);
    auto* row = new QHBoxLayout(middle);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(3);

    TItems = new QTreeWidget(middle);
    TItems->setObjectName(QStringLiteral("TItems"));
    TItems->setColumnCount(1);
    TItems->setHeaderLabels({tr("Server")});
    TItems->setHeaderHidden(true);
    TItems->header()->setStretchLastSection(true);
    TItems->setRootIsDecorated(false);
    TItems->setItemsExpandable(false);
    TItems->setExpandsOnDoubleClick(false);
    TItems->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TItems->setFrameShape(QFrame::Box);
    TItems->setIndentation(12);
    TItems->setIconSize(QSize(16, 16));
    TItems->setContextMenuPolicy(Qt::CustomContextMenu);
    // No expand buttons: entries never collapse, so the style must not draw branch arrows.
    TItems->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    // The selection stays visible when the list has no focus.
    QPalette pal = TItems->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    TItems->setPalette(pal);
    TItems->installEventFilter(this);
    connect(TItems, &QTreeWidget::itemDoubleClicked, this, [this] { cmdDoubleClick(); });
    connect(TItems, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) { item->setExpanded(true); });
    connect(TItems, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PMItems->popup(TItems->viewport()->mapToGlobal(at)); });
    row->addWidget(TItems, 1);

    auto* strip = new QWidget(middle);
    strip->setObjectName(QStringLiteral("PLevel"));
    strip->setFixedWidth(14);
    auto* column = new QVBoxLayout(strip);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addSpacing(6);
    MMLevel1 = new QProgressBar(strip);
    MMLevel1->setObjectName(QStringLiteral("MMLevel1"));
    MMLevel1->setOrientation(Qt::Vertical);
    MMLevel1->setRange(0, 65535);
    MMLevel1->setValue(0);
    MMLevel1->setTextVisible(false);
    column->addWidget(MMLevel1, 1);
    row->addWidget(strip);

    setCentralWidget(middle);
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched != TItems) return true;
    if (watched == TItems && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            cmdDelete();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Settings ---------------------------------------------------------------------------

void TFMain::restoreSettings() {
    const MainStored stored = store_.load();
    gVoxMin = stored.gVoxMin;
    gVoxMax = stored.gVoxMax;
    const QList<TreeEntry*> old = serverEntries();
    for (qsizetype i = old.size() - 1; i >= 0; --i) deleteEntry(old[i]);
    for (const StoredServerEntry& e : stored.entries) appendServerEntry(e.address, e.address, e.password);
    store_.restorePlacement(this);
}

void TFMain::saveSettings() {
    MainStored values;
    for (TreeEntry* e : serverEntries()) values.entries.append({e->node.address, e->node.password});
    values.gVoxMin = gVoxMin;
    values.gVoxMax = gVoxMax;
    store_.save(values);
    store_.savePlacement(this);
    savedSinceShown_ = true;
}

void TFMain::saveOnce() {
    if (!savedSinceShown_) saveSettings();
}

void TFMain::showEvent(QShowEvent* event) {
    savedSinceShown_ = false;
    QMainWindow::showEvent(event);
}

void TFMain::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (!event->spontaneous()) saveOnce();
}

void TFMain::closeEvent(QCloseEvent* event) {
    saveOnce();
    event->accept();
    emit closing();
}

// --- Tray -------------------------------------------------------------------------------

void TFMain::enableTray() {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(windowIcon(), this);
        tray_->setObjectName(QStringLiteral("TrayIcon"));
        tray_->setToolTip(QStringLiteral("Korvel"));
        connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
            if (why == QSystemTrayIcon::DoubleClick) restoreFromTray();
        });
    }
    tray_->show();
}

bool TFMain::minimizeToTray() const { return tray_ && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable(); }

void TFMain::restoreFromTray() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TFMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Without a tray to come back from, a hidden window could never be reached again.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && minimizeToTray())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) hide();
        });
}

// --- Server button ----------------------------------------------------------------------

bool TFMain::serverButtonDown() const { return BHost->isChecked(); }

bool TFMain::setServerButton(bool down) {
    if (inServerButton_) return BHost->isChecked();
    inServerButton_ = true;
    if (down) {
        const QString error = actions_.serverListening() ? QString() : actions_.startServer();
        if (error.isEmpty()) {
            BHost->setChecked(true);
            BHost->setText(QString::fromLatin1(kServerOn));
        } else {
            BHost->setChecked(false);
            BHost->setText(QString::fromLatin1(kServerOff));
            inServerButton_ = false;
            messages_.Inform(error);
            return false;
        }
    } else {
        actions_.stopServer();
        BHost->setChecked(false);
        BHost->setText(QString::fromLatin1(kServerOff));
    }
    inServerButton_ = false;
    return BHost->isChecked();
}

void TFMain::serverStopped() {
    BHost->setChecked(false);
    BHost->setText(QString::fromLatin1(kServerOff));
}

// --- Commands ---------------------------------------------------------------------------

void TFMain::cmdDoubleClick() {
    const QList<QTreeWidgetItem*> selected = selectedEntries();
    TreeEntry* entry = selected.isEmpty() ? nullptr : TreeEntry::of(selected.first());
    if (!entry) return;
    switch (entry->kind()) {
    case TTreeItemNode::kServer:
        if (actions_.clientConnected()) {
            if (actions_.currentChannel() != 0) actions_.sendJoinChannel(0);
        } else {
            const Options& o = actions_.options();
            if (o.RPTT && trimBlanksAndControls(o.EDIHotKey).isEmpty())
                messages_.Inform(tr("The push to talk feature requires you specify a hotkey."));
            actions_.connectSelected();
        }
        break;
    case TTreeItemNode::kChannel:
        actions_.sendJoinChannel(entry->node.channel);
        break;
    default:
        break;
    }
}

void TFMain::cmdDelete() {
    QList<QTreeWidgetItem*> selected = selectedEntries();
    for (qsizetype i = selected.size() - 1; i >= 0; --i) {
        // An administrative prompt lets the connection run; the entry may be gone by now.
        if (!alive(selected[i])) continue;
        TreeEntry* entry = TreeEntry::of(selected[i]);
        if (!entry) continue;
        if (entry->kind() == TTreeItemNode::kServer) {
            const bool inUse = selected[i] == serverItem();
            if (inUse && actions_.clientConnected()) continue;
            if (inUse) actions_.clearServerNode();
            deleteEntry(selected[i]);
        } else if (entry->kind() == TTreeItemNode::kChannel) {
            actions_.deleteChannel(entry->node.channel);
        }
    }
}

QList<int32_t> TFMain::selectedUsers() const {
    QList<int32_t> users;
    const QList<QTreeWidgetItem*> selected = selectedEntries();
    for (qsizetype i = selected.size() - 1; i >= 0; --i) {
        TreeEntry* entry = TreeEntry::of(selected[i]);
        if (entry && entry->kind() == TTreeItemNode::kUser) users.append(entry->node.user);
    }
    return users;
}

void TFMain::cmdKick() { actions_.kickUsers(selectedUsers()); }

void TFMain::cmdMute() { actions_.muteUsers(selectedUsers()); }

void TFMain::cmdProperties() {
    const QList<QTreeWidgetItem*> selected = selectedEntries();
    TreeEntry* entry = selected.isEmpty() ? nullptr : TreeEntry::of(selected.first());
    if (entry && entry->kind() == TTreeItemNode::kServer) TFConnection::edit(entry, this);
}

void TFMain::cmdAddConnection() {
    TreeEntry* entry = appendServerEntry(tr("My Connection"), QString(), QString());
    if (!TFConnection::edit(entry, this) && alive(entry)) deleteEntry(entry);
}

void TFMain::cmdAddChannel() { actions_.addChannel(); }

void TFMain::cmdDisconnect() { actions_.disconnectClient(); }

void TFMain::cmdLoopback(bool on) {
    if (on)
        actions_.startLoopback();
    else
        actions_.stopLoopback();
}

void TFMain::cmdOptions() { actions_.showOptions(); }

void TFMain::cmdCommand() {
    if (actions_.commandWindowAvailable())
        actions_.showCommand();
    else
        messages_.Inform(tr("The command & control features require at least DirectX 5."));
}

void TFMain::cmdNews() { actions_.checkNewsNow(); }

void TFMain::cmdAbout() { TFSplash::showAbout(versionText, font(), this); }

// --- Controls the client role drives ----------------------------------------------------

void TFMain::SetDisconnectVisible(bool visible) { BDisconnect->setVisible(visible); }

void TFMain::SetLoopbackChecked(bool checked) { MMLoopback->setChecked(checked); }

void TFMain::ShowStatus(const QString& text) { SBStatus->setText(text); }

} // namespace korvel
