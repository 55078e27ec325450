#include "metrics/SolutionClass.h"

namespace gnsslog {

SolutionClass solutionClassOf(std::uint8_t fixType) noexcept
{
    return static_cast<SolutionClass>(kClassIndexOfFixType[fixType]);
}

const char* solutionClassKey(SolutionClass c) noexcept
{
    switch (c) {
    case SolutionClass::RtkFixed: return "rtkFixed";
    case SolutionClass::RtkFloat: return "rtkFloat";
    case SolutionClass::RtkX: return "rtkX";
    case SolutionClass::Other: return "other";
    case SolutionClass::All: return "all";
    }
    return "";
}

const char* solutionClassLabel(SolutionClass c) noexcept
{
    switch (c) {
    case SolutionClass::RtkFixed: return "RTK fixed";
    case SolutionClass::RtkFloat: return "RTK float";
    case SolutionClass::RtkX: return "RTK-X";
    case SolutionClass::Other: return "single/other";
    case SolutionClass::All: return "all";
    }
    return "";
}

}  // namespace gnsslog
