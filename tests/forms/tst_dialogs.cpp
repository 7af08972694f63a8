// The small windows on their own: layout rules of the input dialog, the About box, the news
// viewer, the image list and the names and texts of the main window's commands.

#include "GuiHelpers.h"
#include "forms/ImageList.h"
#include "forms/MainActions.h"
#include "forms/UMain.h"
#include "forms/UEdit.h"
#include "forms/UMsg.h"
#include "forms/USplash.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

using namespace korvel;
using namespace korvel::test;

namespace {
// A main window with nothing behind it.
struct NoActions : IMainActions {
    TcUserTable users;
    TcChannelTable channels;
    Options opts;
    TcUserTable& clientUsers() override { return users; }
    TcChannelTable& clientChannels() override { return channels; }
    void* serverNode() const override { return nullptr; }
    void clearServerNode() override {}
    bool clientConnected() const override { return false; }
    int32_t currentChannel() const override { return 0; }
    const Options& options() const override { return opts; }
    void connectSelected() override {}
    void kickUsers(const QList<int32_t>&) override {}
    void muteUsers(const QList<int32_t>&) override {}
    void addChannel() override {}
    void deleteChannel(int32_t) override {}
    void sendJoinChannel(int32_t) override {}
    void disconnectClient() override {}
    void startLoopback() override {}
    void stopLoopback() override {}
    bool serverListening() const override { return false; }
    QString startServer() override { return {}; }
    void stopServer() override {}
    void showOptions() override {}
    bool commandWindowAvailable() const override { return false; }
    void showCommand() override {}
    void checkNewsNow() override {}
};
} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir config_;

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }

    void inputDialogGrowsWithMessage() {
        TFEdit shortOne, longOne;
        shortOne.setup(QStringLiteral("Add Channel"), QStringLiteral("Channel"), QStringLiteral("Specify the name of the channel."));
        longOne.setup(QStringLiteral("Add Channel"), QStringLiteral("Channel"),
                      QStringLiteral("Specify the name of the channel. ").repeated(8));
        QVERIFY(longOne.height() > shortOne.height() + 20);
        QCOMPARE(longOne.width(), shortOne.width());

        TFEdit wide;
        wide.setup(QStringLiteral("Password"), QStringLiteral("A very long title for the panel on the left"), QStringLiteral("x"));
        QVERIFY(wide.findChild<QFrame*>(QStringLiteral("PTitle"))->width() >
                shortOne.findChild<QFrame*>(QStringLiteral("PTitle"))->width() + 100);
        QVERIFY(wide.EItem->geometry().right() < wide.width());
    }

    void inputDialogEnterConfirmsEmpty() {
        TFEdit d;
        d.setup(QStringLiteral("Add Channel"), QStringLiteral("Channel"), QStringLiteral("Specify the name of the channel."));
        onModal<TFEdit>([](TFEdit* e) {
            QVERIFY(e->EItem->hasFocus());
            QTest::keyClick(e->EItem, Qt::Key_Return);
        });
        QVERIFY(d.run());
        QCOMPARE(d.text(), QString());

        TFEdit closed;
        closed.setup(QStringLiteral("Password"), QStringLiteral("Password"), QStringLiteral("x"));
        onModal<TFEdit>([](TFEdit* e) { e->close(); });
        QVERIFY(!closed.run());
    }

    void aboutBox() {
        const QFont font(QStringLiteral("MS Sans Serif"), 8);
        onModal<TFSplash>([](TFSplash* s) {
            QCOMPARE(s->windowTitle(), QStringLiteral("Korvel"));
            QCOMPARE(s->LVersion->text(), QStringLiteral("1.6"));
            QCOMPARE(s->size(), QSize(270, 214));
            QCOMPARE(s->LLink->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(s->BClose->text(), QStringLiteral("Close"));
            QTest::mouseClick(s->LLink, Qt::LeftButton); // opens nothing under KORVEL_NO_SHELL
            s->BClose->click();
        });
        TFSplash::showAbout(QStringLiteral("1.6"), font, nullptr);
    }

    void newsViewers() {
        TFMsg* a = TFMsg::showMessage(QStringLiteral("<p>One</p>"));
        TFMsg* b = TFMsg::showMessage(QStringLiteral("<p>Two <a href=\"https://example.org/\">link</a></p>"));
        QVERIFY(a != b && a->isVisible() && b->isVisible());
        QCOMPARE(a->windowTitle(), QStringLiteral("Korvel News"));
        QVERIFY(a->isWindow() && !a->parentWidget());
        QVERIFY(b->RMessage->isReadOnly());
        QVERIFY(b->RMessage->toPlainText().contains(QStringLiteral("Two")));
        QPointer<TFMsg> gone(a);
        a->close();
        QTRY_VERIFY(gone.isNull());
        b->close();
    }

    void imageList() {
        for (int i : {2, 26, 27, 28, 39, 73, 81, 82, 83, 84, 85, 86, 87, 88}) {
            QVERIFY2(!ImageList::icon(i).pixmap(16, 16).isNull(), qPrintable(QString::number(i)));
        }
        QVERIFY(ImageList::icon(3).isNull());
    }

    void mainWindowLayout() {
        NoActions actions;
        MemoryMainStore store;
        store.stored.entries = {{QStringLiteral("host.one"), QStringLiteral("pw")}, {QString(), QStringLiteral("lonely")}};
        TFMain w(actions, store);
        QCOMPARE(w.size(), QSize(222, 400));
        QCOMPARE(w.objectName(), QStringLiteral("FMain"));
        QVERIFY(w.findChild<QTreeWidget*>(QStringLiteral("TItems")));
        QVERIFY(w.TItems->isHeaderHidden());
        QCOMPARE(w.TItems->headerItem()->text(0), QStringLiteral("Server"));
        QCOMPARE(w.TItems->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(w.TItems->topLevelItemCount(), 2);
        QCOMPARE(w.TItems->topLevelItem(0)->text(0), QStringLiteral("host.one"));
        QCOMPARE(w.TItems->topLevelItem(1)->text(0), QString());
        QVERIFY(w.findChild<QProgressBar*>(QStringLiteral("MMLevel1")));
        QCOMPARE(w.MMLevel1->value(), 0);
        QCOMPARE(w.BHost->text(), QStringLiteral("Server: OFF"));
        QVERIFY(w.BHost->isCheckable());

        const QList<QPair<QString, QString>> texts{
            {"MMCommand", "Command && Control"}, {"MMMute", "&Mute"}, {"MMKick", "&Kick"},
            {"MMDelete", "&Delete"}, {"MMProperties", "&Properties"}, {"MMLoopback", "&Loopback Mode"},
            {"MMExit", "&Exit"}, {"MMNews", "&News && Updates"}, {"MMAbout", "About"},
            {"BOptions", "Options"}, {"BAddConnection", "Add Connection"}, {"BDisconnect", "&Disconnect"},
            {"BAddChannel", "Add Channel"}, {"PMMute", "Mute"}, {"PMKick", "Kick"}, {"PMDelete", "Delete"},
            {"PMProperties", "&Properties"}};
        for (const auto& [name, text] : texts) {
            auto* a = w.findChild<QAction*>(name);
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(a->text(), text);
        }
        QVERIFY(!w.findChild<QAction*>(QStringLiteral("BDisconnect"))->isVisible());
        QVERIFY(w.findChild<QAction*>(QStringLiteral("MMLoopback"))->isCheckable());
        QStringList menus;
        for (QAction* a : w.menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Help")}));

        // Without the command window's input, the command says so.
        auto text = answerMessage();
        w.findChild<QAction*>(QStringLiteral("MMCommand"))->trigger();
        QCOMPARE(*text, QStringLiteral("The command & control features require at least DirectX 5."));

        // Closing saves the entries back.
        w.show();
        w.close();
        QCOMPARE(store.stored.entries.size(), 2);
        QCOMPARE(store.stored.entries[1].password, QStringLiteral("lonely"));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
