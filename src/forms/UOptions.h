#pragma once
// The Options dialog: a view over the options model. Every edit goes to the model at once (the
// rest of the program sees it); OK saves it and applies what needs an action, Cancel reads the
// stored options back. Created once at start-up and shown modally from the main window.

#include "core/Options.h"
#include "forms/FormPlacement.h"
#include "forms/OptionsServices.h"

#include <QDialog>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDial;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace korvel::forms {

class TFOptions : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 376;
    static constexpr int kDesignHeight = 449;
    // Screens this high or lower get the compact window with the side buttons.
    static constexpr int kCompactScreenHeight = 480;

    // Fills the device lists, loads and saves the options, restores the window's place and
    // makes the window compact on a small screen. The references must outlive the dialog.
    TFOptions(Options& options, IOptionsServices& services, IOptionsActions& actions,
              QWidget* parent = nullptr, ScreenSource screen = primaryScreen);

    // The hotkey box's events go here; null restores the one that ignores them.
    void setHotkeyCapture(IHotkeyCapture* capture);

    void LoadOptions();
    void SaveOptions();
    void FillRecordDevices();
    void FillPlayDevices();

    bool VoiceChanged() const { return m_voiceChanged; }
    bool isCompact() const { return m_compact; }
    Options& options() { return m_options; }

    // Puts the model's values into the controls (after the model changed behind the dialog).
    void refreshControls();

public slots:
    void accept() override; // either OK
    void reject() override; // either Cancel, Esc, the close button

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class HotkeyBox;
    void buildPages();
    QWidget* buildGeneral();
    QWidget* buildPreferences();
    QWidget* buildAudio();
    QWidget* buildVolume();
    QWidget* buildSpeech();
    QWidget* buildServer();
    QWidget* buildHidden();
    void connectModel();
    void makeCompact();
    void selectDefaultRecordDevice();
    void selectDefaultPlayDevice();
    void backEndClicked(bool wave);
    void hotkeyEvent(QEvent* event);

    Options& m_options;
    IOptionsServices& m_services;
    IOptionsActions& m_actions;
    ScreenSource m_screen;
    NullHotkeyCapture m_nullCapture;
    IHotkeyCapture* m_capture = &m_nullCapture;
    bool m_voiceChanged = false;
    bool m_compact = false;
    bool m_refreshing = false;

    QTabWidget* m_pages = nullptr;
    QWidget* m_hiddenPage = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_sideOk = nullptr;
    QPushButton* m_sideCancel = nullptr;

    QLineEdit* EIdentity = nullptr;
    QRadioButton* RPTT = nullptr;
    QRadioButton* RVOX = nullptr;
    QLineEdit* EDIHotKey = nullptr;
    QCheckBox* CServer = nullptr;
    QCheckBox* CMinimized = nullptr;
    QCheckBox* CSound = nullptr;
    QCheckBox* CShowVersion = nullptr;
    QCheckBox* CShowPacketLoss = nullptr;
    QSlider* TVoxLevel = nullptr;
    QRadioButton* RDirectX = nullptr;
    QRadioButton* RWave = nullptr;
    QCheckBox* CDSWaveIn = nullptr;
    QCheckBox* CPCMConvert = nullptr;
    QCheckBox* CTweak1 = nullptr;
    QComboBox* CRecord = nullptr;
    QComboBox* CPlay = nullptr;
    QSlider* m_micVolume = nullptr;
    QSlider* m_speakerVolume = nullptr;
    QDial* WVolume1 = nullptr;
    QCheckBox* CSpeech = nullptr;
    QCheckBox* CSpeakConnect = nullptr;
    QRadioButton* CFemale = nullptr;
    QRadioButton* CMale1 = nullptr;
    QRadioButton* CMale2 = nullptr;
    QLineEdit* EPassword = nullptr;
    QLineEdit* EAdminPassword = nullptr;
    QRadioButton* RCodec1 = nullptr;
    QRadioButton* RCodec2 = nullptr;
    QRadioButton* RCodec3 = nullptr;
    QDateTimeEdit* DLastMsg = nullptr;
};

} // namespace korvel::forms
