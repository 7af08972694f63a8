#pragma once
// TFMain: the program's one permanent window. It carries the server entries and, under the
// server entry in use, the live channels and users (TItems); the menus and bars whose commands
// become the client's requests; the server button; the level meter; the tray icon. It is the
// list the client role updates (IClientView).

#include "MainActions.h"
#include "MainWindowStore.h"
#include "Prompts.h"
#include "core/ClientInterfaces.h"

#include <QList>
#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSystemTrayIcon;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvel {

class TreeEntry;

class TFMain : public QMainWindow, public IClientView {
    Q_OBJECT
public:
    // Builds the window and restores the server entries and calibration values from the store.
    TFMain(IMainActions& actions, IMainStore& store, QWidget* parent = nullptr);
    ~TFMain() override;

    // IClientView: the list operations.
    void AddChannelEntry(int32_t channel) override;
    void RemoveChannelEntry(int32_t channel) override;
    void AddUserEntry(int32_t user) override;
    void RemoveUserEntry(int32_t user) override;
    void MoveUserEntry(int32_t user, int32_t oldChannel, int32_t newChannel) override;
    void MovedUserCaptions(int32_t oldChannel, int32_t newChannel) override;
    void SetTalking(int32_t user, bool on) override;
    void RefreshUserCaption(int32_t user) override;
    void ClearLiveEntries() override;
    void SetDisconnectVisible(bool visible) override;
    void SetLoopbackChecked(bool checked) override;
    void ShowStatus(const QString& text) override;
    std::optional<ServerEntry> FirstSelectedServerEntry() override;
    void SetSelectedServerPassword(const QString& password) override;

    IPrompt& prompt() { return prompt_; }
    IMessages& messages() { return messages_; }

    // Commands, as the menus, bars, list and keys run them.
    void cmdDoubleClick();
    void cmdDelete();
    void cmdKick();
    void cmdMute();
    void cmdProperties();
    void cmdAddConnection();
    void cmdAddChannel();
    void cmdDisconnect();
    void cmdLoopback(bool on);
    void cmdOptions();
    void cmdCommand();
    void cmdNews();
    void cmdAbout();

    // The server button: pressing it starts the server; when the server cannot listen the
    // button comes back up and the reason is shown. Returns whether the button is down.
    bool setServerButton(bool down);
    bool serverButtonDown() const;
    // Puts the button back up when the server stopped on its own.
    void serverStopped();

    // Start-up pieces.
    void enableTray();
    QSystemTrayIcon* trayIcon() const { return tray_; }
    void restoreFromTray();
    // Whether the window hides itself from the taskbar when minimised.
    bool minimizeToTray() const;

    // Writes the server entries, calibration values and placement to the store now.
    void saveSettings();

    // The voice-activation calibration values the window keeps between runs.
    int32_t gVoxMin = 0;
    int32_t gVoxMax = 0;
    QString versionText;

    // Controls named as tests and people look for them.
    QTreeWidget* TItems = nullptr;
    QProgressBar* MMLevel1 = nullptr;
    QToolButton* BHost = nullptr;
    QLabel* SBStatus = nullptr;

    // Every server entry of the list, in order.
    QList<TreeEntry*> serverEntries() const;
    TreeEntry* appendServerEntry(const QString& caption, const QString& address, const QString& password);

signals:
    // The window is closing; the program ends after the shut-down sequence.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildBars();
    void buildList();
    void restoreSettings();
    void saveOnce();

    QTreeWidgetItem* serverItem() const;
    QTreeWidgetItem* channelItem(int32_t channel) const;
    QList<QTreeWidgetItem*> selectedEntries() const;
    // User indexes of the selected user entries, last selected first.
    QList<int32_t> selectedUsers() const;
    bool alive(QTreeWidgetItem* item) const;
    // Deletes an entry and its children, and forgets every table reference to them.
    void deleteEntry(QTreeWidgetItem* item);
    void expandBranch(QTreeWidgetItem* item);

    void serverCaption();
    void channelCaption(int32_t channel);
    void userCaption(int32_t user);

    IMainActions& actions_;
    IMainStore& store_;
    FormPrompt prompt_{this};
    FormMessages messages_{this};

    QAction* MMCommand = nullptr;
    QAction* MMMute = nullptr;
    QAction* MMKick = nullptr;
    QAction* MMDelete = nullptr;
    QAction* MMProperties = nullptr;
    QAction* MMLoopback = nullptr;
    QAction* MMExit = nullptr;
    QAction* MMNews = nullptr;
    QAction* MMAbout = nullptr;
    QAction* BOptions = nullptr;
    QAction* BAddConnection = nullptr;
    QAction* BDisconnect = nullptr;
    QAction* BAddChannel = nullptr;
    QMenu* PMItems = nullptr;

    QSystemTrayIcon* tray_ = nullptr;
    bool savedSinceShown_ = false;
    bool inServerButton_ = false;
};

} // namespace korvel
