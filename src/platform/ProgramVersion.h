#pragma once

#include <QString>
#include <cstdint>

namespace korvel {

// The program's version, compiled in from the build; 0.0 and empty when it is unknown.
struct ProgramVersion {
    int32_t Major = 0;
    int32_t Minor = 0;
    QString Text;
};

ProgramVersion ReadProgramVersion();

} // namespace korvel
