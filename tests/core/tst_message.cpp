#include "core/Framing.h"
#include "core/Message.h"
#include "core/Ports.h"
#include "core/Scramble.h"

#include <QTest>

using namespace korvel;

class TestMessage : public QObject {
    Q_OBJECT
private slots:
    void dropUserIsByteExact() {
        const QByteArray msg = MessageWriter(msgDropUser).Int(tagUser, 3).bytes();
        QCOMPARE(msg.toHex(' '), QByteArray("04 00 00 00 69 00 00 00 04 00 00 00 68 00 00 00 04 00 00 00 03 00 00 00"));
        QCOMPARE(frameMessage(msg).right(3), QByteArray("EOL"));
    }

    void codeOnlyMessageIsEightBytes() {
        const QByteArray msg = MessageWriter(msgPasswordRequired).bytes();
        QCOMPARE(msg.size(), 8);
        QCOMPARE(messageCode(msg), std::optional<int32_t>(msgPasswordRequired));
    }

    void readsEveryKindAndSkipsUnexpectedTags() {
        MessageWriter w(msgUserInfo);
        w.Text(999, QStringLiteral("0123456789")); // an unexpected 10-byte text: 14 bytes skipped
        w.Int(tagUser, 7).Byte(tagMuted, 1).Text(tagName, QString());
        MessageReader r(w.bytes());
        QCOMPARE(r.ReadInt(), msgUserInfo);
        QCOMPARE(r.ReadInt(), 999);
        const qsizetype before = r.position();
        r.SkipValue();
        QCOMPARE(r.position() - before, qsizetype(14));
        QCOMPARE(r.ReadInt(), tagUser);
        QCOMPARE(r.ReadInt(), 7);
        QCOMPARE(r.ReadInt(), tagMuted);
        QCOMPARE(r.ReadByte(), uint8_t(1));
        QCOMPARE(r.ReadInt(), tagName);
        QCOMPARE(r.ReadText(), QString()); // an empty text is a length of 0
        QVERIFY(r.atEnd());
        QVERIFY(r.ok());
    }

    void hostileLengthsNeverOverreach_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("text");
        // code, tag, then a text whose length claims 4 GiB but only 3 bytes follow
        QTest::newRow("huge length") << QByteArray::fromHex("0400000064000000" "0400000064000000" "ffffffff" "616263")
                                     << QByteArray("abc");
        QTest::newRow("length cut") << QByteArray::fromHex("0400000064000000" "0400000064000000" "0200") << QByteArray();
        QTest::newRow("no value") << QByteArray::fromHex("0400000064000000" "0400000064000000") << QByteArray();
    }
    void hostileLengthsNeverOverreach() {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, text);
        MessageReader r(message);
        r.ReadInt();
        r.ReadInt();
        QCOMPARE(r.ReadRawText(), text);
        QVERIFY(r.atEnd());
        r.SkipValue(); // reading on after the end changes nothing and does not crash
        QCOMPARE(r.ReadInt(), 0);
    }

    void numberCutShortKeepsWhatArrived() {
        MessageReader r(QByteArray::fromHex("04000000" "0700"));
        QCOMPARE(r.ReadInt(), 7);
        QVERIFY(r.atEnd());
    }

    void framingSplitsAndJoins() {
        FrameBuffer f;
        const QByteArray a = frameMessage(MessageWriter(msgTalkStart).Int(tagUser, 1).bytes());
        const QByteArray b = frameMessage(MessageWriter(msgTalkStop).Int(tagUser, 1).bytes());
        QCOMPARE(f.append(a + b).size(), 2); // two in one segment
        QList<QByteArray> got;
        for (char c : a) got += f.append(QByteArray(1, c)); // one over many segments
        QCOMPARE(got.size(), 1);
        QCOMPARE(messageCode(got[0]), std::optional<int32_t>(msgTalkStart));
        QVERIFY(f.pending().isEmpty());
    }

    void delimiterInsideATextCutsTheMessage() {
        FrameBuffer f;
        const QByteArray msg = MessageWriter(msgLogin).Text(tagName, QStringLiteral("xEOLy")).bytes();
        const QList<QByteArray> parts = f.append(frameMessage(msg));
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts[1], QByteArray("y"));
    }

    void pendingPastTheBoundOverflows() {
        FrameBuffer f;
        f.append(QByteArray(kMaxPending, 'x'));
        QVERIFY(!f.overflowed());
        f.append("x");
        QVERIFY(f.overflowed());
        QVERIFY(f.pending().isEmpty());
        QVERIFY(f.append(frameMessage("abc")).isEmpty());
    }

    void scrambleIsItsOwnInverse() {
        QCOMPARE(Scramble(QByteArray()), QByteArray());
        const QByteArray text("Secret pass, with comma");
        QVERIFY(Scramble(text) != text);
        QCOMPARE(Scramble(Scramble(text)), text);
        QCOMPARE(Scramble(QByteArray("ab")), Scramble(QByteArray("abc")).left(2)); // same keystream start
    }

    void scrambleKeystreamIsFixed() {
        // Scrambling zero bytes exposes the keystream; this pins the key set-up.
        QCOMPARE(Scramble(QByteArray(8, '\0')).toHex(), QByteArray("0f2e577de070d6ab"));
    }

    void switches_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("tcp");
        QTest::addColumn<int>("cudp");
        QTest::newRow("lower case name") << QStringList{"/ctcp=41000"} << 41000 << 40002;
        QTest::newRow("not a number") << QStringList{"/CTCP=41000", "/CTCP=abc"} << 40000 << 40002;
        QTest::newRow("bare switch") << QStringList{"/CTCP"} << 40000 << 40002;
        QTest::newRow("blanks around") << QStringList{"/CTCP= 41000 "} << 41000 << 40002;
        QTest::newRow("later wins") << QStringList{"/CUDP=1", "/CUDP=2"} << 40000 << 2;
        QTest::newRow("unknown ignored") << QStringList{"/XYZ=5", "--help"} << 40000 << 40002;
    }
    void switches() {
        QFETCH(QStringList, args);
        QFETCH(int, tcp);
        QFETCH(int, cudp);
        PortConfig p;
        p.TcpPort = 12345;
        ApplySwitches(p, args);
        if (args.filter(QStringLiteral("CTCP"), Qt::CaseInsensitive).isEmpty()) p.TcpPort = 40000;
        QCOMPARE(p.TcpPort, tcp);
        QCOMPARE(p.ClientUdpBase, cudp);
    }
};

QTEST_GUILESS_MAIN(TestMessage)
#include "tst_message.moc"
