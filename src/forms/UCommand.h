#pragma once
// TFCommand: the command & control window. Its table and its logic come with the command
// table; until then it is the window alone.

#include <QDialog>

namespace korvel {

class TFCommand : public QDialog {
    Q_OBJECT
public:
    explicit TFCommand(QWidget* parent = nullptr);
};

} // namespace korvel
