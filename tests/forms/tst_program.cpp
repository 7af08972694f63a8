// Start-up and shut-down of the whole program: the single-copy rule, the switches, the
// start-up options, the font.

#include "GuiHelpers.h"
#include "app/DesktopApp.h"
#include "common/TestPorts.h"
#include "forms/FormSettings.h"
#include "forms/TreeEntry.h"
#include "forms/UMain.h"
#include "platform/SingleInstance.h"

#include <QFontDatabase>
#include <QMenuBar>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QSystemTrayIcon>
#include <QToolButton>

using namespace korvel;
using namespace korvel::test;

class TestProgram : public QObject {
    Q_OBJECT

    // Each program instance gets its own settings and runtime folders.
    struct Home {
        QTemporaryDir config, runtime;
        void enter() const {
            qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
            qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        }
        QProcessEnvironment env() const {
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
            e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
            e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            e.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
            return e;
        }
        void setOption(const char* path, bool on) const {
            enter();
            forms::FormSettings store(QLatin1String(forms::FormSettings::kFOptions));
            store.writeBound(QLatin1String(path), on, false);
            store.sync();
        }
    };

    static QStringList switches(const PortConfig& p) {
        return {QStringLiteral("Korvel"), QStringLiteral("/CTCP=%1").arg(p.TcpPort),
                QStringLiteral("/CUDP=%1").arg(p.ClientUdpBase), QStringLiteral("/SUDP=%1").arg(p.ServerUdpBase)};
    }

    static bool portAnswers(quint16 port) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        return s.waitForConnected(200);
    }

private slots:
    void secondCopyShowsNothing() {
        Home home;
        home.enter();
        const PortConfig plan = freePortPlan();
        DesktopApp first(switches(plan));
        first.CreateForms();
        QVERIFY(first.StartUp());
        QVERIFY(first.mainWindow()->isVisible());

        DesktopApp second(switches(plan));
        second.CreateForms();
        QVERIFY(!second.StartUp());
        QVERIFY(second.shutDown());
        QVERIFY(!second.mainWindow()->isVisible());
        QVERIFY(!second.mainWindow()->trayIcon());

        // The first copy is unaffected and still holds the lock.
        QVERIFY(first.mainWindow()->isVisible());
        QVERIFY(!first.shutDown());
        QVERIFY(SingleInstance(QStringLiteral("KorvelOneInstance")).alreadyRunning());
        first.mainWindow()->close();
        QVERIFY(first.shutDown());
        QVERIFY(!SingleInstance(QStringLiteral("KorvelOneInstance")).alreadyRunning());
    }

    void secondProgramEnds() {
        Home home;
        const PortConfig plan = freePortPlan();
        QProcess first, second;
        first.setProcessEnvironment(home.env());
        second.setProcessEnvironment(home.env());
        QProcessEnvironment e = home.env();
        e.insert(QStringLiteral("KORVEL_BENCHMARK_EXIT"), QStringLiteral("1"));
        second.setProcessEnvironment(e);
        first.start(QStringLiteral(KORVEL_PROGRAM), switches(plan).mid(1));
        QVERIFY(first.waitForStarted());
        home.enter();
        QTRY_VERIFY_WITH_TIMEOUT(SingleInstance(QStringLiteral("KorvelOneInstance")).alreadyRunning(), 10000);
        second.start(QStringLiteral(KORVEL_PROGRAM), switches(plan).mid(1));
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitCode(), 0);
        // It never got as far as showing its window.
        QVERIFY(!second.readAllStandardOutput().contains("startup_ms"));
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    void controlPortSwitch_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("lower-case name") << "/ctcp=%1";
        QTest::newRow("blanks around the value") << "/CTCP= %1 ";
        QTest::newRow("later one wins") << "/CTCP=1|/CTCP=%1";
    }
    void controlPortSwitch() {
        QFETCH(QString, format);
        Home home;
        home.setOption("CServer.Checked", true);
        const PortConfig plan = freePortPlan();
        QStringList args = switches(plan).mid(2);
        args.append(format.arg(plan.TcpPort).split(QLatin1Char('|')));
        QProcess program;
        program.setProcessEnvironment(home.env());
        program.start(QStringLiteral(KORVEL_PROGRAM), args);
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(portAnswers(plan.tcpPort()), 10000);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }

    void serverOnStartup() {
        Home home;
        home.setOption("CServer.Checked", true);
        const PortConfig plan = freePortPlan();
        DesktopApp app(switches(plan));
        app.CreateForms();
        QVERIFY(app.StartUp());
        QVERIFY(app.mainWindow()->BHost->isChecked());
        QCOMPARE(app.mainWindow()->BHost->text(), QStringLiteral("Server: ON"));
        QVERIFY(portAnswers(plan.tcpPort()));
        app.mainWindow()->close();
        QVERIFY(!portAnswers(plan.tcpPort()));
    }

    void serverOnStartupWithPortTaken() {
        Home home;
        home.setOption("CServer.Checked", true);
        const PortConfig plan = freePortPlan();
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, plan.tcpPort()));
        DesktopApp app(switches(plan));
        app.CreateForms();
        auto text = answerMessage();
        QVERIFY(app.StartUp());
        QVERIFY(!text->isEmpty());
        // The program carries on as a client.
        QVERIFY(!app.mainWindow()->BHost->isChecked());
        QCOMPARE(app.mainWindow()->BHost->text(), QStringLiteral("Server: OFF"));
        QVERIFY(app.mainWindow()->isVisible());
        app.mainWindow()->close();
    }

    void minimizedOnStartup() {
        Home home;
        home.setOption("CMinimized.Checked", true);
        DesktopApp app(switches(freePortPlan()));
        app.CreateForms();
        QVERIFY(app.StartUp());
        QVERIFY(app.mainWindow()->trayIcon());
        QCOMPARE(app.mainWindow()->trayIcon()->toolTip(), QStringLiteral("Korvel"));
        // Only the tray shows; where there is no tray the window waits minimised.
        QVERIFY(!app.mainWindow()->isVisible() || app.mainWindow()->isMinimized());
        app.mainWindow()->restoreFromTray();
        QVERIFY(app.mainWindow()->isVisible());
        QVERIFY(!app.mainWindow()->isMinimized());
        app.mainWindow()->close();
    }

    void fontAndVersion() {
        Home home;
        home.enter();
        DesktopApp app(switches(freePortPlan()));
        app.CreateForms();
        QVERIFY(app.StartUp());
        const QString expected = QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                                     ? QStringLiteral("Tahoma")
                                     : QStringLiteral("MS Sans Serif");
        QCOMPARE(app.mainWindow()->font().family(), expected);
        QCOMPARE(app.mainWindow()->font().pointSize(), 8);
        QCOMPARE(app.mainWindow()->menuBar()->font().family(), expected);
        QCOMPARE(app.version().Text, QStringLiteral("1.6"));
        QCOMPARE(app.mainWindow()->versionText, QStringLiteral("1.6"));
        app.mainWindow()->close();
    }

    void entriesSurviveARun() {
        Home home;
        home.enter();
        {
            DesktopApp app(switches(freePortPlan()));
            app.CreateForms();
            QVERIFY(app.StartUp());
            QCOMPARE(app.mainWindow()->gVoxMin, 32767);
            QCOMPARE(app.mainWindow()->gVoxMax, -32767);
            app.mainWindow()->appendServerEntry(QStringLiteral("a, b"), QStringLiteral("a, b"), QStringLiteral("p w,\"x\""));
            app.mainWindow()->close();
        }
        DesktopApp again(switches(freePortPlan()));
        again.CreateForms();
        QCOMPARE(again.mainWindow()->serverEntries().size(), 1);
        QCOMPARE(again.mainWindow()->serverEntries()[0]->text(0), QStringLiteral("a, b"));
        QCOMPARE(again.mainWindow()->serverEntries()[0]->node.password, QStringLiteral("p w,\"x\""));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
