#pragma once
// TFEdit: the one prompt for a line of text or a password (channel names, the administrative
// password, a server's connection password).

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel {

class TFEdit : public QDialog {
    Q_OBJECT
public:
    explicit TFEdit(QWidget* parent = nullptr);

    // Sets the caption and the title, widens the title panel to fit the title and grows the
    // window by the height of the wrapped message.
    void setup(const QString& caption, const QString& title, const QString& message);
    void setMask(QChar mask); // '*' for passwords; a null QChar shows the text
    void setText(const QString& text);
    QString text() const;

    // Shows the dialog modally; true for OK.
    bool run();
    bool result() const { return result_; }

    QLineEdit* EItem = nullptr;

    void done(int r) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void layoutPanels();

    QFrame* PTitle = nullptr;
    QLabel* LTitle = nullptr;
    QFrame* PMessage = nullptr;
    QFrame* RuleTop = nullptr;
    QLabel* LMessage = nullptr;
    QFrame* PBottom = nullptr;
    QFrame* RuleBottom = nullptr;
    QPushButton* BOK = nullptr;
    QPushButton* BCancel = nullptr;
    bool result_ = false;
    int messageHeight_ = 0;
};

} // namespace korvel
