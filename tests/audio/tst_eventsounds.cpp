// Where the join and leave sounds are found, and that the shipped ones are wave files.

#include "audio/EventSounds.h"

#include <QtTest>

using namespace korvel;

namespace {
class RecordingOutput : public IEventSoundOutput {
public:
    bool PlayFile(const QString& path) override {
        played << path;
        return true;
    }
    QStringList played;
};
} // namespace

class TestEventSounds : public QObject {
    Q_OBJECT
private slots:
    void shippedNextToProgram();
    void currentFolderSecond();
    void missingIsSilent();
};

void TestEventSounds::shippedNextToProgram() {
    const QString folder = QCoreApplication::applicationDirPath();
    for (const char* name : {kConnectSound, kDisconnectSound}) {
        QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
        QVERIFY2(file.open(QIODevice::ReadOnly), name);
        const QByteArray header = file.read(44);
        QCOMPARE(header.left(4), QByteArray("RIFF"));
        QCOMPARE(header.mid(8, 8), QByteArray("WAVEfmt "));
        QVERIFY(file.size() > 1000);
    }
    // Found from any current folder.
    QTemporaryDir elsewhere;
    const QString old = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    RecordingOutput out;
    EventSounds sounds(&out);
    sounds.PlayConnectSound();
    sounds.PlayDisconnectSound();
    QDir::setCurrent(old);
    QCOMPARE(out.played, QStringList({QDir(folder).filePath(QStringLiteral("connect.wav")),
                                      QDir(folder).filePath(QStringLiteral("disconnect.wav"))}));
}

void TestEventSounds::currentFolderSecond() {
    QTemporaryDir here;
    QFile f(QDir(here.path()).filePath(QStringLiteral("only-here.wav")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("RIFF");
    f.close();
    const QString old = QDir::currentPath();
    QDir::setCurrent(here.path());
    const QString found = LocateSound(QStringLiteral("only-here.wav"));
    QDir::setCurrent(old);
    QCOMPARE(QFileInfo(found).canonicalFilePath(), QFileInfo(f.fileName()).canonicalFilePath());
}

void TestEventSounds::missingIsSilent() {
    RecordingOutput out;
    QCOMPARE(LocateSound(QStringLiteral("no-such-sound.wav")), QString());
    EventSounds none(nullptr);
    none.PlayConnectSound(); // no output: nothing happens
    QVERIFY(out.played.isEmpty());
}

QTEST_GUILESS_MAIN(TestEventSounds)
#include "tst_eventsounds.moc"
