#include "ImageList.h"

#include <QHash>
#include <QString>

namespace korvel {

namespace {
constexpr int kIndexes[] = {2, 26, 27, 28, 39, 73, 81, 82, 83, 84, 85, 86, 87, 88};
}

bool ImageList::has(int index) {
    for (int i : kIndexes)
        if (i == index) return true;
    return false;
}

QIcon ImageList::icon(int index) {
    if (!has(index)) return {};
    static QHash<int, QIcon> cache;
    auto it = cache.find(index);
    if (it == cache.end()) it = cache.insert(index, QIcon(QStringLiteral(":/icons/%1.svg").arg(index)));
    return *it;
}

} // namespace korvel
