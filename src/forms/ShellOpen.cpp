#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace korvel {

void OpenWithShell(const QString& target, const QString& /*parameters*/, const QString& /*directory*/) {
    const QString address = target.left(1024);
    if (address.isEmpty()) return;
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid()) return;
    // Tests and headless runs must not start a browser.
    if (qEnvironmentVariableIsSet("KORVEL_NO_SHELL")) return;
    QDesktopServices::openUrl(url);
}

} // namespace korvel
