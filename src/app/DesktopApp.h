#pragma once
// The composition root of the desktop program: it owns the options, the port plan, both roles
// and the windows, hands each what it needs, and runs the start-up and shut-down sequences.

#include "core/ClientInterfaces.h"
#include "core/Options.h"
#include "core/Ports.h"
#include "forms/MainActions.h"
#include "forms/MainWindowStore.h"
#include "forms/OptionsServices.h"
#include "platform/ProgramVersion.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace korvel {

class ClientRole;
class ServerRole;
class SingleInstance;
class TFCommand;
class TFMain;
namespace forms {
class TFOptions;
}

class DesktopApp : public QObject, public IMainActions {
    Q_OBJECT
public:
    explicit DesktopApp(QStringList arguments, QObject* parent = nullptr);
    ~DesktopApp() override;

    // Creates the main window, the options and the command window, in this order, and the
    // roles behind them.
    void CreateForms();
    // The start-up sequence. False when another copy runs: the program has already shut down.
    bool StartUp();
    // The shut-down sequence; runs once, when the main window closes.
    void ShutDown();
    bool shutDown() const { return shutDown_; }

    TFMain* mainWindow() const { return FMain.get(); }
    ServerRole* server() const { return server_.get(); }
    ClientRole* client() const { return client_.get(); }
    Options& options() { return options_; }
    PortConfig& ports() { return ports_; }
    const ProgramVersion& version() const { return version_; }

    // IMainActions
    TcUserTable& clientUsers() override;
    TcChannelTable& clientChannels() override;
    void* serverNode() const override;
    void clearServerNode() override;
    bool clientConnected() const override;
    int32_t currentChannel() const override;
    const Options& options() const override { return options_; }
    void connectSelected() override;
    void kickUsers(const QList<int32_t>& users) override;
    void muteUsers(const QList<int32_t>& users) override;
    void addChannel() override;
    void deleteChannel(int32_t channel) override;
    void sendJoinChannel(int32_t channel) override;
    void disconnectClient() override;
    void startLoopback() override;
    void stopLoopback() override;
    bool serverListening() const override;
    QString startServer() override;
    void stopServer() override;
    void showOptions() override;
    bool commandWindowAvailable() const override;
    void showCommand() override;
    void checkNewsNow() override;

signals:
    // The shut-down sequence has run; the event loop may end.
    void finished();

private:
    void chooseFont();

    QStringList arguments_;
    Options options_;
    PortConfig ports_;
    ProgramVersion version_;
    SettingsMainStore mainStore_;

    // Stand-ins for the voice path, sounds and speech until they exist.
    struct NoAudio : IClientAudio {
        void StartAudio(int32_t) override {}
        void StopAudio() override {}
    } audio_;
    struct NoSounds : IEventSounds {
        void PlayConnectSound() override {}
        void PlayDisconnectSound() override {}
    } sounds_;
    struct NoSpeech : ISpeech {
        void Speak(const QString&) override {}
    } speech_;

    std::unique_ptr<TFMain> FMain;
    forms::NullOptionsServices optionsServices_;
    forms::NullOptionsActions optionsActions_;
    std::unique_ptr<forms::TFOptions> FOptions;
    std::unique_ptr<TFCommand> FCommand;
    std::unique_ptr<ServerRole> server_;
    std::unique_ptr<ClientRole> client_;
    std::unique_ptr<SingleInstance> instance_;
    QTimer TMsg;
    bool shutDown_ = false;
};

} // namespace korvel
