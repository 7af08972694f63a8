#pragma once
// The client role's prompts and message boxes, as the desktop shows them.

#include "core/ClientInterfaces.h"

#include <QPointer>
#include <QWidget>

namespace korvel {

// The input dialog (TFEdit) behind the client role's single-line prompt.
class FormPrompt : public IPrompt {
public:
    explicit FormPrompt(QWidget* parent) : parent_(parent) {}
    std::optional<QString> Ask(const QString& caption, const QString& label, const QString& hint,
                               const QString& text, QChar mask) override;

private:
    QPointer<QWidget> parent_;
};

// Information boxes with one OK button, captioned with the program's name.
class FormMessages : public IMessages {
public:
    explicit FormMessages(QWidget* parent) : parent_(parent) {}
    void Inform(const QString& text) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace korvel
