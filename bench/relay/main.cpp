// One speaker's voice datagrams relayed to N listeners on loopback, by the server role and by
// a plain recvfrom/sendto forwarder, side by side in one run. Each relay runs in a child
// process of its own; this process is the speaker and every listener.
//
// Throughput is measured closed-loop: the speaker sends a window of datagrams, waits until
// every listener has them (or a short deadline passes), and repeats. That keeps within the
// small socket buffers the relay asks for, so the figure is what the relay forwards rather
// than what the kernel drops. The relay's own CPU time gives a second figure, datagrams per
// CPU-second, that does not depend on how this process is scheduled.

#include "core/Framing.h"
#include "core/Message.h"
#include "core/Options.h"
#include "core/Ports.h"
#include "core/Scramble.h"
#include "core/ServerRole.h"
#include "forwarder.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace korvel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWindow = 3;
constexpr int kPayload = 65; // one GSM 6.10 block in WAV49 framing
constexpr double kSeconds = 2.0;

sockaddr_in inet(const std::string& ip, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    return a;
}

std::string clientIp(int i) { return "127.0." + std::to_string((i + 2) / 256) + "." + std::to_string((i + 2) % 256); }

bool portFree(int type, uint16_t port) {
    const int fd = socket(AF_INET, type, 0);
    const sockaddr_in a = inet("0.0.0.0", port);
    const bool ok = bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

PortConfig freePlan(int users) {
    std::mt19937 rng(static_cast<unsigned>(getpid()) ^ static_cast<unsigned>(time(nullptr)));
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int base = 20000 + static_cast<int>(rng() % 600) * 64;
        PortConfig p;
        p.TcpPort = base;
        p.ClientUdpBase = base + 2;
        p.ServerUdpBase = base + 10;
        bool ok = portFree(SOCK_STREAM, p.tcpPort());
        for (int k = 1; ok && k <= users; ++k) ok = portFree(SOCK_DGRAM, p.serverUdpPort(k));
        if (ok) return p;
    }
    std::fprintf(stderr, "no free port plan\n");
    std::exit(1);
}

pid_t spawnRoleRelay(const PortConfig& plan) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    int argc = 1;
    char name[] = "bench_relay";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Options options;
    PortConfig ports = plan;
    ServerRole server(options, ports, [] { return false; });
    if (!server.StartServer().isEmpty()) _exit(2);
    app.exec();
    _exit(0);
}

pid_t spawnPlainRelay(const PortConfig& plan, const std::vector<sockaddr_in>& dests) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    run_plain_forwarder(plan.serverUdpPort(1), dests.data(), static_cast<int>(dests.size()),
                        ServerRole::kDatagramBuffer);
    _exit(0);
}

void stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

double cpuSeconds(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    FILE* f = std::fopen(path, "r");
    if (!f) return 0;
    char buf[1024] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    const char* p = std::strrchr(buf, ')');
    unsigned long utime = 0, stime = 0;
    // After the name: state, then fields 4..13, then utime (14) and stime (15).
    if (p) std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime);
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long rssKiB(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", pid);
    FILE* f = std::fopen(path, "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld", &kib) == 1) break;
    std::fclose(f);
    return kib;
}

// A logged-in control connection, made with plain sockets.
struct Login {
    int fd = -1;
    int32_t index = 0;
};

Login login(const std::string& ip, const PortConfig& plan, const QString& name) {
    Login l;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        l.fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in local = inet(ip, 0);
        bind(l.fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        const sockaddr_in server = inet("127.0.0.1", plan.tcpPort());
        if (connect(l.fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0) break;
        close(l.fd);
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "cannot connect\n");
            std::exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const QByteArray msg = frameMessage(MessageWriter(msgLogin)
                                            .Text(tagName, name)
                                            .WriteInt(tagPassword)
                                            .WriteRawText(Scramble(QByteArray()))
                                            .Int(tagVersionMajor, 1)
                                            .Int(tagVersionMinor, 6)
                                            .bytes());
    if (write(l.fd, msg.constData(), static_cast<size_t>(msg.size())) != msg.size()) std::exit(1);
    FrameBuffer frames;
    char buf[4096];
    while (l.index == 0) {
        const ssize_t n = read(l.fd, buf, sizeof buf);
        if (n <= 0) {
            std::fprintf(stderr, "login failed\n");
            std::exit(1);
        }
        for (const QByteArray& m : frames.append(QByteArray(buf, static_cast<int>(n)))) {
            if (messageCode(m) != msgWelcome) continue;
            MessageReader r(m);
            r.ReadInt();
            while (!r.atEnd()) {
                if (r.ReadInt() == tagOwnIndex) {
                    l.index = r.ReadInt();
                    break;
                }
                r.SkipValue();
            }
        }
    }
    fcntl(l.fd, F_SETFL, O_NONBLOCK);
    return l;
}

// The announcements of later logins would fill the control connections otherwise.
void drain(const std::vector<Login>& logins) {
    char buf[8192];
    for (const Login& l : logins)
        while (read(l.fd, buf, sizeof buf) > 0) {
        }
}

int udpListener(const std::string& ip, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in a = inet(ip, port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        std::perror("listener bind");
        std::exit(1);
    }
    int big = 1 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

struct Result {
    double perSecond = 0; // speaker datagrams delivered to every listener, per second
    double perCpuSecond = 0;
    double delivered = 0; // share of expected listener datagrams that arrived
};

Result measure(int speaker, const sockaddr_in& to, const std::vector<int>& listeners, pid_t relay, double seconds) {
    const int n = static_cast<int>(listeners.size());
    std::vector<pollfd> pfd(listeners.size());
    for (size_t i = 0; i < listeners.size(); ++i) pfd[i] = {listeners[i], POLLIN, 0};
    char payload[kPayload];
    std::memset(payload, 0x5a, sizeof payload);
    char buf[2048];
    long long sent = 0, got = 0;
    const double cpu0 = cpuSeconds(relay);
    const auto t0 = Clock::now();
    const auto end = t0 + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        for (int w = 0; w < kWindow; ++w)
            sendto(speaker, payload, sizeof payload, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        sent += kWindow;
        long long want = static_cast<long long>(kWindow) * n, have = 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(20);
        while (have < want) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left < 0 || poll(pfd.data(), pfd.size(), static_cast<int>(left)) <= 0) break;
            for (pollfd& p : pfd)
                if (p.revents & POLLIN)
                    while (recv(p.fd, buf, sizeof buf, 0) > 0) ++have;
        }
        got += have;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds(relay) - cpu0;
    Result r;
    r.perSecond = static_cast<double>(got) / n / elapsed;
    r.perCpuSecond = cpu > 0 ? static_cast<double>(got) / n / cpu : 0;
    r.delivered = sent ? static_cast<double>(got) / (static_cast<double>(sent) * n) : 0;
    return r;
}

Result runRole(const PortConfig& plan, int n, int speakerFd, const std::vector<int>& listeners) {
    const pid_t relay = spawnRoleRelay(plan);
    std::vector<Login> logins;
    logins.push_back(login(clientIp(0), plan, QStringLiteral("speaker")));
    for (int i = 1; i <= n; ++i) {
        logins.push_back(login(clientIp(i), plan, QStringLiteral("listener%1").arg(i)));
        drain(logins);
    }
    const sockaddr_in to = inet("127.0.0.1", plan.serverUdpPort(logins[0].index));
    sendto(speakerFd, "CMDBOL", 6, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    drain(logins);
    measure(speakerFd, to, listeners, relay, 0.3); // warm-up
    const Result r = measure(speakerFd, to, listeners, relay, kSeconds);
    stop(relay);
    for (const Login& l : logins) close(l.fd);
    return r;
}

Result runPlain(const PortConfig& plan, int n, int speakerFd, const std::vector<int>& listeners) {
    std::vector<sockaddr_in> dests;
    for (int i = 1; i <= n; ++i) dests.push_back(inet(clientIp(i), plan.clientUdpPort(0)));
    const pid_t relay = spawnPlainRelay(plan, dests);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const sockaddr_in to = inet("127.0.0.1", plan.serverUdpPort(1));
    measure(speakerFd, to, listeners, relay, 0.3);
    const Result r = measure(speakerFd, to, listeners, relay, kSeconds);
    stop(relay);
    return r;
}

} // namespace

int main() {
    signal(SIGPIPE, SIG_IGN);
    const PortConfig plan = freePlan(101);
    std::printf("relay benchmark: one speaker, N listeners, %d-byte datagrams, window %d, %.0f s per run\n",
                kPayload, kWindow, kSeconds);
    std::printf("%4s  %14s %14s %6s   %14s %14s %6s   %s\n", "N", "role dg/s", "plain dg/s", "ratio",
                "role dg/cpu-s", "plain dg/cpu-s", "ratio", "delivered role/plain");

    const int speakerFd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in speakerAddr = inet(clientIp(0), 0);
    bind(speakerFd, reinterpret_cast<const sockaddr*>(&speakerAddr), sizeof speakerAddr);

    for (int n : {1, 10, 50}) {
        std::vector<int> listeners;
        for (int i = 1; i <= n; ++i) listeners.push_back(udpListener(clientIp(i), plan.clientUdpPort(0)));
        // Alternate the two, best of two each, so a noisy moment does not decide the ratio.
        Result role, plain;
        for (int rep = 0; rep < 2; ++rep) {
            const Result a = runRole(plan, n, speakerFd, listeners);
            const Result b = runPlain(plan, n, speakerFd, listeners);
            if (a.perSecond > role.perSecond) role = a;
            if (b.perSecond > plain.perSecond) plain = b;
        }
        std::printf("%4d  %14.0f %14.0f %6.2f   %14.0f %14.0f %6.2f   %.3f/%.3f\n", n, role.perSecond,
                    plain.perSecond, role.perSecond / plain.perSecond, role.perCpuSecond, plain.perCpuSecond,
                    plain.perCpuSecond > 0 ? role.perCpuSecond / plain.perCpuSecond : 0.0, role.delivered,
                    plain.delivered);
        std::fflush(stdout);
        for (int fd : listeners) close(fd);
    }

    // Resident memory of the server role with 100 logged-in users.
    const pid_t relay = spawnRoleRelay(plan);
    std::vector<Login> logins;
    logins.push_back(login(clientIp(0), plan, QStringLiteral("user0")));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long before = rssKiB(relay);
    for (int i = 1; i < 100; ++i) {
        logins.push_back(login(clientIp(i), plan, QStringLiteral("user%1").arg(i)));
        drain(logins);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    drain(logins);
    const long after = rssKiB(relay);
    std::printf("server resident memory: %ld KiB with 1 user, %ld KiB with %zu logged-in users\n", before, after,
                logins.size());
    stop(relay);
    for (const Login& l : logins) close(l.fd);
    return 0;
}
