#include "forms/UOptions.h"

#include "forms/FormSettings.h"
#include "forms/OptionsStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDial>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvel::forms {

namespace {

// Design geometry: the page control and the two button pairs (the side pair lies to the right of
// the page control, outside the normal client area, and is what a compact window shows).
const QRect kPagesRect(8, 8, 360, 400);
const QRect kOkRect(208, 416, 75, 25);
const QRect kCancelRect(291, 416, 75, 25);
const QRect kSideOkRect(378, 30, 75, 25);
const QRect kSideCancelRect(378, 62, 75, 25);

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// A titled section with its explanation line on top.
QGroupBox* section(const QString& title, const QString& text, QVBoxLayout*& body) {
    auto* box = new QGroupBox(title);
    body = new QVBoxLayout(box);
    if (!text.isEmpty())
        body->addWidget(note(text));
    return box;
}

// Password boxes show "*" whatever the platform's mask is.
class StarMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

} // namespace

// The hotkey box: every key (Tab and shortcuts included) and every mouse press or move over it
// goes to the hotkey capture; nothing is typed into it.
class HotkeyBox : public QLineEdit {
public:
    explicit HotkeyBox(TFOptions& dialog) : m_dialog(dialog) {
        setMouseTracking(true);
        setAttribute(Qt::WA_InputMethodEnabled, false);
        setContextMenuPolicy(Qt::NoContextMenu);
    }

protected:
    bool event(QEvent* e) override {
        switch (e->type()) {
        case QEvent::ShortcutOverride:
            e->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
            m_dialog.hotkeyEvent(e);
            if (e->type() == QEvent::MouseButtonPress)
                setFocus(Qt::MouseFocusReason);
            e->accept();
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            e->accept();
            return true;
        default:
            return QLineEdit::event(e);
        }
    }

private:
    TFOptions& m_dialog;
};

TFOptions::TFOptions(Options& options, IOptionsServices& services, IOptionsActions& actions, QWidget* parent,
                     ScreenSource screen)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_options(options), m_services(services), m_actions(actions), m_screen(std::move(screen)) {
    setObjectName(QLatin1String(FormSettings::kFOptions));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(kDesignWidth, kDesignHeight);
    buildPages();
    connectModel();
    refreshControls();

    {
        const FormSettings store(QLatin1String(FormSettings::kFOptions));
        restorePlacement(store, *this, PlacementSet::Position, m_screen);
    }
    FillRecordDevices();
    FillPlayDevices();
    LoadOptions();
    SaveOptions();
    if (m_screen().geometry.height() <= kCompactScreenHeight)
        makeCompact();
}

void TFOptions::setHotkeyCapture(IHotkeyCapture* capture) { m_capture = capture ? capture : &m_nullCapture; }

void TFOptions::buildPages() {
    m_pages = named(new QTabWidget(this), "PageControl");
    m_pages->setGeometry(kPagesRect);
    // Six captions share the page control's width; keep the tabs narrow enough to show them all.
    m_pages->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 5px; }"));
    m_pages->addTab(buildGeneral(), QStringLiteral("General"));
    m_pages->addTab(buildPreferences(), QStringLiteral("Preferences"));
    m_pages->addTab(buildAudio(), QStringLiteral("Audio"));
    m_pages->addTab(buildVolume(), QStringLiteral("Volume"));
    m_pages->addTab(buildSpeech(), QStringLiteral("Speech"));
    m_pages->addTab(buildServer(), QStringLiteral("Server"));
    m_hiddenPage = buildHidden();
    m_pages->addTab(m_hiddenPage, QString());
    m_pages->setTabVisible(m_pages->indexOf(m_hiddenPage), false);

    auto button = [this](const char* name, const QString& caption, const QRect& rect) {
        auto* b = named(new QPushButton(caption, this), name);
        b->setGeometry(rect);
        b->setAutoDefault(false);
        return b;
    };
    m_ok = button("BOK", QStringLiteral("&OK"), kOkRect);
    m_cancel = button("BCancel", QStringLiteral("&Cancel"), kCancelRect);
    m_sideOk = button("BOK2", QStringLiteral("&OK"), kSideOkRect);
    m_sideCancel = button("BCancel2", QStringLiteral("&Cancel"), kSideCancelRect);
    for (QPushButton* b : {m_ok, m_sideOk})
        connect(b, &QPushButton::clicked, this, &TFOptions::accept);
    for (QPushButton* b : {m_cancel, m_sideCancel})
        connect(b, &QPushButton::clicked, this, &TFOptions::reject);
}

QWidget* TFOptions::buildGeneral() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* body = nullptr;

    layout->addWidget(section(QStringLiteral("Identity"),
                              QStringLiteral("Provide your unique user identity to be displayed to other users."), body));
    EIdentity = named(new QLineEdit, "EIdentity");
    body->addWidget(EIdentity);

    layout->addWidget(section(QStringLiteral("Transmit"), QString(), body));
    RPTT = named(new QRadioButton(QStringLiteral("Push To Talk")), "RPTT");
    RVOX = named(new QRadioButton(QStringLiteral("Voice Activated")), "RVOX");
    body->addWidget(RPTT);
    body->addWidget(RVOX);

    layout->addWidget(section(QStringLiteral("Hotkey"),
                              QStringLiteral("Specify the hotkey used with push to talk operation."), body));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Hotkey:")));
    EDIHotKey = named(new HotkeyBox(*this), "EDIHotKey");
    row->addWidget(EDIHotKey);
    body->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* TFOptions::buildPreferences() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    CServer = named(new QCheckBox(QStringLiteral("Always activate the server upon startup")), "CServer");
    CMinimized = named(new QCheckBox(QStringLiteral("Always minimize on startup")), "CMinimized");
    CSound = named(new QCheckBox(QStringLiteral("Play connect sounds")), "CSound");
    layout->addWidget(CServer);
    layout->addWidget(CMinimized);
    layout->addWidget(CSound);

    QVBoxLayout* body = nullptr;
    layout->addWidget(section(QStringLiteral("Users"), QString(), body));
    CShowVersion = named(new QCheckBox(QStringLiteral("Show version")), "CShowVersion");
    CShowPacketLoss = named(new QCheckBox(QStringLiteral("Show packet loss statistics")), "CShowPacketLoss");
    body->addWidget(CShowVersion);
    body->addWidget(CShowPacketLoss);

    layout->addWidget(section(QStringLiteral("Activation"),
                              QStringLiteral("Adjust the voice activation sensitivity level."), body));
    auto* row = new QHBoxLayout;
    TVoxLevel = named(new QSlider(Qt::Horizontal), "TVoxLevel");
    TVoxLevel->setRange(0, 100);
    TVoxLevel->setTickInterval(10);
    TVoxLevel->setTickPosition(QSlider::TicksBothSides);
    row->addWidget(TVoxLevel);
    row->addWidget(new QLabel(QStringLiteral("Less Sensitivity")));
    body->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* TFOptions::buildAudio() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* body = nullptr;
    layout->addWidget(section(QStringLiteral("DirectX"), QString(), body));
    RDirectX = named(new QRadioButton(QStringLiteral("DirectX")), "RDirectX");
    RWave = named(new QRadioButton(QStringLiteral("Wave")), "RWave");
    auto* row = new QHBoxLayout;
    row->addWidget(RDirectX);
    row->addWidget(RWave);
    body->addLayout(row);
    CDSWaveIn = named(new QCheckBox(QStringLiteral("Use DirectX for audio input")), "CDSWaveIn");
    CPCMConvert = named(new QCheckBox(QStringLiteral("Use PCM software conversion for audio output")), "CPCMConvert");
    CTweak1 = named(new QCheckBox(QStringLiteral("Use tweak for recording acceleration")), "CTweak1");
    body->addWidget(CDSWaveIn);
    body->addWidget(CPCMConvert);
    body->addWidget(CTweak1);

    layout->addWidget(section(QStringLiteral("Recording"), QStringLiteral("Specify the recording device."), body));
    CRecord = named(new QComboBox, "CRecord");
    body->addWidget(CRecord);
    layout->addWidget(section(QStringLiteral("Playback"), QStringLiteral("Specify the playback device."), body));
    CPlay = named(new QComboBox, "CPlay");
    body->addWidget(CPlay);
    layout->addStretch();
    return page;
}

QWidget* TFOptions::buildVolume() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* body = nullptr;
    layout->addWidget(section(QStringLiteral("Levels"), QStringLiteral("Adjust the volume of the speakers."), body));
    auto mixerBlock = [&](const char* name, const QString& title, bool meter) {
        auto* block = named(new QGroupBox(title), name);
        auto* row = new QHBoxLayout(block);
        row->addWidget(new QLabel(QStringLiteral("Volume:")));
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setRange(0, 100);
        row->addWidget(slider);
        if (meter) {
            auto* level = named(new QProgressBar, "PlayLevel");
            level->setRange(0, 100);
            level->setValue(0);
            level->setTextVisible(false);
            level->setMaximumWidth(60);
            row->addWidget(level);
        }
        body->addWidget(block);
        return slider;
    };
    m_micVolume = named(mixerBlock("MixerMicrophone", QStringLiteral("Microphone"), false), "MicrophoneVolume");
    m_speakerVolume = named(mixerBlock("MixerPlayControl", QStringLiteral("Play Control"), true), "PlayControlVolume");

    layout->addWidget(section(QStringLiteral("Microphone"),
                              QStringLiteral("Adjust the microphone audio recording volume by boosting the db. "), body));
    auto* row = new QHBoxLayout;
    WVolume1 = named(new QDial, "WVolume1");
    WVolume1->setRange(1, 8);
    WVolume1->setNotchesVisible(true);
    WVolume1->setWrapping(false);
    WVolume1->setFixedSize(56, 56);
    row->addWidget(WVolume1);
    row->addWidget(new QLabel(QStringLiteral("0-48 db")));
    row->addStretch();
    body->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* TFOptions::buildSpeech() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    CSpeech = named(new QCheckBox(QStringLiteral("Disable speech features")), "CSpeech");
    CSpeakConnect = named(new QCheckBox(QStringLiteral("Speak user's identity when they connect")), "CSpeakConnect");
    layout->addWidget(CSpeech);
    layout->addWidget(CSpeakConnect);
    QVBoxLayout* body = nullptr;
    // A label shows its text as is: one ampersand.
    layout->addWidget(section(QStringLiteral("Speech"),
                              QStringLiteral("Specify the computer generated voice for the command & control "
                                             "battlefield sequencer."),
                              body));
    CFemale = named(new QRadioButton(QStringLiteral("Female")), "CFemale");
    CMale1 = named(new QRadioButton(QStringLiteral("Male 1")), "CMale1");
    CMale2 = named(new QRadioButton(QStringLiteral("Male 2")), "CMale2");
    body->addWidget(CFemale);
    body->addWidget(CMale1);
    body->addWidget(CMale2);
    layout->addStretch();
    return page;
}

QWidget* TFOptions::buildServer() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* body = nullptr;
    auto* mask = new StarMaskStyle;
    mask->setParent(this);
    auto password = [&](const char* name) {
        auto* edit = named(new QLineEdit, name);
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyle(mask);
        return edit;
    };
    layout->addWidget(section(QStringLiteral("Password"),
                              QStringLiteral("Specify the password required to connect to this server."), body));
    EPassword = password("EPassword");
    body->addWidget(EPassword);
    body->addWidget(note(QStringLiteral("Specify the password required to access the administrative features.")));
    EAdminPassword = password("EAdminPassword");
    body->addWidget(EAdminPassword);

    layout->addWidget(section(QStringLiteral("Compress"),
                              QStringLiteral("Specify the server's compression level for voice communications."), body));
    RCodec1 = named(new QRadioButton(QStringLiteral("High Compression (4.8kbps)")), "RCodec1");
    RCodec2 = named(new QRadioButton(QStringLiteral("Medium Compression (8.5kbps)")), "RCodec2");
    RCodec3 = named(new QRadioButton(QStringLiteral("Medium Compression (13kbps)")), "RCodec3");
    body->addWidget(RCodec1);
    body->addWidget(RCodec2);
    body->addWidget(RCodec3);
    layout->addStretch();
    return page;
}

QWidget* TFOptions::buildHidden() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    DLastMsg = named(new QDateTimeEdit, "DLastMsg");
    DLastMsg->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    layout->addWidget(DLastMsg);
    layout->addStretch();
    return page;
}

void TFOptions::connectModel() {
    auto group = [this](std::initializer_list<QRadioButton*> buttons) {
        auto* g = new QButtonGroup(this);
        for (QRadioButton* b : buttons)
            g->addButton(b);
    };
    group({RPTT, RVOX});
    group({RDirectX, RWave});
    group({CFemale, CMale1, CMale2});
    group({RCodec1, RCodec2, RCodec3});

    Options& o = m_options;
    auto text = [this](QLineEdit* edit, QString Options::*member) {
        connect(edit, &QLineEdit::textChanged, this, [this, member](const QString& t) {
            if (!m_refreshing)
                m_options.*member = t;
        });
    };
    text(EIdentity, &Options::EIdentity);
    text(EPassword, &Options::EPassword);
    text(EAdminPassword, &Options::EAdminPassword);

    auto flag = [this](QAbstractButton* button, bool Options::*member) {
        connect(button, &QAbstractButton::toggled, this, [this, member](bool on) {
            if (!m_refreshing)
                m_options.*member = on;
        });
    };
    flag(RPTT, &Options::RPTT);
    flag(RVOX, &Options::RVOX);
    flag(CServer, &Options::CServer);
    flag(CMinimized, &Options::CMinimized);
    flag(CSound, &Options::CSound);
    flag(CShowVersion, &Options::CShowVersion);
    flag(CShowPacketLoss, &Options::CShowPacketLoss);
    flag(RDirectX, &Options::RDirectX);
    flag(RWave, &Options::RWave);
    flag(CDSWaveIn, &Options::CDSWaveIn);
    flag(CPCMConvert, &Options::CPCMConvert);
    flag(CTweak1, &Options::CTweak1);
    flag(CSpeech, &Options::CSpeech);
    flag(CSpeakConnect, &Options::CSpeakConnect);
    flag(CFemale, &Options::CFemale);
    flag(CMale1, &Options::CMale1);
    flag(CMale2, &Options::CMale2);
    flag(RCodec1, &Options::RCodec1);
    flag(RCodec2, &Options::RCodec2);
    flag(RCodec3, &Options::RCodec3);

    connect(TVoxLevel, &QSlider::valueChanged, this, [this](int v) {
        if (!m_refreshing)
            m_options.TVoxLevel = v;
    });
    connect(WVolume1, &QDial::valueChanged, this, [this](int v) {
        if (m_refreshing)
            return;
        m_options.WVolume1 = v;
        m_services.ApplyMicrophoneBoost(v);
    });
    connect(CRecord, &QComboBox::currentIndexChanged, this, [&o](int i) { o.gRecord = i; });
    connect(CPlay, &QComboBox::currentIndexChanged, this, [&o](int i) { o.gPlay = i; });
    connect(DLastMsg, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& t) {
        if (!m_refreshing)
            m_options.DLastMsg = t;
    });

    connect(RDirectX, &QRadioButton::clicked, this, [this] { backEndClicked(false); });
    connect(RWave, &QRadioButton::clicked, this, [this] { backEndClicked(true); });
    for (QRadioButton* voice : {CFemale, CMale1, CMale2})
        connect(voice, &QRadioButton::clicked, this, [this] { m_voiceChanged = true; });

    connect(m_micVolume, &QSlider::valueChanged, this, [this](int v) {
        if (!m_refreshing)
            m_services.SetMixerVolume(IOptionsServices::MixerLine::Microphone, v);
    });
    connect(m_speakerVolume, &QSlider::valueChanged, this, [this](int v) {
        if (!m_refreshing)
            m_services.SetMixerVolume(IOptionsServices::MixerLine::Speakers, v);
    });
}

void TFOptions::refreshControls() {
    const Options& o = m_options;
    m_refreshing = true;
    EIdentity->setText(o.EIdentity);
    RPTT->setChecked(o.RPTT);
    RVOX->setChecked(o.RVOX);
    EDIHotKey->setText(o.EDIHotKey);
    CServer->setChecked(o.CServer);
    CMinimized->setChecked(o.CMinimized);
    CSound->setChecked(o.CSound);
    CShowVersion->setChecked(o.CShowVersion);
    CShowPacketLoss->setChecked(o.CShowPacketLoss);
    TVoxLevel->setValue(o.TVoxLevel);
    RDirectX->setChecked(o.RDirectX);
    RWave->setChecked(o.RWave);
    CDSWaveIn->setChecked(o.CDSWaveIn);
    CPCMConvert->setChecked(o.CPCMConvert);
    CTweak1->setChecked(o.CTweak1);
    WVolume1->setValue(o.WVolume1);
    CSpeech->setChecked(o.CSpeech);
    CSpeakConnect->setChecked(o.CSpeakConnect);
    CFemale->setChecked(o.CFemale);
    CMale1->setChecked(o.CMale1);
    CMale2->setChecked(o.CMale2);
    EPassword->setText(o.EPassword);
    EAdminPassword->setText(o.EAdminPassword);
    RCodec1->setChecked(o.RCodec1);
    RCodec2->setChecked(o.RCodec2);
    RCodec3->setChecked(o.RCodec3);
    DLastMsg->setDateTime(o.DLastMsg);
    m_refreshing = false;
    // The model holds what the lists really show: an index past the list selects nothing.
    const int32_t record = o.gRecord;
    const int32_t play = o.gPlay;
    CRecord->setCurrentIndex(record >= 0 && record < CRecord->count() ? record : -1);
    CPlay->setCurrentIndex(play >= 0 && play < CPlay->count() ? play : -1);
    m_options.gRecord = CRecord->currentIndex();
    m_options.gPlay = CPlay->currentIndex();
}

void TFOptions::LoadOptions() {
    OptionsStore::load(m_options);
    refreshControls();
}

void TFOptions::SaveOptions() {
    m_options.gRecord = CRecord->currentIndex();
    m_options.gPlay = CPlay->currentIndex();
    FormSettings store(QLatin1String(FormSettings::kFOptions));
    OptionsStore::save(store, m_options);
    savePlacement(store, *this, PlacementSet::Position, false, m_screen);
    store.sync();
}

void TFOptions::FillRecordDevices() {
    CRecord->clear();
    CRecord->addItems(m_services.RecordDevices());
    CRecord->setCurrentIndex(-1); // a combo box picks its first item by itself
    selectDefaultRecordDevice();
}

void TFOptions::FillPlayDevices() {
    CPlay->clear();
    CPlay->addItems(m_services.PlayDevices(RDirectX->isChecked()));
    CPlay->setCurrentIndex(-1);
    selectDefaultPlayDevice();
}

void TFOptions::selectDefaultRecordDevice() {
    if (CRecord->currentIndex() >= 0 || CRecord->count() == 0)
        return;
    auto firstContaining = [this](QLatin1String word) {
        for (int i = 0; i < CRecord->count(); ++i)
            if (CRecord->itemText(i).toUpper().contains(word))
                return i;
        return -1;
    };
    int pick = RDirectX->isChecked() ? firstContaining(QLatin1String("DIRECT")) : -1;
    if (pick < 0)
        pick = firstContaining(QLatin1String("WAVE IN"));
    CRecord->setCurrentIndex(pick < 0 ? 0 : pick);
}

void TFOptions::selectDefaultPlayDevice() {
    if (CPlay->currentIndex() < 0 && CPlay->count() > 0)
        CPlay->setCurrentIndex(0);
}

void TFOptions::backEndClicked(bool wave) {
    CDSWaveIn->setEnabled(!wave);
    FillRecordDevices();
    FillPlayDevices();
}

void TFOptions::makeCompact() {
    m_compact = true;
    setFixedSize(kSideOkRect.right() + 1 + 10, kPagesRect.bottom() + 1 + 20);
}

void TFOptions::hotkeyEvent(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        m_capture->KeyDown(key, m_options);
        if (!key.text().isEmpty())
            m_capture->KeyPress(key, m_options);
    } else {
        m_capture->MouseOverBox(m_options);
    }
    m_refreshing = true;
    EDIHotKey->setText(m_options.EDIHotKey);
    m_refreshing = false;
}

void TFOptions::showEvent(QShowEvent* event) {
    if (parentWidget())
        setFont(parentWidget()->font());
    m_pages->setTabVisible(m_pages->indexOf(m_hiddenPage), false);
    m_pages->setCurrentIndex(0);
    RCodec1->setEnabled(m_services.CodecAvailable(1));
    RCodec2->setEnabled(m_services.CodecAvailable(2));
    RCodec3->setEnabled(m_services.CodecAvailable(3));
    m_voiceChanged = false;
    const bool mixer = m_services.ActivateMixer();
    m_refreshing = true;
    for (auto [slider, line] : {std::pair{m_micVolume, IOptionsServices::MixerLine::Microphone},
                                std::pair{m_speakerVolume, IOptionsServices::MixerLine::Speakers}}) {
        const std::optional<int> v = mixer ? m_services.MixerVolume(line) : std::nullopt;
        slider->setEnabled(v.has_value());
        slider->setValue(v.value_or(0));
    }
    m_refreshing = false;
    CDSWaveIn->setEnabled(!RWave->isChecked());
    QDialog::showEvent(event);
}

void TFOptions::hideEvent(QHideEvent* event) {
    m_services.DeactivateMixer();
    QDialog::hideEvent(event);
}

void TFOptions::accept() {
    SaveOptions();
    m_actions.ApplyTransmitMode();
    if (m_voiceChanged)
        m_actions.ApplyVoice();
    m_actions.ActivateSpeech();
    QDialog::accept();
}

void TFOptions::reject() {
    LoadOptions();
    QDialog::reject();
}

} // namespace korvel::forms
