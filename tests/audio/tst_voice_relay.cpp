// The voice path over real sockets on loopback: clients with their voice sessions talk through
// a real server role; each client binds its own loopback address.

#include "audio/VoiceSession.h"
#include "common/TestPorts.h"
#include "core/ServerRole.h"
#include "core/client/ClientFakes.h"
#include "input/PushToTalk.h"

#include <QtTest>
#include <memory>

using namespace korvel;
using namespace korvel::test;

namespace {

constexpr uint8_t kKey = 0x39;
constexpr int32_t kBytesPerSec = 1625;

// StartAudio and StopAudio as the device side calls them, without devices.
class PortsOnlyAudio : public IClientAudio {
public:
    VoiceSession* session = nullptr;
    void StartAudio(int32_t) override {
        session->setCodecBytesPerSec(kBytesPerSec);
        session->ActivatePorts();
    }
    void StopAudio() override { session->DeactivatePorts(); }
};

struct Peer {
    Options options;
    PortConfig ports;
    RecordingView view;
    ScriptedPrompt prompt;
    RecordingMessages messages;
    PortsOnlyAudio audio;
    RecordingSounds sounds;
    RecordingSpeech speech;
    std::unique_ptr<ClientRole> role;
    TransmitState state;
    std::unique_ptr<VoiceSession> session;
    ScriptedInputState input;
    std::unique_ptr<PushToTalk> ptt;
    char tag;

    Peer(const PortConfig& p, const QString& address, char t) : ports(p), tag(t) {
        options.gKey1 = kKey;
        options.CShowPacketLoss = true;
        options.EIdentity = QStringLiteral("P%1").arg(QLatin1Char(t));
        role = std::make_unique<ClientRole>(options, ports, view, prompt, messages, audio, sounds, speech);
        role->SetBindAddress(QHostAddress(address));
        session = std::make_unique<VoiceSession>(options, ports, state);
        session->setClient(role.get());
        ptt = std::make_unique<PushToTalk>(state, options, input, session->link(), session->connection());
        session->setPushToTalk(ptt.get());
        ptt->ApplyTransmitMode();
        audio.session = session.get();
        view.role = role.get();
        view.options = &options;
        view.selected = ServerEntry{RecordingView::nodeFor(1, 0), QStringLiteral("127.0.0.1"), QString()};
    }
    // Blocks come at the capture's pace (the server's datagram ports keep small buffers, as a
    // burst no real capture makes would overflow them).
    void block() {
        session->BlockReady(QByteArray(65, tag), 0);
        QTest::qWait(8);
    }
    void key(bool down) { input.setKey(kKey, down); }
};

// Forwards datagrams from a speaker to the server's voice ports from the speaker's own
// address, dropping every n-th voice datagram (markers always pass).
class LossyRelay : public QObject {
public:
    LossyRelay(const QHostAddress& speaker, uint16_t listenBase, uint16_t serverBase, int every)
        : every_(every) {
        out_.bind(speaker, 0);
        for (int k = 1; k <= 8; ++k) {
            auto s = std::make_unique<QUdpSocket>();
            QVERIFY(s->bind(QHostAddress::LocalHost, static_cast<uint16_t>(listenBase + k)));
            QUdpSocket* raw = s.get();
            const uint16_t to = static_cast<uint16_t>(serverBase + k);
            connect(raw, &QUdpSocket::readyRead, this, [this, raw, to] {
                while (raw->hasPendingDatagrams()) {
                    QByteArray d(raw->pendingDatagramSize(), 0);
                    raw->readDatagram(d.data(), d.size());
                    if (!d.startsWith("CMD") && ++voice_ % every_ == 0) {
                        ++dropped;
                        continue;
                    }
                    out_.writeDatagram(d, QHostAddress::LocalHost, to);
                }
            });
            in_.push_back(std::move(s));
        }
    }
    int dropped = 0;

private:
    int every_;
    int voice_ = 0;
    QUdpSocket out_;
    std::vector<std::unique_ptr<QUdpSocket>> in_;
};

} // namespace

class TestVoiceRelay : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pushToTalkReachesListener();
    void fourSpeakersThreeSlots();
    void lossFigureOnEveryClient();

private:
    void join(Peer& p);
    PortConfig ports_;
    Options serverOptions_;
    std::unique_ptr<ServerRole> server_;
};

void TestVoiceRelay::init() {
    ports_ = freePortPlan(16);
    server_ = std::make_unique<ServerRole>(serverOptions_, ports_, [] { return false; });
    QCOMPARE(server_->StartServer(), QString());
}

void TestVoiceRelay::cleanup() { server_.reset(); }

void TestVoiceRelay::join(Peer& p) {
    QSignalSpy in(p.role.get(), &ClientRole::loggedIn);
    p.role->Connect();
    QVERIFY(in.wait(5000) || !in.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(p.session->receivePortActive(2), 2000);
}

void TestVoiceRelay::pushToTalkReachesListener() {
    Peer speaker(ports_, QStringLiteral("127.0.0.2"), 'a');
    Peer listener(ports_, QStringLiteral("127.0.0.3"), 'z');
    join(speaker);
    join(listener);
    QTRY_VERIFY_WITH_TIMEOUT(speaker.role->TcUser.count() >= 2, 2000);

    QSignalSpy talking(listener.role.get(), &ClientRole::talkingChanged);
    speaker.key(true);
    for (int i = 0; i < 10; ++i) speaker.block();
    speaker.key(false);
    for (int i = 0; i < 25; ++i) speaker.block(); // release and tail
    QVERIFY(!speaker.session->transmitter().gTransmitting);

    // 10 held blocks + the release block + 18 of tail.
    QTRY_COMPARE_WITH_TIMEOUT(listener.session->reception().buffer(0).bytes.size(), 29 * 65, 3000);
    QCOMPARE(listener.session->reception().buffer(0).bytes, QByteArray(29 * 65, 'a'));
    QTRY_COMPARE_WITH_TIMEOUT(talking.size(), 2, 2000);
    QCOMPARE(talking[0][1].toBool(), true);
    QCOMPARE(talking[1][1].toBool(), false);
    // Nothing was lost on loopback.
    QTRY_VERIFY_WITH_TIMEOUT(server_->users().at(speaker.role->OwnIndex)->Received == 29, 2000);
    QCOMPARE(listener.role->TcUser.at(speaker.role->OwnIndex)->Lost, 0);
}

void TestVoiceRelay::fourSpeakersThreeSlots() {
    std::vector<std::unique_ptr<Peer>> speakers;
    for (int i = 0; i < 4; ++i)
        speakers.push_back(std::make_unique<Peer>(ports_, QStringLiteral("127.0.0.%1").arg(2 + i), char('a' + i)));
    Peer listener(ports_, QStringLiteral("127.0.0.9"), 'z');
    for (auto& s : speakers) join(*s);
    join(listener);
    QTRY_VERIFY_WITH_TIMEOUT(listener.role->TcUser.count() >= 5, 2000);

    auto received = [&](char tag) {
        int n = 0;
        for (int k = 0; k < 3; ++k) n += int(listener.session->reception().buffer(k).bytes.count(tag));
        return n / 65;
    };
    // They start one after the other, each once the previous one is heard, and keep talking.
    for (auto& s : speakers) {
        s->key(true);
        s->block();
        const char tag = s->tag;
        QTRY_VERIFY_WITH_TIMEOUT(received(tag) >= 1, 2000);
        QTest::qWait(5); // distinct ticks for the slot ages
    }
    const int before = received('a');
    for (int i = 0; i < 10; ++i)
        for (auto& s : speakers) s->block();
    QTRY_VERIFY_WITH_TIMEOUT(received('d') == 11, 2000);
    QTRY_VERIFY_WITH_TIMEOUT(received('b') == 11 && received('c') == 11, 2000);
    // The oldest speaker lost his slot to the fourth; his later voice reaches nobody.
    QCOMPARE(received('a'), before);
    QCOMPARE(before, 1);
    // The fourth took the first speaker's slot.
    QVERIFY(listener.session->reception().buffer(0).bytes.contains(QByteArray(65, 'd')));
    for (auto& s : speakers) s->key(false);
}

void TestVoiceRelay::lossFigureOnEveryClient() {
    // The speaker aims at relay ports; the relay forwards to the server and drops every 10th.
    PortConfig speakerPorts = ports_;
    speakerPorts.ServerUdpBase = ports_.ServerUdpBase + 30;
    Peer speaker(speakerPorts, QStringLiteral("127.0.0.2"), 'a');
    Peer listener(ports_, QStringLiteral("127.0.0.3"), 'z');
    LossyRelay relay(QHostAddress(QStringLiteral("127.0.0.2")), static_cast<uint16_t>(speakerPorts.ServerUdpBase),
                     static_cast<uint16_t>(ports_.ServerUdpBase), 10);
    join(speaker);
    join(listener);
    QTRY_VERIFY_WITH_TIMEOUT(listener.role->TcUser.count() >= 2, 2000);
    const int32_t s = speaker.role->OwnIndex;

    QSignalSpy loss(listener.role.get(), &ClientRole::lossChanged);
    speaker.key(true);
    for (int i = 0; i < 31; ++i) speaker.block();
    speaker.key(false);
    for (int i = 0; i < 20; ++i) speaker.block(); // 31 + 19 = 50 voice datagrams
    QTRY_COMPARE_WITH_TIMEOUT(listener.role->TcUser.at(s)->Lost, 5, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(speaker.role->TcUser.at(s)->Lost, 5, 3000);
    QCOMPARE(relay.dropped, 5);
    QVERIFY(listener.view.userCaptions.value(s).contains(QLatin1String(" (5 PL)")));
    QVERIFY(speaker.view.userCaptions.value(s).contains(QLatin1String(" (5 PL)")));
}

QTEST_GUILESS_MAIN(TestVoiceRelay)
#include "tst_voice_relay.moc"
