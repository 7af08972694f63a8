#include "DesktopApp.h"

#include "core/ClientRole.h"
#include "core/ServerRole.h"
#include "forms/UOptions.h"
#include "forms/UCommand.h"
#include "forms/UMain.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenuBar>
#include <QSystemTrayIcon>

namespace korvel {

namespace {
constexpr auto kInstanceName = "KorvelOneInstance";
}

DesktopApp::DesktopApp(QStringList arguments, QObject* parent)
    : QObject(parent), arguments_(std::move(arguments)) {}

DesktopApp::~DesktopApp() {
    if (!shutDown_) ShutDown();
    // The roles refer to the window; they go first.
    client_.reset();
    server_.reset();
    FCommand.reset();
    FOptions.reset();
    FMain.reset();
}

void DesktopApp::CreateForms() {
    FMain = std::make_unique<TFMain>(*this, mainStore_);
    connect(FMain.get(), &TFMain::closing, this, [this] {
        ShutDown();
        emit finished();
    });

    // The options are read and written back once as they are made, so the store always holds
    // every value.
    FOptions = std::make_unique<forms::TFOptions>(options_, optionsServices_, optionsActions_, FMain.get());

    FCommand = std::make_unique<TFCommand>(FMain.get());

    server_ = std::make_unique<ServerRole>(options_, ports_, [this] { return client_ && client_->LoopbackMode(); });
    connect(server_.get(), &ServerRole::runningChanged, this, [this](bool running) {
        if (!running) FMain->serverStopped();
    });
    connect(server_.get(), &ServerRole::portError, this, [this](const QString& text) { FMain->messages().Inform(text); });

    client_ = std::make_unique<ClientRole>(options_, ports_, *FMain, FMain->prompt(), FMain->messages(), audio_, sounds_,
                                           speech_);
    LocalServerHooks hooks;
    hooks.running = [this] { return server_->isRunning(); };
    hooks.start = [this] { return FMain->setServerButton(true); };
    client_->SetLocalServer(std::move(hooks));
}

void DesktopApp::chooseFont() {
    const bool tahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
    const QFont font(tahoma ? QStringLiteral("Tahoma") : QStringLiteral("MS Sans Serif"), 8);
    FMain->setFont(font);
    FMain->menuBar()->setFont(font);
}

bool DesktopApp::StartUp() {
    // 1. Core values.
    FMain->serverStopped(); // "Server: OFF"
    FMain->setWindowTitle(QStringLiteral("Korvel"));
    version_ = ReadProgramVersion();
    FMain->versionText = version_.Text;
    client_->SetProgramVersion(version_.Major, version_.Minor);
    if (FMain->gVoxMin == 0) FMain->gVoxMin = 32767;
    if (FMain->gVoxMax == 0) FMain->gVoxMax = -32767;

    // 2. Font.
    chooseFont();

    // 3. Command line; the roles read the ports as they open their sockets (4.).
    ApplySwitches(ports_, arguments_.mid(1));

    // 6. One copy per user; a second one ends without showing a window.
    instance_ = std::make_unique<SingleInstance>(QString::fromLatin1(kInstanceName));
    if (instance_->alreadyRunning()) {
        FMain->close();
        if (!shutDown_) ShutDown();
        return false;
    }

    // 7. Tray.
    FMain->enableTray();

    // 10. The hosted server; a port that is taken is reported and the client role goes on.
    if (options_.CServer && !FMain->serverButtonDown()) FMain->setServerButton(true);

    // 11. The window, unless only the tray should show. Without a tray to come back from, the
    // window starts minimised instead of hidden.
    if (!options_.CMinimized)
        FMain->show();
    else if (!QSystemTrayIcon::isSystemTrayAvailable())
        FMain->showMinimized();

    // 12. News timer: the news download connects to it.
    TMsg.setSingleShot(true);
    TMsg.setInterval(1000);
    TMsg.start();
    return true;
}

void DesktopApp::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    TMsg.stop();
    // 1. The client link goes with the client role's socket.
    if (client_) client_.reset();
    // 2. The server: every open connection is closed and listening stops.
    if (server_ && server_->isRunning()) server_->StopServer();
    if (FMain) FMain->serverStopped();
    // 6. The server's datagram ports go with its tables.
    server_.reset();
    // 7. The single-instance lock.
    if (instance_) instance_->release();
}

// --- IMainActions -----------------------------------------------------------------------

TcUserTable& DesktopApp::clientUsers() {
    static TcUserTable none;
    return client_ ? client_->TcUser : none;
}

TcChannelTable& DesktopApp::clientChannels() {
    static TcChannelTable none;
    return client_ ? client_->TcChannel : none;
}

void* DesktopApp::serverNode() const { return client_ ? client_->ServerNode : nullptr; }

void DesktopApp::clearServerNode() {
    if (client_) client_->ServerNode = nullptr;
}

bool DesktopApp::clientConnected() const { return client_ && client_->IsConnected(); }

int32_t DesktopApp::currentChannel() const { return client_ ? client_->CurrentChannel : 0; }

void DesktopApp::connectSelected() {
    if (client_) client_->Connect();
}

void DesktopApp::kickUsers(const QList<int32_t>& users) {
    if (client_) client_->Kick(users);
}

void DesktopApp::muteUsers(const QList<int32_t>& users) {
    if (client_) client_->Mute(users);
}

void DesktopApp::addChannel() {
    if (client_) client_->AddChannel();
}

void DesktopApp::deleteChannel(int32_t channel) {
    if (client_) client_->DeleteChannels({channel});
}

void DesktopApp::sendJoinChannel(int32_t channel) {
    if (client_) client_->JoinChannel(channel);
}

void DesktopApp::disconnectClient() {
    if (client_) client_->Disconnect();
}

void DesktopApp::startLoopback() {
    if (client_) client_->SetLoopbackMode(true);
}

void DesktopApp::stopLoopback() {
    if (client_) client_->SetLoopbackMode(false);
}

bool DesktopApp::serverListening() const { return server_ && server_->isRunning(); }

QString DesktopApp::startServer() { return server_ ? server_->StartServer() : QString(); }

void DesktopApp::stopServer() {
    if (server_) server_->StopServer();
}

void DesktopApp::showOptions() { FOptions->exec(); }

// The command table reads its hotkeys from the X server's keyboard state.
bool DesktopApp::commandWindowAvailable() const { return QGuiApplication::platformName() == QLatin1String("xcb"); }

void DesktopApp::showCommand() {
    FCommand->show();
    FCommand->raise();
}

void DesktopApp::checkNewsNow() {}

} // namespace korvel
