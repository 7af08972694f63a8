// Korvel: the desktop program, client and server in one process.

#include "DesktopApp.h"
#include "forms/UMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

namespace {

// KORVEL_BENCHMARK_EXIT=1: once the window is shown (and, when asked for, the server
// listens), print the time since the program started and end. For bench/startup.
void armBenchmarkExit(korvel::DesktopApp& app, const QElapsedTimer& clock) {
    auto* poll = new QTimer(&app);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, &app, [&app, &clock, poll] {
        korvel::TFMain* w = app.mainWindow();
        const bool shown = w && (w->isVisible() || w->isMinimized());
        const bool serverReady = !app.options().CServer || app.serverListening();
        if (!shown || !serverReady) return;
        poll->stop();
        QTextStream(stdout) << "startup_ms " << clock.nsecsElapsed() / 1e6 << " listening " << app.serverListening()
                             << Qt::endl;
        w->close();
    });
    poll->start();
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setOrganizationName(QStringLiteral("Nimbrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvel"));
    // The program lives on in the tray; only closing the main window ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    korvel::DesktopApp app(QApplication::arguments());
    QObject::connect(&app, &korvel::DesktopApp::finished, &application, &QApplication::quit, Qt::QueuedConnection);
    app.CreateForms();
    if (!app.StartUp()) return 0;
    if (qEnvironmentVariableIntValue("KORVEL_BENCHMARK_EXIT") == 1) armBenchmarkExit(app, clock);
    return QApplication::exec();
}
