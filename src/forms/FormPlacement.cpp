#include "forms/FormPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace korvel::forms {

namespace {

bool keepsSize(PlacementSet set) { return set != PlacementSet::Position; }
bool keepsState(PlacementSet set) { return set == PlacementSet::Full; }

// A stored size is untrusted: keep it to something a screen can show.
constexpr int kMaxExtent = 16384;

} // namespace

ScreenInfo primaryScreen() {
    if (const QScreen* s = QGuiApplication::primaryScreen())
        return {s->geometry()};
    return {QRect(0, 0, 640, 480)};
}

QString screenResText(const QSize& size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

QRect fitToScreen(const QRect& stored, const QString& storedRes, const QRect& screen) {
    QRect r = stored;
    if (storedRes != screenResText(screen.size())) {
        if (r.right() > screen.right())
            r.moveRight(screen.right());
        if (r.bottom() > screen.bottom())
            r.moveBottom(screen.bottom());
    } else {
        r.moveLeft(std::min(r.left(), screen.right() + 1 - Placement::kEdgeMargin));
        r.moveTop(std::min(r.top(), screen.bottom() + 1 - Placement::kEdgeMargin));
    }
    r.moveLeft(std::max(r.left(), 0));
    r.moveTop(std::max(r.top(), 0));
    return r;
}

void savePlacement(FormSettings& store, const QWidget& window, PlacementSet set, bool isMainForm,
                   const ScreenSource& screen) {
    // The normal rectangle, also while minimised or maximised.
    const bool normal = !(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
    const QRect normalRect = normal || window.normalGeometry().isEmpty()
                                 ? QRect(window.pos(), window.size())
                                 : window.normalGeometry();
    store.writeInt(QLatin1String(Placement::kLeft), normalRect.left());
    store.writeInt(QLatin1String(Placement::kTop), normalRect.top());
    if (keepsSize(set)) {
        store.writeInt(QLatin1String(Placement::kWidth), normalRect.width());
        store.writeInt(QLatin1String(Placement::kHeight), normalRect.height());
    }
    if (keepsState(set)) {
        const int32_t state = window.windowState() & Qt::WindowMinimized   ? Placement::kStateMinimised
                              : window.windowState() & Qt::WindowMaximized ? Placement::kStateMaximised
                                                                            : Placement::kStateNormal;
        store.writeBool(QLatin1String(Placement::kMainForm), isMainForm);
        store.writeInt(QLatin1String(Placement::kState), state);
    }
    store.writeString(QLatin1String(Placement::kScreenRes), screenResText(screen().geometry.size()));
    if (keepsSize(set))
        store.writeString(QLatin1String(Placement::kMRUList), QString());
}

bool restorePlacement(const FormSettings& store, QWidget& window, PlacementSet set, const ScreenSource& screen) {
    const auto left = store.readInt(QLatin1String(Placement::kLeft));
    const auto top = store.readInt(QLatin1String(Placement::kTop));
    if (!left || !top)
        return false;
    QSize size = window.size();
    if (keepsSize(set)) {
        const auto w = store.readInt(QLatin1String(Placement::kWidth));
        const auto h = store.readInt(QLatin1String(Placement::kHeight));
        if (w && h && *w > 0 && *h > 0)
            size = QSize(std::min(*w, kMaxExtent), std::min(*h, kMaxExtent));
    }
    const QString res = store.readString(QLatin1String(Placement::kScreenRes)).value_or(QString());
    const QRect r = fitToScreen(QRect(QPoint(std::clamp(*left, -kMaxExtent, kMaxExtent),
                                             std::clamp(*top, -kMaxExtent, kMaxExtent)),
                                      size),
                                res, screen().geometry);
    if (keepsSize(set))
        window.resize(r.size());
    window.move(r.topLeft());
    if (keepsState(set)) {
        const int32_t state = store.readInt(QLatin1String(Placement::kState)).value_or(Placement::kStateNormal);
        if (state == Placement::kStateMinimised)
            window.setWindowState(window.windowState() | Qt::WindowMinimized);
        else if (state == Placement::kStateMaximised)
            window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
    return true;
}

PlacementKeeper::PlacementKeeper(QWidget& window, const QString& windowKey, PlacementSet set, bool isMainForm,
                                 ScreenSource screen)
    : QObject(&window), m_window(window), m_windowKey(windowKey), m_set(set), m_isMainForm(isMainForm),
      m_screen(std::move(screen)) {
    const FormSettings store(m_windowKey);
    m_restored = restorePlacement(store, m_window, m_set, m_screen);
    m_window.installEventFilter(this);
}

void PlacementKeeper::save() {
    FormSettings store(m_windowKey);
    if (m_extra)
        m_extra(store);
    savePlacement(store, m_window, m_set, m_isMainForm, m_screen);
    store.sync();
    m_savedSinceShown = true;
}

bool PlacementKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Show:
            m_savedSinceShown = false;
            break;
        case QEvent::Close:
        case QEvent::Hide:
            if (!m_savedSinceShown)
                save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvel::forms
