#pragma once
// TFConnection: edits the address and password of one server entry of the main window's list.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

namespace korvel {

class TFConnection : public QDialog {
    Q_OBJECT
public:
    explicit TFConnection(QWidget* parent = nullptr);

    // Fills the fields from the entry, shows the dialog modally and, on OK, writes the fields
    // back into the entry (caption and address from the address field). True for OK.
    static bool edit(QTreeWidgetItem* entry, QWidget* parent);

    QLineEdit* EHost = nullptr;
    QLineEdit* EPassword = nullptr;
    QPushButton* BOK = nullptr;
    QPushButton* BCancel = nullptr;
    bool ok = false;

    void done(int r) override;
};

} // namespace korvel
