// korvel-server as a process: what a host sees on its terminal, and how it ends.

#include "common/TestPorts.h"
#include "core/ServerTestClient.h"

#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <csignal>

using namespace korvel;
using namespace korvel::test;

class TestServerProcess : public QObject {
    Q_OBJECT

    static QStringList switches(const PortConfig& p) {
        return {QStringLiteral("/CTCP=%1").arg(p.TcpPort), QStringLiteral("/cudp=%1").arg(p.ClientUdpBase),
                QStringLiteral("/SUDP=%1").arg(p.ServerUdpBase)};
    }
    static bool waitForLine(QProcess& p, QByteArray& seen, const QByteArray& prefix) {
        for (int i = 0; i < 100; ++i) {
            seen += p.readAllStandardOutput();
            for (const QByteArray& line : seen.split('\n'))
                if (line.startsWith(prefix)) return true;
            p.waitForReadyRead(100);
        }
        return false;
    }

private slots:
    void logsInPrintsAndStopsOnSignal_data() {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void logsInPrintsAndStopsOnSignal() {
        QFETCH(int, sig);
        const PortConfig ports = freePortPlan();
        QProcess server;
        server.start(QStringLiteral(KORVEL_SERVER_PROGRAM),
                     switches(ports) << QStringLiteral("--password=pw") << QStringLiteral("--codec=3"));
        QVERIFY(server.waitForStarted());
        QByteArray out;
        QVERIFY2(waitForLine(server, out, "listening"), out.constData());

        ServerTestClient wrong(QStringLiteral("127.0.0.2"), ports);
        QVERIFY(wrong.connectToServer());
        wrong.login(QStringLiteral("Mallory"), QStringLiteral("nope"));
        QVERIFY(wrong.waitFor(msgPasswordRequired));
        QVERIFY2(waitForLine(server, out, "refused connection=1 name=\"Mallory\" reason=password"), out.constData());

        ServerTestClient a(QStringLiteral("127.0.0.3"), ports);
        QVERIFY(a.connectToServer());
        a.login(QStringLiteral("Ann\nEOX"), QStringLiteral("pw"));
        const Received* w = a.waitFor(msgWelcome);
        QVERIFY(w);
        QCOMPARE(w->i(tagCodec), 3);
        QVERIFY2(waitForLine(server, out, "login user=2 name=\"Ann\\x0aEOX\""), out.constData());
        a.send(MessageWriter(msgAddChannel).Text(tagChannel, QStringLiteral("Ops")));
        QVERIFY2(waitForLine(server, out, "channel-added channel=1 name=\"Ops\""), out.constData());

        ::kill(static_cast<pid_t>(server.processId()), sig);
        QTRY_VERIFY_WITH_TIMEOUT(!a.connected(), 5000);
        // It may have ended already while the wait above ran the event loop.
        QVERIFY(server.state() == QProcess::NotRunning || server.waitForFinished(5000));
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 0);
        out += server.readAllStandardOutput();
        QVERIFY2(out.contains("departure user=2"), out.constData());
        QVERIFY2(out.endsWith("stopped\n"), out.constData());
    }

    void takenPortIsOneLineAndFailure() {
        const PortConfig ports = freePortPlan();
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, ports.tcpPort()));
        QProcess server;
        server.start(QStringLiteral(KORVEL_SERVER_PROGRAM), switches(ports));
        QVERIFY(server.waitForFinished(10000));
        QVERIFY(server.exitCode() != 0);
        const QByteArray err = server.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains(QByteArray::number(ports.TcpPort)), err.constData());
        QCOMPARE(server.readAllStandardOutput(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestServerProcess)
#include "tst_server_process.moc"
