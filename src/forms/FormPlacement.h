#pragma once
// Window placement in a window's key: "Left", "Top", and per window "Width", "Height", "State",
// "MainForm", "ScreenRes" and "MRUList" (always empty here). Restoring keeps the window on the
// current screen.

#include "forms/FormSettings.h"

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

} // namespace korvel::forms
