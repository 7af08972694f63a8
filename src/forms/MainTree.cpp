// The list operations of the main window: what the client role calls as the server announces
// channels and users, and the captions they compute.

#include "ImageList.h"
#include "TreeEntry.h"
#include "UMain.h"
#include "core/Captions.h"

#include <QTreeWidget>

namespace korvel {

namespace {
void* nodeOf(QTreeWidgetItem* item) { return static_cast<void*>(item); }
QTreeWidgetItem* itemOf(void* node) { return static_cast<QTreeWidgetItem*>(node); }
} // namespace

QTreeWidgetItem* TFMain::serverItem() const { return itemOf(actions_.serverNode()); }

QTreeWidgetItem* TFMain::channelItem(int32_t channel) const {
    if (channel == 0) return serverItem();
    const TcChannel* c = actions_.clientChannels().at(channel);
    return c ? itemOf(c->Node) : nullptr;
}

QList<TreeEntry*> TFMain::serverEntries() const {
    QList<TreeEntry*> out;
    for (int i = 0; i < TItems->topLevelItemCount(); ++i)
        if (TreeEntry* e = TreeEntry::of(TItems->topLevelItem(i)); e && e->kind() == TTreeItemNode::kServer)
            out.append(e);
    return out;
}

TreeEntry* TFMain::appendServerEntry(const QString& caption, const QString& address, const QString& password) {
    auto* e = new TreeEntry();
    e->node.kind = TTreeItemNode::kServer;
    e->node.address = address;
    e->node.password = password;
    e->setText(0, caption);
    e->setIcon(0, ImageList::icon(ImageList::kServer));
    TItems->addTopLevelItem(e);
    return e;
}

QList<QTreeWidgetItem*> TFMain::selectedEntries() const { return TItems->selectedItems(); }

bool TFMain::alive(QTreeWidgetItem* item) const {
    if (!item) return false;
    QList<QTreeWidgetItem*> stack;
    for (int i = 0; i < TItems->topLevelItemCount(); ++i) stack.append(TItems->topLevelItem(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem* it = stack.takeLast();
        if (it == item) return true;
        for (int i = 0; i < it->childCount(); ++i) stack.append(it->child(i));
    }
    return false;
}

void TFMain::deleteEntry(QTreeWidgetItem* item) {
    if (!item) return;
    // A server may remove a channel that still holds users; their entries go with it, and so
    // must every reference the tables keep to them.
    QList<QTreeWidgetItem*> stack{item};
    while (!stack.isEmpty()) {
        QTreeWidgetItem* it = stack.takeLast();
        for (int i = 0; i < it->childCount(); ++i) stack.append(it->child(i));
        TreeEntry* e = TreeEntry::of(it);
        if (!e) continue;
        if (e->kind() == TTreeItemNode::kUser) {
            if (TcUser* u = actions_.clientUsers().at(e->node.user); u && u->Node == nodeOf(it)) u->Node = nullptr;
        } else if (e->kind() == TTreeItemNode::kChannel) {
            if (TcChannel* c = actions_.clientChannels().at(e->node.channel); c && c->Node == nodeOf(it))
                c->Node = nullptr;
        }
    }
    delete item;
}

void TFMain::expandBranch(QTreeWidgetItem* item) {
    for (QTreeWidgetItem* up = item; up; up = up->parent()) up->setExpanded(true);
    QList<QTreeWidgetItem*> stack{item};
    while (!stack.isEmpty()) {
        QTreeWidgetItem* it = stack.takeLast();
        it->setExpanded(true);
        for (int i = 0; i < it->childCount(); ++i) stack.append(it->child(i));
    }
}

// --- Captions ---------------------------------------------------------------------------

void TFMain::serverCaption() {
    TreeEntry* server = TreeEntry::of(serverItem());
    if (!server) return;
    server->setText(0, ServerCaption(server->node.address, actions_.clientUsers()));
}

void TFMain::channelCaption(int32_t channel) {
    if (channel <= 0) return;
    const TcChannel* c = actions_.clientChannels().at(channel);
    if (!c || !c->Node) return;
    itemOf(c->Node)->setText(0, ChannelCaption(actions_.clientChannels(), actions_.clientUsers(), channel));
}

void TFMain::userCaption(int32_t user) {
    const TcUser* u = actions_.clientUsers().at(user);
    if (!u || !u->Node) return;
    const Options& o = actions_.options();
    itemOf(u->Node)->setText(0, UserCaption(*u, o.CShowPacketLoss, o.CShowVersion));
}

// --- List operations --------------------------------------------------------------------

void TFMain::AddChannelEntry(int32_t channel) {
    QTreeWidgetItem* server = serverItem();
    TcChannel* c = actions_.clientChannels().at(channel);
    if (!server || !c) return;
    if (!c->Node) {
        auto* e = new TreeEntry();
        e->node.kind = TTreeItemNode::kChannel;
        e->node.channel = channel;
        e->setIcon(0, ImageList::icon(ImageList::kChannel));
        server->insertChild(0, e);
        c->Node = nodeOf(e);
    }
    channelCaption(channel);
}

void TFMain::RemoveChannelEntry(int32_t channel) {
    TcChannel* c = actions_.clientChannels().at(channel);
    if (!serverItem() || !c || !c->Node) return;
    deleteEntry(itemOf(c->Node));
    c->Node = nullptr;
    // Users whose entries went with the channel no longer count.
    serverCaption();
}

void TFMain::AddUserEntry(int32_t user) {
    QTreeWidgetItem* server = serverItem();
    TcUser* u = actions_.clientUsers().at(user);
    if (!server || !u) return;
    if (u->Node) deleteEntry(itemOf(u->Node));
    // A user in a channel the list does not show is kept under the server, where it is seen.
    QTreeWidgetItem* parent = channelItem(u->Channel);
    if (!parent) parent = server;
    auto* e = new TreeEntry();
    e->node.kind = TTreeItemNode::kUser;
    e->node.user = user;
    e->setIcon(0, ImageList::icon(ImageList::kUser));
    parent->addChild(e);
    u->Node = nodeOf(e);
    expandBranch(parent);
    serverCaption();
    channelCaption(u->Channel);
    userCaption(user);
}

void TFMain::RemoveUserEntry(int32_t user) {
    TcUser* u = actions_.clientUsers().at(user);
    if (!serverItem() || !u || !u->Node) return;
    deleteEntry(itemOf(u->Node));
    u->Node = nullptr;
    serverCaption();
    channelCaption(u->Channel);
}

void TFMain::MoveUserEntry(int32_t user, int32_t /*oldChannel*/, int32_t newChannel) {
    TcUser* u = actions_.clientUsers().at(user);
    QTreeWidgetItem* server = serverItem();
    if (!server || !u || !u->Node) return;
    QTreeWidgetItem* item = itemOf(u->Node);
    QTreeWidgetItem* parent = channelItem(newChannel);
    if (!parent) parent = server;
    if (QTreeWidgetItem* from = item->parent()) from->takeChild(from->indexOfChild(item));
    parent->addChild(item);
    expandBranch(parent);
}

void TFMain::MovedUserCaptions(int32_t oldChannel, int32_t newChannel) {
    if (!serverItem()) return;
    channelCaption(oldChannel);
    channelCaption(newChannel);
}

void TFMain::SetTalking(int32_t user, bool on) {
    const TcUser* u = actions_.clientUsers().at(user);
    if (!serverItem() || !u || !u->Node) return;
    itemOf(u->Node)->setIcon(0, ImageList::icon(on ? ImageList::kUserTalking : ImageList::kUser));
}

void TFMain::RefreshUserCaption(int32_t user) {
    if (!serverItem()) return;
    userCaption(user);
}

void TFMain::ClearLiveEntries() {
    if (TreeEntry* server = TreeEntry::of(serverItem())) {
        for (int i = server->childCount() - 1; i >= 0; --i) deleteEntry(server->child(i));
        server->setText(0, server->node.address);
    }
    TcUserTable& users = actions_.clientUsers();
    for (int32_t u = 1; u <= users.count(); ++u) users.at(u)->Node = nullptr;
    TcChannelTable& channels = actions_.clientChannels();
    for (int32_t c = 1; c <= channels.count(); ++c) channels.at(c)->Node = nullptr;
}

std::optional<ServerEntry> TFMain::FirstSelectedServerEntry() {
    const QList<QTreeWidgetItem*> selected = selectedEntries();
    TreeEntry* e = selected.isEmpty() ? nullptr : TreeEntry::of(selected.first());
    if (!e || e->kind() != TTreeItemNode::kServer) return std::nullopt;
    return ServerEntry{nodeOf(e), e->node.address, e->node.password};
}

void TFMain::SetSelectedServerPassword(const QString& password) {
    const QList<QTreeWidgetItem*> selected = selectedEntries();
    TreeEntry* e = selected.isEmpty() ? nullptr : TreeEntry::of(selected.first());
    if (e && e->kind() == TTreeItemNode::kServer) e->node.password = password;
}

} // namespace korvel
