#include "USplash.h"

#include "ShellOpen.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QPainter>
#include <QPixmap>

namespace korvel {

QString TFSplash::makerAddress() { return QStringLiteral("https://korvel.nimbrel.example/"); }

TFSplash::TFSplash(const QString& versionText, const QFont& mainFont, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FSplash"));
    setWindowTitle(QStringLiteral("Korvel"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(270, 214);
    setFont(mainFont);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("IPicture"));
    picture->setGeometry(19, 11, 230, 166);
    QPixmap pix(230 * 2, 166 * 2);
    pix.fill(Qt::transparent);
    {
        QPainter p(&pix);
        QSvgRenderer(QStringLiteral(":/icons/splash.svg")).render(&p);
    }
    pix.setDevicePixelRatio(2.0);
    picture->setPixmap(pix);

    LVersion = new QLabel(versionText, this);
    LVersion->setObjectName(QStringLiteral("LVersion"));
    LVersion->setFont(mainFont);
    LVersion->setAttribute(Qt::WA_TranslucentBackground);
    QPalette black = LVersion->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    LVersion->setPalette(black);
    LVersion->move(216, 52);
    LVersion->adjustSize();

    LLink = new QLabel(makerAddress(), this);
    LLink->setObjectName(QStringLiteral("LLink"));
    QFont link(QStringLiteral("Tahoma"), 8);
    LLink->setFont(link);
    QPalette blue = LLink->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    LLink->setPalette(blue);
    LLink->setCursor(Qt::PointingHandCursor);
    LLink->move(29, 165);
    LLink->adjustSize();
    LLink->installEventFilter(this);

    BClose = new QPushButton(tr("Close"), this);
    BClose->setObjectName(QStringLiteral("BClose"));
    BClose->setGeometry(183, 180, 75, 23);
    BClose->setDefault(true);
    connect(BClose, &QPushButton::clicked, this, &QDialog::accept);

    if (QScreen* screen = parent ? parent->screen() : nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

bool TFSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LLink && event->type() == QEvent::MouseButtonRelease) {
        OpenWithShell(makerAddress(), QString(), QString());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFSplash::showAbout(const QString& versionText, const QFont& mainFont, QWidget* parent) {
    TFSplash box(versionText, mainFont, parent);
    box.exec();
}

} // namespace korvel
