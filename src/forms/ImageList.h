#pragma once
// IItems: the main window's shared 16 x 16 image list. The indexes are the ones every window
// and the tree use; each maps to an SVG shipped as a resource.

#include <QIcon>

namespace korvel {

class ImageList {
public:
    static constexpr int kServer = 2;
    static constexpr int kOptions = 26;
    static constexpr int kDisconnect = 27;
    static constexpr int kAddConnection = 28;
    static constexpr int kCommand = 39;
    static constexpr int kProperties = 73;
    static constexpr int kUser = 81;
    static constexpr int kUserTalking = 82;
    static constexpr int kChannel = 83;
    static constexpr int kKick = 84;
    static constexpr int kAbout = 85;
    static constexpr int kMute = 86;
    static constexpr int kNews = 87;
    static constexpr int kDelete = 88;

    // The image of an index; a null icon for an index the list does not hold.
    static QIcon icon(int index);
    static bool has(int index);
};

} // namespace korvel
