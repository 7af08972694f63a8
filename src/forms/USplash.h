#pragma once
// TFSplash: the About box with the product picture, the version and the maker's web address.

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvel {

class TFSplash : public QDialog {
    Q_OBJECT
public:
    // The maker's web address shown and opened by the link label.
    static QString makerAddress();

    TFSplash(const QString& versionText, const QFont& mainFont, QWidget* parent = nullptr);

    // Opens the box modally, as About does.
    static void showAbout(const QString& versionText, const QFont& mainFont, QWidget* parent);

    QLabel* LVersion = nullptr;
    QLabel* LLink = nullptr;
    QPushButton* BClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace korvel
