// The Options dialog over a real store in a private XDG_CONFIG_HOME, with recording stand-ins
// for the audio path, the actions OK applies and the hotkey capture.
#include "forms/FormSettings.h"
#include "forms/OptionsStore.h"
#include "forms/UOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDial>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace korvel;
using namespace korvel::forms;

namespace {

struct FakeServices : IOptionsServices {
    QStringList record{"Line In", "USB Wave In Mic", "DirectSound Capture"};
    QStringList directPlay{"Primary Sound Driver", "Headset"};
    QStringList wavePlay{"Wave Out Speakers"};
    QList<int32_t> codecs{1, 2, 3};
    QList<int32_t> boosts;
    int mixerOn = 0;
    int mixerOff = 0;
    QList<int> speakerVolumes;

    QStringList RecordDevices() override { return record; }
    QStringList PlayDevices(bool directX) override { return directX ? directPlay : wavePlay; }
    bool CodecAvailable(int32_t level) override { return codecs.contains(level); }
    void ApplyMicrophoneBoost(int32_t boost) override { boosts.append(boost); }
    bool ActivateMixer() override { return ++mixerOn > 0; }
    void DeactivateMixer() override { ++mixerOff; }
    std::optional<int> MixerVolume(MixerLine line) override {
        return line == MixerLine::Speakers ? std::optional<int>(70) : std::nullopt;
    }
    void SetMixerVolume(MixerLine line, int v) override {
        if (line == MixerLine::Speakers)
            speakerVolumes.append(v);
    }
};

struct FakeActions : IOptionsActions {
    QStringList calls;
    void ApplyTransmitMode() override { calls << "ApplyTransmitMode"; }
    void ApplyVoice() override { calls << "ApplyVoice"; }
    void ActivateSpeech() override { calls << "ActivateSpeech"; }
};

// Records a key as its name and scan code, the way the real capture will.
struct FakeCapture : IHotkeyCapture {
    QList<int> keys;
    int mouse = 0;
    void KeyDown(const QKeyEvent& e, Options& o) override {
        keys.append(e.key());
        o.gKey1 = e.key() == Qt::Key_Tab ? 0x0F : 0x21;
        o.gKey2 = 0;
        o.gMouse = 0;
        o.EDIHotKey = e.key() == Qt::Key_Tab ? QStringLiteral("TAB ") : QStringLiteral("F ");
    }
    void KeyPress(const QKeyEvent&, Options&) override {}
    void MouseOverBox(Options& o) override {
        ++mouse;
        o.gMouse = 1;
        o.EDIHotKey = QStringLiteral("MOUSE1");
    }
};

ScreenSource screenOf(int w, int h) {
    return [w, h] { return ScreenInfo{QRect(0, 0, w, h)}; };
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    Options m_model;
    FakeServices m_services;
    FakeActions m_actions;
    FakeCapture m_capture;

    std::unique_ptr<TFOptions> makeDialog(ScreenSource screen = screenOf(1280, 1024)) {
        auto d = std::make_unique<TFOptions>(m_model, m_services, m_actions, nullptr, std::move(screen));
        d->setHotkeyCapture(&m_capture);
        return d;
    }
    template <class W> static W* child(TFOptions& d, const char* name) {
        W* w = d.findChild<W*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QVariant stored(const QString& key) const {
        QSettings s(FormSettings::defaultFilePath(), QSettings::IniFormat);
        return s.value(QStringLiteral("FOptions/") + key);
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_CONFIG_HOME", m_home->path().toLocal8Bit());
        m_model = Options{};
        m_services = FakeServices{};
        m_actions = FakeActions{};
        m_capture = FakeCapture{};
    }
    void cleanup() { m_home.reset(); }

    void controlsAsDesigned() {
        auto d = makeDialog();
        QCOMPARE(d->windowTitle(), QStringLiteral("Options"));
        QCOMPARE(d->size(), QSize(376, 449));
        QVERIFY(!d->isCompact());
        auto* pages = child<QTabWidget>(*d, "PageControl");
        QCOMPARE(pages->count(), 7);
        const QStringList captions{"General", "Preferences", "Audio", "Volume", "Speech", "Server", ""};
        for (int i = 0; i < pages->count(); ++i)
            QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(child<QLineEdit>(*d, "EIdentity")->text(), QStringLiteral("Player"));
        QVERIFY(child<QRadioButton>(*d, "RPTT")->isChecked());
        QCOMPARE(child<QRadioButton>(*d, "RVOX")->text(), QStringLiteral("Voice Activated"));
        QVERIFY(child<QCheckBox>(*d, "CSound")->isChecked());
        QVERIFY(child<QCheckBox>(*d, "CShowVersion")->isChecked());
        QVERIFY(!child<QCheckBox>(*d, "CShowPacketLoss")->isChecked());
        QCOMPARE(child<QCheckBox>(*d, "CServer")->text(), QStringLiteral("Always activate the server upon startup"));
        auto* vox = child<QSlider>(*d, "TVoxLevel");
        QCOMPARE(vox->minimum(), 0);
        QCOMPARE(vox->maximum(), 100);
        QCOMPARE(vox->value(), 10);
        QCOMPARE(vox->tickInterval(), 10);
        QVERIFY(child<QRadioButton>(*d, "RDirectX")->isChecked());
        QVERIFY(child<QCheckBox>(*d, "CTweak1")->isChecked());
        auto* wheel = child<QDial>(*d, "WVolume1");
        QCOMPARE(wheel->minimum(), 1);
        QCOMPARE(wheel->maximum(), 8);
        QCOMPARE(wheel->value(), 1);
        QVERIFY(child<QRadioButton>(*d, "CFemale")->isChecked());
        QVERIFY(child<QCheckBox>(*d, "CSpeakConnect")->isChecked());
        QCOMPARE(child<QLineEdit>(*d, "EPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(child<QLineEdit>(*d, "EAdminPassword")->echoMode(), QLineEdit::Password);
        QVERIFY(child<QRadioButton>(*d, "RCodec1")->isChecked());
        QCOMPARE(child<QRadioButton>(*d, "RCodec3")->text(), QStringLiteral("Medium Compression (13kbps)"));
        QCOMPARE(child<QDateTimeEdit>(*d, "DLastMsg")->dateTime(), QDateTime(QDate(1980, 1, 1), QTime(12, 0)));
        for (const char* name : {"EDIHotKey", "CMinimized", "RWave", "CDSWaveIn", "CPCMConvert", "CRecord", "CPlay",
                                 "CSpeech", "CMale1", "CMale2", "RCodec2"})
            QVERIFY2(d->findChild<QWidget*>(QLatin1String(name)), name);

        // Creation fills the lists, picks the defaults, and saves at once.
        QCOMPARE(child<QComboBox>(*d, "CPlay")->count(), 2);
        QCOMPARE(stored("gRecord").toInt(), 0); // loaded as "never stored" = 0 after the default pick
        QVERIFY(stored("gMouse").isValid());

        d->show();
        QVERIFY(!pages->isTabVisible(6));
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(m_services.mixerOn, 1);
        d->hide();
        QCOMPARE(m_services.mixerOff, 1);
    }

    void okSavesAndApplies_data() {
        QTest::addColumn<QString>("ok");
        QTest::newRow("bottom OK") << "BOK";
        QTest::newRow("side OK") << "BOK2";
    }
    void okSavesAndApplies() {
        QFETCH(QString, ok);
        auto d = makeDialog();
        d->show();
        auto* identity = child<QLineEdit>(*d, "EIdentity");
        identity->clear();
        QTest::keyClicks(identity, QStringLiteral("Ace"));
        QCOMPARE(m_model.EIdentity, QStringLiteral("Ace")); // live in the model
        child<QCheckBox>(*d, "CServer")->click();
        QVERIFY(m_model.CServer);
        child<QRadioButton>(*d, "RVOX")->click();
        QVERIFY(!m_model.RPTT);
        child<QLineEdit>(*d, "EPassword")->setText(QStringLiteral("s3cret"));
        QVERIFY(!stored("CServer/Checked").isValid());

        d->findChild<QPushButton*>(ok)->click();
        QVERIFY(!d->isVisible());
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(stored("EIdentity/Text").toString(), QStringLiteral("Ace"));
        QCOMPARE(stored("CServer/Checked").toBool(), true);
        QCOMPARE(stored("RVOX/Checked").toBool(), true);
        QCOMPARE(stored("RPTT/Checked").toBool(), false);
        QVERIFY(stored("Left").isValid());
        QCOMPARE(m_actions.calls, (QStringList{"ApplyTransmitMode", "ActivateSpeech"}));

        Options back;
        OptionsStore::load(back);
        QCOMPARE(back.EPassword, QStringLiteral("s3cret"));
    }

    void cancelRestores_data() {
        QTest::addColumn<QString>("cancel");
        QTest::newRow("bottom Cancel") << "BCancel";
        QTest::newRow("side Cancel") << "BCancel2";
        QTest::newRow("Escape") << "";
    }
    void cancelRestores() {
        QFETCH(QString, cancel);
        auto d = makeDialog();
        d->show();
        auto* hotkey = child<QLineEdit>(*d, "EDIHotKey");
        // Record F and confirm it.
        QTest::keyClick(hotkey, Qt::Key_F);
        QCOMPARE(hotkey->text(), QStringLiteral("F "));
        child<QPushButton>(*d, "BOK")->click();
        QCOMPARE(stored("EDIHotKey/Text").toString(), QStringLiteral("F "));
        QCOMPARE(stored("gKey1").toInt(), 0x21);

        // Change the hotkey and more, then cancel.
        d->show();
        QTest::mouseClick(hotkey, Qt::LeftButton);
        QCOMPARE(hotkey->text(), QStringLiteral("MOUSE1"));
        QCOMPARE(m_model.gMouse, 1);
        child<QCheckBox>(*d, "CSound")->click();
        QVERIFY(!m_model.CSound);
        child<QSlider>(*d, "TVoxLevel")->setValue(77);
        QCOMPARE(m_model.TVoxLevel, 77);
        m_actions.calls.clear();
        if (cancel.isEmpty())
            QTest::keyClick(child<QLineEdit>(*d, "EIdentity"), Qt::Key_Escape);
        else
            d->findChild<QPushButton*>(cancel)->click();
        QVERIFY(!d->isVisible());
        QCOMPARE(hotkey->text(), QStringLiteral("F "));
        QCOMPARE(m_model.EDIHotKey, QStringLiteral("F "));
        QCOMPARE(m_model.gKey1, 0x21);
        QCOMPARE(m_model.gMouse, 0);
        QVERIFY(m_model.CSound);
        QVERIFY(child<QCheckBox>(*d, "CSound")->isChecked());
        QCOMPARE(child<QSlider>(*d, "TVoxLevel")->value(), 10);
        QCOMPARE(m_model.TVoxLevel, 10);
        QVERIFY(m_actions.calls.isEmpty());
    }

    void tabGoesToHotkeyCapture() {
        auto d = makeDialog();
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        auto* hotkey = child<QLineEdit>(*d, "EDIHotKey");
        hotkey->setFocus();
        QTRY_VERIFY(hotkey->hasFocus());
        QTest::keyClick(hotkey, Qt::Key_Tab);
        QVERIFY(hotkey->hasFocus());
        QCOMPARE(m_capture.keys, QList<int>{Qt::Key_Tab});
        QCOMPARE(hotkey->text(), QStringLiteral("TAB "));
        QCOMPARE(m_model.gKey1, 0x0F);
        // The box keeps every key, Escape too: the dialog stays open.
        QTest::keyClick(hotkey, Qt::Key_Escape);
        QVERIFY(d->isVisible());
        QCOMPARE(m_capture.keys.size(), 2);
        // Elsewhere Tab moves on as usual.
        auto* identity = child<QLineEdit>(*d, "EIdentity");
        identity->setFocus();
        QTRY_VERIFY(identity->hasFocus());
        QTest::keyClick(identity, Qt::Key_Tab);
        QVERIFY(!identity->hasFocus());
        QCOMPARE(m_capture.keys.size(), 2);
    }

    void missingCodecDisabledButStillSelected() {
        {
            Options o;
            o.RCodec1 = false;
            o.RCodec3 = true;
            OptionsStore::save(o);
        }
        m_services.codecs = {1, 2};
        auto d = makeDialog();
        d->show();
        auto* codec3 = child<QRadioButton>(*d, "RCodec3");
        QVERIFY(!codec3->isEnabled());
        QVERIFY(codec3->isChecked());
        QVERIFY(child<QRadioButton>(*d, "RCodec1")->isEnabled());
        QVERIFY(child<QRadioButton>(*d, "RCodec2")->isEnabled());
        QCOMPARE(m_model.codecLevel(), 3);
        child<QPushButton>(*d, "BOK")->click();
        QCOMPARE(stored("RCodec3/Checked").toBool(), true);
    }

    void compactOnSmallScreen_data() {
        QTest::addColumn<int>("screenHeight");
        QTest::addColumn<bool>("compact");
        QTest::newRow("640x480") << 480 << true;
        QTest::newRow("800x600") << 600 << false;
    }
    void compactOnSmallScreen() {
        QFETCH(int, screenHeight);
        QFETCH(bool, compact);
        auto d = makeDialog(screenOf(screenHeight == 480 ? 640 : 800, screenHeight));
        QCOMPARE(d->isCompact(), compact);
        auto* pages = child<QTabWidget>(*d, "PageControl");
        auto* sideOk = child<QPushButton>(*d, "BOK2");
        auto* sideCancel = child<QPushButton>(*d, "BCancel2");
        auto* ok = child<QPushButton>(*d, "BOK");
        d->show();
        if (compact) {
            QCOMPARE(d->width(), sideOk->geometry().right() + 1 + 10);
            QCOMPARE(d->height(), pages->geometry().bottom() + 1 + 20);
            QVERIFY(d->height() <= screenHeight);
            QVERIFY(d->rect().contains(sideOk->geometry()));
            QVERIFY(d->rect().contains(sideCancel->geometry()));
            QVERIFY(!d->rect().contains(ok->geometry()));
            // The side buttons work.
            child<QCheckBox>(*d, "CMinimized")->click();
            QTest::mouseClick(sideOk, Qt::LeftButton);
            QVERIFY(!d->isVisible());
            QCOMPARE(stored("CMinimized/Checked").toBool(), true);
        } else {
            QCOMPARE(d->size(), QSize(376, 449));
            QVERIFY(d->rect().contains(ok->geometry()));
            QVERIFY(sideOk->geometry().left() >= d->width());
        }
    }

    void voiceChoice_data() {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QString>("storedVoice");
        QTest::newRow("other voice, Cancel") << "CMale1" << false << false << "CFemale";
        QTest::newRow("other voice, OK") << "CMale2" << true << true << "CMale2";
        QTest::newRow("same voice, OK") << "CFemale" << true << true << "CFemale";
    }
    void voiceChoice() {
        QFETCH(QString, voice);
        QFETCH(bool, confirm);
        QFETCH(bool, applied);
        QFETCH(QString, storedVoice);
        auto d = makeDialog();
        d->show();
        d->findChild<QRadioButton*>(voice)->click();
        QVERIFY(d->VoiceChanged());
        child<QPushButton>(*d, confirm ? "BOK" : "BCancel")->click();
        QCOMPARE(m_actions.calls.contains("ApplyVoice"), applied);
        if (applied) // the voice before speech is activated again
            QCOMPARE(m_actions.calls, (QStringList{"ApplyTransmitMode", "ApplyVoice", "ActivateSpeech"}));
        QVERIFY(d->findChild<QRadioButton*>(storedVoice)->isChecked());
        QCOMPARE(m_model.CFemale, storedVoice == "CFemale");
        QCOMPARE(m_model.CMale2, storedVoice == "CMale2");
        // Showing again forgets the click.
        d->show();
        QVERIFY(!d->VoiceChanged());
        m_actions.calls.clear();
        child<QPushButton>(*d, "BOK")->click();
        QVERIFY(!m_actions.calls.contains("ApplyVoice"));
    }

    void backEndRefillsDevices() {
        auto d = makeDialog();
        auto* record = child<QComboBox>(*d, "CRecord");
        auto* play = child<QComboBox>(*d, "CPlay");
        auto* dsWaveIn = child<QCheckBox>(*d, "CDSWaveIn");
        d->show();
        QVERIFY(dsWaveIn->isEnabled());
        record->setCurrentIndex(1);
        QCOMPARE(m_model.gRecord, 1);
        child<QRadioButton>(*d, "RWave")->click();
        QVERIFY(!dsWaveIn->isEnabled());
        QCOMPARE(play->count(), 1);
        QCOMPARE(play->currentText(), QStringLiteral("Wave Out Speakers"));
        QCOMPARE(record->currentIndex(), 1); // "WAVE IN" when not DirectX
        child<QRadioButton>(*d, "RDirectX")->click();
        QVERIFY(dsWaveIn->isEnabled());
        QCOMPARE(record->currentIndex(), 2); // "DIRECT" first under DirectX
        QCOMPARE(m_model.gRecord, 2);
        QCOMPARE(play->count(), 2);
        QCOMPARE(m_model.gPlay, 0);
        child<QPushButton>(*d, "BOK")->click();
        QCOMPARE(stored("gRecord").toInt(), 2);
        // Showing with "Wave" stored keeps the capture box disabled.
        child<QRadioButton>(*d, "RWave")->click();
        child<QPushButton>(*d, "BOK")->click();
        d->show();
        QVERIFY(!dsWaveIn->isEnabled());
    }

    void storedDeviceBeyondListSelectsNothing() {
        {
            Options o;
            o.gRecord = 7;
            o.gPlay = 1;
            OptionsStore::save(o);
        }
        auto d = makeDialog();
        QCOMPARE(child<QComboBox>(*d, "CRecord")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(*d, "CPlay")->currentIndex(), 1);
        QCOMPARE(m_model.gRecord, -1);
        QCOMPARE(m_model.gPlay, 1);
    }

    void boostAndMixerActAtOnce() {
        auto d = makeDialog();
        d->show();
        child<QDial>(*d, "WVolume1")->setValue(5);
        QCOMPARE(m_services.boosts, QList<int32_t>{5});
        QCOMPARE(m_model.WVolume1, 5);
        auto* speakers = child<QSlider>(*d, "PlayControlVolume");
        QVERIFY(speakers->isEnabled());
        QCOMPARE(speakers->value(), 70);
        QVERIFY(!child<QSlider>(*d, "MicrophoneVolume")->isEnabled());
        speakers->setValue(40);
        QCOMPARE(m_services.speakerVolumes, QList<int>{40});
        // Cancel undoes the stored boost, not what already reached the capture chain.
        child<QPushButton>(*d, "BCancel")->click();
        QCOMPARE(m_model.WVolume1, 1);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
