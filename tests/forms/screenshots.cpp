// Pictures of the windows for a person to look at: the main window joined to its own server
// with two channels and three users, and each dialog. Writes PNG files into the folder given.

#include "app/DesktopApp.h"
#include "common/TestPorts.h"
#include "core/ClientRole.h"
#include "core/ServerTestClient.h"
#include "forms/UConnection.h"
#include "forms/UEdit.h"
#include "forms/UMain.h"
#include "forms/UMsg.h"
#include "forms/USplash.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace korvel;

namespace {
bool save(QWidget* w, const QString& dir, const char* name) {
    QTest::qWait(100);
    return w->grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

// Grabs the next modal window, then closes it.
void grabModal(const QString& dir, const char* name) {
    QTimer::singleShot(300, [dir, name] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            save(w, dir, name);
            w->close();
        }
    });
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);
    QTemporaryDir config, runtime;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("KORVEL_NO_SHELL", "1");
    const PortConfig plan = test::freePortPlan();
    DesktopApp app({QStringLiteral("Korvel"), QStringLiteral("/CTCP=%1").arg(plan.TcpPort),
                    QStringLiteral("/CUDP=%1").arg(plan.ClientUdpBase), QStringLiteral("/SUDP=%1").arg(plan.ServerUdpBase)});
    app.CreateForms();
    app.options().EDIHotKey = QStringLiteral("F12");
    app.options().CShowPacketLoss = true;
    if (!app.StartUp()) return 1;
    TFMain* w = app.mainWindow();
    w->resize(260, 400);
    w->BHost->click();
    w->appendServerEntry(QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1"), QString());
    w->appendServerEntry(QStringLiteral("voice.example.org"), QStringLiteral("voice.example.org"), QString());

    test::ServerTestClient alice(QStringLiteral("127.0.0.2"), plan), bob(QStringLiteral("127.0.0.3"), plan);
    if (!alice.connectToServer() || !alice.loginAndWait(QStringLiteral("Alice"))) return 2;
    if (!bob.connectToServer() || !bob.loginAndWait(QStringLiteral("Bob"))) return 2;
    alice.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Raid")));
    alice.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Lobby")));
    const auto* added = bob.waitFor(msgAddChannel);
    if (!added) return 3;
    bob.send(MessageWriter(msgMoveUser).Int(tagUser, bob.index).Int(tagChannelIndex, added->i(tagChannelIndex)));
    bob.waitFor(msgUserMoved);
    alice.send(MessageWriter(msgMute).Int(tagUser, bob.index));

    w->TItems->clearSelection();
    w->TItems->topLevelItem(0)->setSelected(true);
    w->cmdDoubleClick();
    if (!QTest::qWaitFor([&] { return app.client()->TcUser.count() >= 3; }, 5000)) return 5;
    QTest::qWait(300);
    app.client()->DispatchFromServer(MessageWriter(msgPacketLoss).Int(tagUser, alice.index).Int(tagLostCount, 3).bytes());
    alice.send(MessageWriter(msgTalkStart).Int(tagUser, alice.index));
    QTest::qWait(300);
    w->TItems->clearSelection();
    bool ok = save(w, out, "main-window");

    grabModal(out, "connection-dialog");
    w->TItems->topLevelItem(1)->setSelected(true);
    w->cmdProperties();
    grabModal(out, "input-dialog-add-channel");
    w->cmdAddChannel();
    grabModal(out, "input-dialog-password");
    app.client()->AdminPassword = QStringLiteral("x");
    app.client()->AdminEntered.clear();
    w->cmdKick();
    grabModal(out, "about-box");
    w->cmdAbout();
    TFMsg* news = TFMsg::showMessage(QStringLiteral("<h3>Korvel News</h3><p>Version 1.6 is out. See "
                                                    "<a href=\"https://korvel.nimbrel.example/\">the site</a>.</p>"));
    ok = save(news, out, "news-viewer") && ok;
    news->close();
    w->close();
    return ok ? 0 : 4;
}
