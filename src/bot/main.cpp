// korvel-bot: a headless Korvel client for scripts, tests and load.
#include "bot/Bot.h"
#include "bot/BotArguments.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &c, 1);
}

void writeLine(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const korvel::BotArgumentsResult args = korvel::ParseBotArguments(app.arguments().mid(1));
    if (args.help) {
        std::fputs(qPrintable(korvel::BotUsage()), stdout);
        return 0;
    }
    if (!args.error.isEmpty()) {
        std::fprintf(stderr, "korvel-bot: %s\n%s", qPrintable(args.error), qPrintable(korvel::BotUsage()));
        return 3;
    }

    // SIGINT and SIGTERM leave the server as --for does.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0) return 1;
    QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    korvel::Bot bot(args.settings, writeLine);
    QObject::connect(&notifier, &QSocketNotifier::activated, &bot, [&bot] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &c, 1);
        bot.Leave();
    });
    QObject::connect(&bot, &korvel::Bot::finished, &app, [](int code) { QCoreApplication::exit(code); });
    bot.Start();
    return app.exec();
}
