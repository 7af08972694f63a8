#include "ProgramVersion.h"

namespace korvel {

ProgramVersion ReadProgramVersion() {
    ProgramVersion v;
    v.Major = KORVEL_VERSION_MAJOR;
    v.Minor = KORVEL_VERSION_MINOR;
    v.Text = QString::number(v.Major) + QLatin1Char('.') + QString::number(v.Minor);
    return v;
}

} // namespace korvel
