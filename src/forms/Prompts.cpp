#include "Prompts.h"

#include "UEdit.h"

#include <QMessageBox>

namespace korvel {

std::optional<QString> FormPrompt::Ask(const QString& caption, const QString& label, const QString& hint,
                                       const QString& text, QChar mask) {
    TFEdit dialog(parent_);
    dialog.setup(caption, label, hint);
    dialog.setText(text);
    dialog.setMask(mask);
    if (!dialog.run()) return std::nullopt;
    return dialog.text();
}

void FormMessages::Inform(const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Korvel"), text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("KorvelMessage"));
    box.exec();
}

} // namespace korvel
