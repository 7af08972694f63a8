#pragma once
// What the main window asks of the rest of the program: the client state its list mirrors,
// the requests its commands send, the server button and the other windows. The composition
// root answers it over the roles; the window holds no protocol logic of its own.

#include "core/Options.h"
#include "core/Tables.h"

#include <QList>
#include <QString>
#include <cstdint>

namespace korvel {

class IMainActions {
public:
    virtual ~IMainActions() = default;

    // Client state.
    virtual TcUserTable& clientUsers() = 0;
    virtual TcChannelTable& clientChannels() = 0;
    virtual void* serverNode() const = 0;
    virtual void clearServerNode() = 0;
    virtual bool clientConnected() const = 0;
    virtual int32_t currentChannel() const = 0;
    virtual const Options& options() const = 0;

    // Client requests.
    virtual void connectSelected() = 0; // Connect(): joins the first selected server entry
    // Each of these asks CheckAdmin() first (once per call); user lists run last selected first.
    virtual void kickUsers(const QList<int32_t>& users) = 0;
    virtual void muteUsers(const QList<int32_t>& users) = 0; // unmute for a muted user
    virtual void addChannel() = 0;                           // asks for the name
    virtual void deleteChannel(int32_t channel) = 0;
    virtual void sendJoinChannel(int32_t channel) = 0;
    virtual void disconnectClient() = 0; // kick of the own index, when connected
    virtual void startLoopback() = 0;
    virtual void stopLoopback() = 0;

    // The hosted server. startServer returns an empty text on success, else what went wrong.
    virtual bool serverListening() const = 0;
    virtual QString startServer() = 0;
    virtual void stopServer() = 0;

    // Other windows.
    virtual void showOptions() = 0;
    virtual bool commandWindowAvailable() const = 0;
    virtual void showCommand() = 0;
    virtual void checkNewsNow() = 0;
};

} // namespace korvel
