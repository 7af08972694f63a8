// korvel-server: the server role alone, for a machine without a desktop. Same switches and
// protocol as Korvel; one line on standard output per event worth a host's attention.

#include "core/Options.h"
#include "core/Ports.h"
#include "core/ServerRole.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using korvel::ServerRole;

namespace {

int stopPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up.
void onStopSignal(int) {
    const char b = 1;
    [[maybe_unused]] ssize_t r = ::write(stopPipe[1], &b, 1);
}

void out(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void err(const QString& line) {
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// Names come from the network: keep every event on one line.
QString quoted(const QString& text) {
    QString q = QStringLiteral("\"");
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c == QLatin1Char('"') || c == QLatin1Char('\\') || c.unicode() == 0x7f)
            q += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            q += c;
    }
    return q + QLatin1Char('"');
}

const char kUsage[] =
    "Usage: korvel-server [/CTCP=port] [/CUDP=port] [/SUDP=port] [--password=TEXT]\n"
    "                     [--admin-password=TEXT] [--codec=1|2|3] [--help]\n"
    "Hosts a Korvel server without a desktop.\n"
    "  /CTCP=port             control port (default 40000)\n"
    "  /CUDP=port             first of the clients' three voice ports (default 40002)\n"
    "  /SUDP=port             base of the server's voice ports (default 40010)\n"
    "  --password=TEXT        password required to connect (default: none)\n"
    "  --admin-password=TEXT  password for the administrative features (default: none)\n"
    "  --codec=1|2|3          1 = High Compression (4.8kbps), 2 = Medium Compression (8.5kbps),\n"
    "                         3 = Medium Compression (13kbps) (default 1)\n"
    "SIGINT or SIGTERM stops the server and ends the program.\n";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    korvel::PortConfig ports;
    korvel::Options options;
    const QStringList rest = korvel::ApplySwitches(ports, app.arguments().mid(1));
    for (const QString& arg : rest) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.startsWith(QLatin1String("--password="))) {
            options.EPassword = arg.mid(11);
        } else if (arg.startsWith(QLatin1String("--admin-password="))) {
            options.EAdminPassword = arg.mid(17);
        } else if (arg.startsWith(QLatin1String("--codec="))) {
            const QString v = arg.mid(8);
            if (v != QLatin1String("1") && v != QLatin1String("2") && v != QLatin1String("3")) {
                err(QStringLiteral("korvel-server: --codec takes 1, 2 or 3, not %1").arg(v));
                return 2;
            }
            options.RCodec1 = v == QLatin1String("1");
            options.RCodec2 = v == QLatin1String("2");
            options.RCodec3 = v == QLatin1String("3");
        } else if (arg.startsWith(QLatin1String("--"))) {
            err(QStringLiteral("korvel-server: unknown option %1 (see --help)").arg(arg));
            return 2;
        }
        // Anything else is ignored, as Korvel ignores switches it does not know.
    }

    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        err(QStringLiteral("korvel-server: cannot create the signal pipe"));
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    bool loopbackMode = false;
    ServerRole server(options, ports, [&loopbackMode] { return loopbackMode; });
    QObject::connect(&server, &ServerRole::userLoggedIn, [](int32_t u, const QString& name) {
        out(QStringLiteral("login user=%1 name=%2").arg(u).arg(quoted(name)));
    });
    QObject::connect(&server, &ServerRole::loginRefused,
                     [](int32_t k, const QString& name, ServerRole::Refusal why) {
                         out(QStringLiteral("refused connection=%1 name=%2 reason=%3")
                                 .arg(k)
                                 .arg(quoted(name))
                                 .arg(why == ServerRole::Refusal::Password ? QStringLiteral("password")
                                                                           : QStringLiteral("version")));
                     });
    QObject::connect(&server, &ServerRole::userDropped, [](int32_t u, const QString& name, int32_t by) {
        out(QStringLiteral("drop user=%1 name=%2 by=%3").arg(u).arg(quoted(name)).arg(by));
    });
    QObject::connect(&server, &ServerRole::userDeparted, [](int32_t u, const QString& name) {
        out(QStringLiteral("departure user=%1 name=%2").arg(u).arg(quoted(name)));
    });
    QObject::connect(&server, &ServerRole::channelAdded, [](int32_t c, const QString& name) {
        out(QStringLiteral("channel-added channel=%1 name=%2").arg(c).arg(quoted(name)));
    });
    QObject::connect(&server, &ServerRole::channelRemoved, [](int32_t c, const QString& name) {
        out(QStringLiteral("channel-removed channel=%1 name=%2").arg(c).arg(quoted(name)));
    });
    QObject::connect(&server, &ServerRole::userMoved, [](int32_t u, int32_t c) {
        out(QStringLiteral("moved user=%1 channel=%2").arg(u).arg(c));
    });
    QObject::connect(&server, &ServerRole::portError, [](const QString& text) {
        err(QStringLiteral("korvel-server: %1").arg(text));
    });

    const QString failure = server.StartServer();
    if (!failure.isEmpty()) {
        err(QStringLiteral("korvel-server: %1").arg(failure));
        return 1;
    }
    out(QStringLiteral("listening tcp=%1 client-udp=%2 server-udp=%3")
            .arg(ports.tcpPort())
            .arg(ports.clientUdpPort(0))
            .arg(ports.serverUdpPort(0)));

    QSocketNotifier stopNotifier(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, [&] {
        char buf[16];
        while (::read(stopPipe[0], buf, sizeof buf) > 0) {
        }
        stopNotifier.setEnabled(false);
        server.StopServer();
        out(QStringLiteral("stopped"));
        // The removals queued by the stop go out before the program ends, within a bound.
        auto* wait = new QTimer(&app);
        QElapsedTimer since;
        since.start();
        QObject::connect(wait, &QTimer::timeout, [&server, since, wait] {
            if (server.openConnections() == 0 || since.elapsed() > 2000) {
                wait->stop();
                QCoreApplication::exit(0);
            }
        });
        wait->start(10);
    });

    return app.exec();
}
