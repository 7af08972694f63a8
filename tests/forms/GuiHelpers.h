#pragma once
// Driving modal windows from a test: a modal dialog runs its own event loop, so the test hands
// the action over beforehand and it runs once the dialog is up.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <functional>
#include <memory>

namespace korvel::test {

// Runs `act` on the next modal window of type W; gives up after 10 seconds. `seen` becomes
// true when it ran.
template <class W> std::shared_ptr<bool> onModal(std::function<void(W*)> act) {
    auto seen = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, act, seen, ticks] {
        if (++*ticks > 1000) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        W* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        *seen = true;
        act(w);
    });
    timer->start();
    return seen;
}

// Answers the next message box with OK and records its text.
inline std::shared_ptr<QString> answerMessage() {
    auto text = std::make_shared<QString>();
    onModal<QMessageBox>([text](QMessageBox* box) {
        *text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    return text;
}

inline QStringList childCaptions(QTreeWidgetItem* item) {
    QStringList out;
    if (!item) return out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

inline QTreeWidgetItem* findByCaptionPrefix(QTreeWidgetItem* parent, const QString& prefix) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0).startsWith(prefix)) return parent->child(i);
    return nullptr;
}

inline void selectOnly(QTreeWidget* tree, const QList<QTreeWidgetItem*>& items) {
    tree->clearSelection();
    for (QTreeWidgetItem* i : items) i->setSelected(true);
}

} // namespace korvel::test
