#include "UConnection.h"

#include "FormPlacement.h"
#include "TreeEntry.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvel {

namespace {
QFrame* rule(QWidget* parent, int x, int y, int w) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(x, y, w, 2);
    return f;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}
} // namespace

TFConnection::TFConnection(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FConnection"));
    setWindowTitle(tr("Connection"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(358, 211);
    // The main window's font, as chosen at start-up.
    if (parent) setFont(parent->font());

    QLabel* heading = label(this, tr("Connection"), 16, 22);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->adjustSize();
    const int ruleLeft = qMax(88, heading->geometry().right() + 6);
    rule(this, ruleLeft, 29, 345 - ruleLeft);
    label(this, tr("Specify the address of the remote server."), 88, 40);
    EHost = new QLineEdit(this);
    EHost->setObjectName(QStringLiteral("EHost"));
    EHost->setGeometry(88, 66, 233, EHost->sizeHint().height());
    label(this, tr("Specify the connection password to this server."), 88, 104);
    EPassword = new QLineEdit(this);
    EPassword->setObjectName(QStringLiteral("EPassword"));
    EPassword->setEchoMode(QLineEdit::Password);
    EPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    EPassword->setGeometry(88, 122, 233, EPassword->sizeHint().height());
    rule(this, 88, 165, 257);
    BOK = new QPushButton(tr("&OK"), this);
    BOK->setObjectName(QStringLiteral("BOK"));
    BOK->setGeometry(187, 176, 75, 23);
    BOK->setDefault(true);
    BCancel = new QPushButton(tr("&Cancel"), this);
    BCancel->setObjectName(QStringLiteral("BCancel"));
    BCancel->setGeometry(267, 176, 75, 23);

    setTabOrder(EHost, EPassword);
    setTabOrder(EPassword, BOK);
    setTabOrder(BOK, BCancel);

    connect(BOK, &QPushButton::clicked, this, [this] {
        ok = true;
        accept();
    });
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);

    const forms::FormSettings store(QLatin1String(forms::FormSettings::kFConnection));
    forms::restorePlacement(store, *this, forms::PlacementSet::Position);
}

void TFConnection::done(int r) {
    forms::FormSettings store(QLatin1String(forms::FormSettings::kFConnection));
    forms::savePlacement(store, *this, forms::PlacementSet::Position);
    store.sync();
    QDialog::done(r);
}

bool TFConnection::edit(QTreeWidgetItem* item, QWidget* parent) {
    auto* entry = TreeEntry::of(item);
    if (!entry) return false;
    TFConnection dialog(parent);
    dialog.EHost->setText(entry->node.address);
    dialog.EPassword->setText(entry->node.password);
    dialog.EHost->setFocus();
    dialog.exec();
    if (!dialog.ok) return false;
    entry->node.address = dialog.EHost->text();
    entry->node.password = dialog.EPassword->text();
    entry->setText(0, entry->node.address);
    return true;
}

} // namespace korvel
