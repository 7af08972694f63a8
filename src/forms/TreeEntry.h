#pragma once
// An entry of the main window's list together with the record it owns (TTreeItemNode); the
// record goes with the entry, whatever deletes it.

#include <QString>
#include <QTreeWidgetItem>
#include <cstdint>

namespace korvel {

struct TTreeItemNode {
    static constexpr int32_t kServer = 1;
    static constexpr int32_t kUser = 2;
    static constexpr int32_t kChannel = 3;

    int32_t kind = 0;
    QString address;  // server entries
    QString password; // server entries
    int32_t user = 0;    // user entries: index into TcUser
    int32_t channel = 0; // channel entries: index into TcChannel
};

class TreeEntry : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1;
    TreeEntry() : QTreeWidgetItem(kType) {}

    static TreeEntry* of(QTreeWidgetItem* item) {
        return item && item->type() == kType ? static_cast<TreeEntry*>(item) : nullptr;
    }
    static TreeEntry* of(void* node) { return of(static_cast<QTreeWidgetItem*>(node)); }

    int32_t kind() const { return node.kind; }

    TTreeItemNode node;
};

} // namespace korvel
