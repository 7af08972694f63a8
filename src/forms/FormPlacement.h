#pragma once
// Window placement in a window's key: "Left", "Top", and per window "Width", "Height", "State",
// "MainForm", "ScreenRes" and "MRUList" (always empty here). Restoring keeps the window on the
// current screen.

#include "forms/FormSettings.h"

#include <QObject>
#include <QRect>
#include <QSize>
#include <functional>

class QWidget;

namespace korvel::forms {

// Which placement values a window keeps.
enum class PlacementSet {
    Position, // "Left", "Top", "ScreenRes": FOptions, FConnection, FEdit
    Sizable,  // + "Width", "Height", "MRUList": FMain
    Full,     // + "MainForm", "State": FCommand, FMsg
};

// Where windows are placed; replaceable so tests can pretend another screen.
struct ScreenInfo {
    QRect geometry; // the whole screen, in screen pixels
};
using ScreenSource = std::function<ScreenInfo()>;
// The primary screen, or 640 x 480 when there is none.
ScreenInfo primaryScreen();

struct Placement {
    static constexpr const char* kLeft = "Left";
    static constexpr const char* kTop = "Top";
    static constexpr const char* kWidth = "Width";
    static constexpr const char* kHeight = "Height";
    static constexpr const char* kState = "State";
    static constexpr const char* kMainForm = "MainForm";
    static constexpr const char* kScreenRes = "ScreenRes";
    static constexpr const char* kMRUList = "MRUList";

    static constexpr int32_t kStateNormal = 0;
    static constexpr int32_t kStateMinimised = 1;
    static constexpr int32_t kStateMaximised = 2;
    // How close to the right and bottom edge a window may be put back on the same screen.
    static constexpr int kEdgeMargin = 20;
};

// "1920x1080".
QString screenResText(const QSize& size);

// Where a stored rectangle goes on the current screen: with another resolution it is moved back
// inside the screen; on the same one its left and top stay 20 pixels short of the right and
// bottom edges. Negative coordinates become 0.
QRect fitToScreen(const QRect& stored, const QString& storedRes, const QRect& screen);

// Writes the window's placement values of the set.
void savePlacement(FormSettings& store, const QWidget& window, PlacementSet set, bool isMainForm = false,
                   const ScreenSource& screen = primaryScreen);
// Applies what is stored; returns false when nothing was (the window keeps its design place).
bool restorePlacement(const FormSettings& store, QWidget& window, PlacementSet set,
                      const ScreenSource& screen = primaryScreen);

// The settings object of a window that saves on its own: restores the placement when made, and
// writes it (with the window's extra values) when the window is closed or hidden, at most once
// between two showings. A window that is destroyed while shown calls save() itself.
class PlacementKeeper : public QObject {
public:
    using ExtraSave = std::function<void(FormSettings&)>;

    PlacementKeeper(QWidget& window, const QString& windowKey, PlacementSet set, bool isMainForm = false,
                    ScreenSource screen = primaryScreen);
    // Whether a placement was stored and applied; without one the window keeps its design place.
    bool restored() const { return m_restored; }
    // Runs inside every save, before the key is written (the main window's own values).
    void setExtraSave(ExtraSave extra) { m_extra = std::move(extra); }
    void save();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    QString m_windowKey;
    PlacementSet m_set;
    bool m_isMainForm;
    ScreenSource m_screen;
    ExtraSave m_extra;
    bool m_restored = false;
    bool m_savedSinceShown = false;
};

} // namespace korvel::forms
