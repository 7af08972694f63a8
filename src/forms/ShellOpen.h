#pragma once

#include <QString>

namespace korvel {

// Opens a document or web address with the desktop's default handler. The address is cut at
// 1024 characters, as the shell was never handed more; the outcome is ignored.
void OpenWithShell(const QString& target, const QString& parameters, const QString& directory);

} // namespace korvel
