#include "UEdit.h"

#include "FormPlacement.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvel {

namespace {
constexpr int kDesignWidth = 345;
constexpr int kDesignHeight = 145;
constexpr int kBottomHeight = 92;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

QFrame* rule(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}
} // namespace

TFEdit::TFEdit(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FEdit"));
    if (parent) setFont(parent->font());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

    PTitle = new QFrame(this);
    PTitle->setObjectName(QStringLiteral("PTitle"));
    LTitle = new QLabel(PTitle);
    LTitle->setObjectName(QStringLiteral("LTitle"));
    QFont bold = LTitle->font();
    bold.setBold(true);
    LTitle->setFont(bold);

    PMessage = new QFrame(this);
    PMessage->setObjectName(QStringLiteral("PMessage"));
    RuleTop = rule(PMessage);
    LMessage = new QLabel(PMessage);
    LMessage->setObjectName(QStringLiteral("LMessage"));
    LMessage->setWordWrap(true);
    LMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    PBottom = new QFrame(PMessage);
    PBottom->setObjectName(QStringLiteral("PBottom"));
    EItem = new QLineEdit(PBottom);
    EItem->setObjectName(QStringLiteral("EItem"));
    RuleBottom = rule(PBottom);
    BOK = new QPushButton(tr("&OK"), PBottom);
    BOK->setObjectName(QStringLiteral("BOK"));
    BCancel = new QPushButton(tr("&Cancel"), PBottom);
    BCancel->setObjectName(QStringLiteral("BCancel"));
    // Enter belongs to the text field, which confirms itself.
    BOK->setAutoDefault(false);
    BCancel->setAutoDefault(false);

    connect(EItem, &QLineEdit::returnPressed, this, [this] {
        result_ = true;
        accept();
    });
    connect(BOK, &QPushButton::clicked, this, [this] {
        result_ = true;
        accept();
    });
    connect(BCancel, &QPushButton::clicked, this, [this] {
        result_ = false;
        reject();
    });

    setTabOrder(EItem, BOK);
    setTabOrder(BOK, BCancel);
    setFixedSize(kDesignWidth, kDesignHeight);
    layoutPanels();
    const forms::FormSettings store(QLatin1String(forms::FormSettings::kFEdit));
    forms::restorePlacement(store, *this, forms::PlacementSet::Position);
}

void TFEdit::done(int r) {
    forms::FormSettings store(QLatin1String(forms::FormSettings::kFEdit));
    forms::savePlacement(store, *this, forms::PlacementSet::Position);
    store.sync();
    QDialog::done(r);
}

void TFEdit::layoutPanels() {
    const int w = width(), h = height();
    const int titleWidth = PTitle->width() > 0 ? PTitle->width() : 80;
    PTitle->setGeometry(0, 0, titleWidth, h);
    LTitle->move(16, 14);
    LTitle->adjustSize();
    PMessage->setGeometry(titleWidth, 0, w - titleWidth, h);
    const int mw = PMessage->width();
    RuleTop->setGeometry(0, 21, mw, 2);
    LMessage->move(8, 32);
    PBottom->setGeometry(0, PMessage->height() - kBottomHeight, mw, kBottomHeight);
    EItem->setGeometry(9, 3, 248, EItem->sizeHint().height());
    RuleBottom->setGeometry(0, 42, mw, 2);
    BCancel->setGeometry(mw - kButtonWidth - 9, 56, kButtonWidth, kButtonHeight);
    BOK->setGeometry(mw - 2 * kButtonWidth - 17, 56, kButtonWidth, kButtonHeight);
}

void TFEdit::setup(const QString& caption, const QString& title, const QString& message) {
    setWindowTitle(caption);
    LTitle->setText(title);
    const int titleWidth = QFontMetrics(LTitle->font()).horizontalAdvance(title) + 20;
    PTitle->resize(titleWidth, PTitle->height());
    // A wide title may leave no room for the field: the window widens with it.
    const int width = qMax(kDesignWidth, titleWidth + 248 + 18);
    setFixedSize(width, kDesignHeight);
    layoutPanels();
    const int labelWidth = PMessage->width() - 30;
    LMessage->setText(message);
    messageHeight_ = LMessage->heightForWidth(labelWidth);
    if (messageHeight_ < 0) messageHeight_ = LMessage->sizeHint().height();
    LMessage->resize(labelWidth, messageHeight_);
    setFixedSize(width, kDesignHeight + messageHeight_);
    layoutPanels();
    LMessage->resize(labelWidth, messageHeight_);
}

void TFEdit::setMask(QChar mask) {
    EItem->setEchoMode(mask.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    EItem->setStyleSheet(mask.isNull() ? QString()
                                       : QStringLiteral("lineedit-password-character: %1").arg(mask.unicode()));
}

void TFEdit::setText(const QString& text) { EItem->setText(text); }

QString TFEdit::text() const { return EItem->text(); }

void TFEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    result_ = false;
    EItem->setFocus();
}

bool TFEdit::run() {
    exec();
    return result_;
}

} // namespace korvel
