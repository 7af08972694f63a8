#include "UMsg.h"

#include "FormPlacement.h"
#include "ImageList.h"

#include <QCloseEvent>
#include "ShellOpen.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace korvel {

TFMsg::TFMsg(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FMsg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Korvel News"));
    setWindowIcon(ImageList::icon(ImageList::kNews));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    resize(293, 268);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(1, 1, 1, 1);
    RMessage = new QTextBrowser(frame);
    RMessage->setObjectName(QStringLiteral("RMessage"));
    RMessage->setFrameShape(QFrame::NoFrame);
    RMessage->setReadOnly(true);
    RMessage->setOpenLinks(false);
    connect(RMessage, &QTextBrowser::anchorClicked, this,
            [](const QUrl& url) { OpenWithShell(url.toString(), QString(), QString()); });
    inner->addWidget(RMessage);
    layout->addWidget(frame);

    const forms::FormSettings store(QLatin1String(forms::FormSettings::kFMsg));
    if (!forms::restorePlacement(store, *this, forms::PlacementSet::Full)) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - rect().center());
        }
    }
}

void TFMsg::closeEvent(QCloseEvent* event) {
    forms::FormSettings store(QLatin1String(forms::FormSettings::kFMsg));
    forms::savePlacement(store, *this, forms::PlacementSet::Full);
    store.sync();
    QWidget::closeEvent(event);
}

void TFMsg::setMessageHtml(const QString& html) { RMessage->setHtml(html); }

TFMsg* TFMsg::showMessage(const QString& html) {
    auto* viewer = new TFMsg();
    viewer->setMessageHtml(html);
    viewer->show();
    return viewer;
}

} // namespace korvel
