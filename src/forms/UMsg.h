#pragma once
// TFMsg: one news message as rich text, in a top-level window of its own. Several can be
// open at once; each goes away when it is closed.

#include <QWidget>

class QTextBrowser;

namespace korvel {

class TFMsg : public QWidget {
    Q_OBJECT
public:
    explicit TFMsg(QWidget* parent = nullptr);

    // Fills the text area with HTML; the news reader converts rich text before it gets here.
    void setMessageHtml(const QString& html);
    // Creates a viewer, fills it and shows it without being modal.
    static TFMsg* showMessage(const QString& html);

    QTextBrowser* RMessage = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace korvel
