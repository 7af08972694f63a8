#include "UCommand.h"

#include "ImageList.h"

namespace korvel {

TFCommand::TFCommand(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FCommand"));
    setWindowTitle(tr("Command & Control"));
    setWindowIcon(ImageList::icon(ImageList::kCommand));
    setModal(false);
    resize(480, 260);
}

} // namespace korvel
