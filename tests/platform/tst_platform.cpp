#include "platform/ProgramVersion.h"
#include "platform/SingleInstance.h"
#include "platform/TickCount.h"

#include <QTemporaryDir>
#include <QTest>

using namespace korvel;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void secondInstanceIsRefusedUntilTheFirstGoes() {
        QTemporaryDir dir;
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        auto first = std::make_unique<SingleInstance>(QStringLiteral("KorvelOneInstance"));
        QVERIFY(!first->alreadyRunning());
        {
            SingleInstance second(QStringLiteral("KorvelOneInstance"));
            QVERIFY(second.alreadyRunning());
        }
        first.reset();
        SingleInstance third(QStringLiteral("KorvelOneInstance"));
        QVERIFY(!third.alreadyRunning());
    }

    void versionComesFromTheBuild() {
        const ProgramVersion v = ReadProgramVersion();
        QCOMPARE(v.Major, 1);
        QCOMPARE(v.Text, QStringLiteral("1.%1").arg(v.Minor));
    }

    void tickCountAdvances() {
        const uint32_t a = TickCount();
        QTest::qWait(20);
        const uint32_t b = TickCount();
        QVERIFY(static_cast<int32_t>(b - a) >= 15);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
