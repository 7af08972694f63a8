// Settings persistence: the stored-list codec, the store's value rules, the options and main
// window values read back from the file itself, and window placement.
#include "forms/FormPlacement.h"
#include "forms/FormSettings.h"
#include "forms/MainStore.h"
#include "forms/OptionsStore.h"
#include "forms/ServerListText.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <memory>

using namespace korvel;
using namespace korvel::forms;

namespace {

const QChar ff(0xFF);

QString line(const QString& address, const QString& password) { return address + ff + password; }

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

    QString storeFile() const { return m_home->filePath(QStringLiteral("Nimbrel/Korvel.conf")); }
    QByteArray storeBytes() const {
        QFile f(storeFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // An independent reader of the file, so the tests see what really landed there.
    QVariant stored(const QString& group, const QString& key) const {
        QSettings s(storeFile(), QSettings::IniFormat);
        return s.value(group + u'/' + key);
    }
    QStringList storedKeys(const QString& group) const {
        QSettings s(storeFile(), QSettings::IniFormat);
        s.beginGroup(group);
        return s.allKeys();
    }

private slots:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_CONFIG_HOME", m_home->path().toLocal8Bit());
    }
    void cleanup() { m_home.reset(); }

    void storeFollowsConfigHome() {
        QCOMPARE(FormSettings::defaultFilePath(), storeFile());
        {
            FormSettings s(QLatin1String(FormSettings::kFMain));
            s.writeInt(QStringLiteral("gVoxMin"), -5);
        }
        QVERIFY(QFile::exists(storeFile()));
        QCOMPARE(stored("FMain", "gVoxMin").toInt(), -5);
    }

    void commaText_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty list") << QStringList{} << QString();
        QTest::newRow("one empty line") << QStringList{QString()} << QStringLiteral("\"\"");
        QTest::newRow("plain") << QStringList{"a", "b"} << QStringLiteral("a,b");
        QTest::newRow("blank quoted") << QStringList{"a b", "c"} << QStringLiteral("\"a b\",c");
        QTest::newRow("comma quoted") << QStringList{"a,b"} << QStringLiteral("\"a,b\"");
        QTest::newRow("quote doubled") << QStringList{"say \"hi\""} << QStringLiteral("\"say \"\"hi\"\"\"");
        QTest::newRow("control char") << QStringList{QStringLiteral("a\tb")} << QStringLiteral("\"a\tb\"");
        QTest::newRow("255 not quoted") << QStringList{line("host", "pw")} << line("host", "pw");
        QTest::newRow("empty middle") << QStringList{"a", "", "b"} << QStringLiteral("a,,b");
        QTest::newRow("empty last") << QStringList{"a", ""} << QStringLiteral("a,");
    }
    void commaText() {
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QCOMPARE(encodeCommaText(lines), text);
        QCOMPARE(decodeCommaText(text), lines);
    }

    void commaTextReading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("blank separates") << QStringLiteral("a b") << QStringList{"a", "b"};
        QTest::newRow("blanks around commas") << QStringLiteral("  a ,  b  ") << QStringList{"a", "b"};
        QTest::newRow("control separates") << QStringLiteral("a\nb") << QStringList{"a", "b"};
        QTest::newRow("unclosed quote") << QStringLiteral("\"a,b") << QStringList{"a,b"};
        QTest::newRow("quote then text") << QStringLiteral("\"a\"b") << QStringList{"a", "b"};
        QTest::newRow("trailing comma after blank") << QStringLiteral("a, ") << QStringList{"a"};
        QTest::newRow("only blanks") << QStringLiteral("   ") << QStringList{};
    }
    void commaTextReading() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(decodeCommaText(text), lines);
    }

    void serverList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QStringList>("passwords");
        QTest::newRow("two entries") << encodeCommaText({line("a.example", "x"), line("10.0.0.1", "")})
                                     << QStringList{"a.example", "10.0.0.1"} << QStringList{"x", ""};
        QTest::newRow("password with comma and blanks")
            << encodeCommaText({line("host", " p, w ")}) << QStringList{"host"} << QStringList{" p, w "};
        QTest::newRow("no 255: all password") << QStringLiteral("secret") << QStringList{""}
                                              << QStringList{"secret"};
        QTest::newRow("address holding 255") << encodeCommaText({QStringLiteral("ho") + ff + "st" + ff + "pw"})
                                             << QStringList{"ho"} << QStringList{QStringLiteral("st") + ff + "pw"};
        QTest::newRow("blank lines skipped") << QStringLiteral("\"  \",a%1b,\"\t\",,").arg(ff)
                                             << QStringList{"a"} << QStringList{"b"};
        QTest::newRow("empty") << QString() << QStringList{} << QStringList{};
    }
    void serverList() {
        QFETCH(QString, text);
        QFETCH(QStringList, addresses);
        QFETCH(QStringList, passwords);
        const QList<ServerEntry> entries = decodeServerList(text);
        QCOMPARE(entries.size(), addresses.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries[i].address, addresses[i]);
            QCOMPARE(entries[i].password, passwords[i]);
            QCOMPARE(entries[i].node, nullptr);
        }
    }

    void serverListBounded() {
        const QString huge = QString(QStringLiteral("a,")).repeated(kMaxServerLines + 100);
        QCOMPARE(decodeServerList(huge).size(), kMaxServerLines);
    }

    void mainValuesRoundTrip() {
        MainValues v;
        v.TItems = {{nullptr, QStringLiteral("game.example:40000"), QStringLiteral("a b,\"c\"")},
                    {nullptr, QString(), QStringLiteral("lonely")}};
        v.gVoxMin = -1234;
        v.gVoxMax = 4321;
        MainStore::save(v);
        QCOMPARE(stored("FMain", "gVoxMin").toInt(), -1234);
        QCOMPARE(stored("FMain", "gVoxMax").toInt(), 4321);
        QCOMPARE(stored("FMain", "TItems").toString(), encodeServerList(v.TItems));

        const MainValues back = MainStore::load();
        QCOMPARE(back.TItems.size(), 2);
        QCOMPARE(back.TItems[0].address, v.TItems[0].address);
        QCOMPARE(back.TItems[0].password, v.TItems[0].password);
        QCOMPARE(back.TItems[1].address, QString());
        QCOMPARE(back.TItems[1].password, QStringLiteral("lonely"));
        QCOMPARE(back.gVoxMin, -1234);
        QCOMPARE(back.gVoxMax, 4321);
    }

    void mainValuesStart() {
        // No "FMain" at all, and a stored 0: both start at the sentinels.
        MainValues fresh = MainStore::load();
        QVERIFY(fresh.TItems.isEmpty());
        QCOMPARE(fresh.gVoxMin, 32767);
        QCOMPARE(fresh.gVoxMax, -32767);

        MainValues zero;
        zero.gVoxMin = 0;
        zero.gVoxMax = 0;
        MainStore::save(zero);
        QCOMPARE(stored("FMain", "gVoxMin").toInt(), 0);
        const MainValues back = MainStore::load();
        QCOMPARE(back.gVoxMin, 32767);
        QCOMPARE(back.gVoxMax, -32767);
    }

    void badValuesAreSkipped() {
        {
            QSettings s(storeFile(), QSettings::IniFormat);
            s.setValue("FMain/gVoxMin", "not a number");
            s.setValue("FMain/TItems", QStringList{"a", "b"}); // wrong type
            s.setValue("FOptions/CSound/Checked", "maybe");
            s.setValue("FOptions/TVoxLevel/Position", 1000);
            s.setValue("FOptions/WVolume1/Value", -3);
            s.setValue("FOptions/EPassword/Text", "plain text is not a protected record");
            s.setValue("FOptions/DLastMsg/Date", "yesterday");
            s.setValue("FOptions/gKey1", 0x1234);
        }
        const MainValues m = MainStore::load();
        QCOMPARE(m.gVoxMin, 32767);
        QVERIFY(m.TItems.isEmpty());
        Options o;
        OptionsStore::load(o);
        QCOMPARE(o.CSound, true);
        QCOMPARE(o.TVoxLevel, 100);
        QCOMPARE(o.WVolume1, 1);
        QCOMPARE(o.EPassword, QString());
        QCOMPARE(o.DLastMsg, Options{}.DLastMsg);
        QCOMPARE(o.gKey1, 0x34);
    }

    void boundValueRemovedAtInitial() {
        Options o;
        o.CSound = false; // initial: on
        o.CServer = true; // initial: off
        o.EIdentity = QStringLiteral("Ghost");
        OptionsStore::save(o);
        QCOMPARE(stored("FOptions", "CSound/Checked").toBool(), false);
        QCOMPARE(stored("FOptions", "CServer/Checked").toBool(), true);
        QCOMPARE(stored("FOptions", "EIdentity/Text").toString(), QStringLiteral("Ghost"));
        QVERIFY(!storedKeys("FOptions").contains("CShowVersion/Checked"));

        o.CSound = true;
        o.EIdentity = QStringLiteral("Player");
        OptionsStore::save(o);
        const QStringList keys = storedKeys("FOptions");
        QVERIFY(!keys.contains("CSound/Checked"));
        QVERIFY(!keys.contains("EIdentity/Text"));
        QVERIFY(keys.contains("CServer/Checked"));
        QVERIFY(!storeBytes().contains("CSound"));
        QVERIFY(!storeBytes().contains("EIdentity"));
    }

    void namedValuesAlwaysWritten() {
        Options o;
        OptionsStore::save(o);
        const QStringList keys = storedKeys("FOptions");
        for (const char* name : {"gRecord", "gPlay", "gKey1", "gKey2", "gKey", "gShiftShift", "gShiftAlt",
                                 "gShiftCtrl", "gMouse"})
            QVERIFY2(keys.contains(QLatin1String(name)), name);
        // Nothing bound differs from its initial value, so nothing bound is stored.
        for (const QString& k : keys)
            QVERIFY2(!k.contains(u'/'), qPrintable(k));
    }

    void optionsRoundTrip() {
        Options o;
        o.EIdentity = QStringLiteral("Élan, the \"quiet\" one");
        o.RPTT = false;
        o.RVOX = true;
        o.EDIHotKey = QStringLiteral("LCONTROL F ");
        o.CServer = o.CMinimized = true;
        o.CSound = o.CShowVersion = false;
        o.CShowPacketLoss = true;
        o.TVoxLevel = 55;
        o.RDirectX = false;
        o.RWave = true;
        o.CDSWaveIn = o.CPCMConvert = true;
        o.CTweak1 = false;
        o.gRecord = 2;
        o.gPlay = 1;
        o.WVolume1 = 7;
        o.CSpeech = true;
        o.CSpeakConnect = false;
        o.CFemale = false;
        o.CMale2 = true;
        o.EPassword = QStringLiteral("hunter2");
        o.EAdminPassword = QStringLiteral("root pw");
        o.RCodec1 = false;
        o.RCodec3 = true;
        o.DLastMsg = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 8));
        o.gKey1 = 0x1D;
        o.gKey2 = 0x21;
        o.gKey = 0x70;
        o.gShiftState = OptionsStore::kAltBit | OptionsStore::kCtrlBit;
        o.gMouse = 3;
        OptionsStore::save(o);

        Options back;
        OptionsStore::load(back);
        QCOMPARE(back.EIdentity, o.EIdentity);
        QCOMPARE(back.RPTT, false);
        QCOMPARE(back.RVOX, true);
        QCOMPARE(back.EDIHotKey, o.EDIHotKey);
        QCOMPARE(back.CServer, true);
        QCOMPARE(back.CMinimized, true);
        QCOMPARE(back.CSound, false);
        QCOMPARE(back.CShowVersion, false);
        QCOMPARE(back.CShowPacketLoss, true);
        QCOMPARE(back.TVoxLevel, 55);
        QCOMPARE(back.RDirectX, false);
        QCOMPARE(back.RWave, true);
        QCOMPARE(back.CDSWaveIn, true);
        QCOMPARE(back.CPCMConvert, true);
        QCOMPARE(back.CTweak1, false);
        QCOMPARE(back.gRecord, 2);
        QCOMPARE(back.gPlay, 1);
        QCOMPARE(back.WVolume1, 7);
        QCOMPARE(back.CSpeech, true);
        QCOMPARE(back.CSpeakConnect, false);
        QCOMPARE(back.CFemale, false);
        QCOMPARE(back.CMale1, false);
        QCOMPARE(back.CMale2, true);
        QCOMPARE(back.EPassword, o.EPassword);
        QCOMPARE(back.EAdminPassword, o.EAdminPassword);
        QCOMPARE(back.codecLevel(), 3);
        QCOMPARE(back.RCodec1, false);
        QCOMPARE(back.DLastMsg, o.DLastMsg);
        QCOMPARE(back.gKey1, 0x1D);
        QCOMPARE(back.gKey2, 0x21);
        QCOMPARE(back.gKey, 0x70);
        QCOMPARE(back.gShiftState, OptionsStore::kAltBit | OptionsStore::kCtrlBit);
        QCOMPARE(back.gMouse, 3);
        QCOMPARE(stored("FOptions", "gShiftAlt").toBool(), true);
        QCOMPARE(stored("FOptions", "gShiftShift").toBool(), false);
    }

    void loadResetsUnstoredToInitial() {
        Options o;
        o.CServer = true;
        o.EDIHotKey = QStringLiteral("F");
        o.gKey1 = 0x21;
        OptionsStore::load(o); // nothing stored
        QCOMPARE(o.CServer, false);
        QCOMPARE(o.EDIHotKey, QString());
        QCOMPARE(o.gKey1, 0);
        QCOMPARE(o.gRecord, 0); // a named value never stored reads as 0
        QCOMPARE(o.RPTT, true);
        QCOMPARE(o.RCodec1, true);
    }

    void radioGroupWithoutChoice() {
        {
            QSettings s(storeFile(), QSettings::IniFormat);
            s.setValue("FOptions/RPTT/Checked", false);
            s.setValue("FOptions/RCodec1/Checked", false);
        }
        Options o;
        OptionsStore::load(o);
        QCOMPARE(o.RPTT, true);
        QCOMPARE(o.RVOX, false);
        QCOMPARE(o.codecLevel(), 1);
        QCOMPARE(o.RCodec1, true);
    }

    void passwordsNeverReadable() {
        Options o;
        o.EPassword = QStringLiteral("Sw0rdfish");
        o.EAdminPassword = QStringLiteral("AdminSecret");
        OptionsStore::save(o);
        const QByteArray file = storeBytes();
        QVERIFY(file.contains("EPassword"));
        for (const QByteArray& pw : {QByteArray("Sw0rdfish"), QByteArray("AdminSecret")}) {
            QVERIFY(!file.contains(pw));
            QVERIFY(!file.contains(pw.toBase64()));
            QVERIFY(!file.contains(pw.toHex()));
        }
        QCOMPARE(stored("FOptions", "EPassword/Text").typeId(), QMetaType::QByteArray);
        // A changed or cut record is refused, never half-read.
        QByteArray record = FormSettings::protect(QStringLiteral("Sw0rdfish"));
        QCOMPARE(FormSettings::unprotect(record), QStringLiteral("Sw0rdfish"));
        QVERIFY(FormSettings::protect(QStringLiteral("Sw0rdfish")) != record); // salted
        record[12] = char(record[12] ^ 1);
        QVERIFY(!FormSettings::unprotect(record));
        QVERIFY(!FormSettings::unprotect(record.left(10)));
        QCOMPARE(FormSettings::unprotect(FormSettings::protect(QString())), QString());
    }

    void fitToScreen_data() {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QString>("res");
        QTest::addColumn<QRect>("expected");
        const QString same = QStringLiteral("1024x768");
        QTest::newRow("inside") << QRect(100, 100, 300, 200) << same << QRect(100, 100, 300, 200);
        QTest::newRow("negative") << QRect(-50, -10, 300, 200) << same << QRect(0, 0, 300, 200);
        QTest::newRow("same res, past right edge") << QRect(1020, 760, 300, 200) << same
                                                   << QRect(1004, 748, 300, 200);
        QTest::newRow("other res, moved inside") << QRect(1500, 900, 300, 200) << QStringLiteral("1920x1080")
                                                 << QRect(724, 568, 300, 200);
        QTest::newRow("other res, larger than screen") << QRect(10, 10, 2000, 200) << QStringLiteral("x")
                                                       << QRect(0, 10, 2000, 200);
    }
    void fitToScreen() {
        QFETCH(QRect, stored);
        QFETCH(QString, res);
        QFETCH(QRect, expected);
        QCOMPARE(korvel::forms::fitToScreen(stored, res, QRect(0, 0, 1024, 768)), expected);
    }

    void placementPerWindow() {
        const ScreenSource screen = [] { return ScreenInfo{QRect(0, 0, 1024, 768)}; };
        QWidget w;
        w.resize(320, 240);
        w.move(40, 50);
        {
            FormSettings s(QLatin1String(FormSettings::kFOptions));
            savePlacement(s, w, PlacementSet::Position, false, screen);
            FormSettings m(QLatin1String(FormSettings::kFMain));
            savePlacement(m, w, PlacementSet::Sizable, true, screen);
            FormSettings c(QLatin1String(FormSettings::kFCommand));
            savePlacement(c, w, PlacementSet::Full, false, screen);
        }
        auto sorted = [](QStringList l) {
            l.sort();
            return l;
        };
        QCOMPARE(sorted(storedKeys("FOptions")), sorted({"Left", "Top", "ScreenRes"}));
        QCOMPARE(sorted(storedKeys("FMain")), sorted({"Left", "Top", "Width", "Height", "ScreenRes", "MRUList"}));
        QCOMPARE(sorted(storedKeys("FCommand")),
                 sorted({"Left", "Top", "Width", "Height", "MainForm", "State", "ScreenRes", "MRUList"}));
        QCOMPARE(stored("FMain", "ScreenRes").toString(), QStringLiteral("1024x768"));
        QCOMPARE(stored("FOptions", "Left").toInt(), 40);

        QWidget back;
        back.resize(100, 100);
        const FormSettings m(QLatin1String(FormSettings::kFMain));
        QVERIFY(restorePlacement(m, back, PlacementSet::Sizable, screen));
        QCOMPARE(back.pos(), QPoint(40, 50));
        QCOMPARE(back.size(), QSize(320, 240));
        QWidget dialog;
        dialog.resize(100, 100);
        const FormSettings o(QLatin1String(FormSettings::kFOptions));
        QVERIFY(restorePlacement(o, dialog, PlacementSet::Position, screen));
        QCOMPARE(dialog.size(), QSize(100, 100)); // a fixed dialog keeps its size
        const FormSettings none(QLatin1String(FormSettings::kFEdit));
        QVERIFY(!restorePlacement(none, dialog, PlacementSet::Position, screen));
    }

    void keeperSavesOncePerShowing() {
        const ScreenSource screen = [] { return ScreenInfo{QRect(0, 0, 1024, 768)}; };
        int extraSaves = 0;
        {
            QWidget w;
            w.resize(300, 200);
            PlacementKeeper keeper(w, QLatin1String(FormSettings::kFMain), PlacementSet::Sizable, true, screen);
            QVERIFY(!keeper.restored());
            keeper.setExtraSave([&](FormSettings& s) {
                ++extraSaves;
                MainStore::save(s, MainValues{{{nullptr, QStringLiteral("h"), QStringLiteral("p")}}, -1, 1});
            });
            w.show();
            w.move(30, 40);
            w.close(); // close, then hide: one save
            QCOMPARE(extraSaves, 1);
            QCOMPARE(stored("FMain", "Left").toInt(), 30);
            QCOMPARE(MainStore::load().TItems.size(), 1);
            w.show();
            w.hide();
            QCOMPARE(extraSaves, 2);
        }
        QWidget again;
        again.resize(10, 10);
        PlacementKeeper keeper(again, QLatin1String(FormSettings::kFMain), PlacementSet::Sizable, true, screen);
        QVERIFY(keeper.restored());
        QCOMPARE(again.pos(), QPoint(30, 40));
        QCOMPARE(again.size(), QSize(300, 200));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
