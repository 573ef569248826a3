#include "follower/ScanCounts.h"

#include <algorithm>

namespace morvane {

const char* ScanReasonText(ScanReason reason)
{
    switch (reason) {
    case ScanReason::Unreadable:
        return ScanRefusalText(ScanRefusal::Unreadable);
    case ScanReason::NotRegularFile:
        return ScanRefusalText(ScanRefusal::NotRegularFile);
    case ScanReason::TooLarge:
        return ScanRefusalText(ScanRefusal::TooLarge);
    case ScanReason::TooShort:
        return ScanRefusalText(ScanRefusal::TooShort);
    case ScanReason::BadHeader:
        return ScanRefusalText(ScanRefusal::BadHeader);
    case ScanReason::NoVoltage:
        return ScanRefusalText(ScanRefusal::NoVoltage);
    case ScanReason::NonFiniteHeader:
        return ScanRefusalText(ScanRefusal::NonFiniteHeader);
    case ScanReason::NonFiniteValues:
        return ScanRefusalText(ScanRefusal::NonFiniteValues);
    case ScanReason::TooManyLines:
        return ScanRefusalText(ScanRefusal::TooManyLines);
    case ScanReason::ImplausibleHeader:
        return "time or omega^2 t beyond any run";
    case ScanReason::UnusableRadii:
        return "radii not finite and rising";
    case ScanReason::TooFewPoints:
        return "too few points to give the radial grid";
    case ScanReason::TimeOrder:
        return "time out of order with the other scans";
    case ScanReason::SetLimit:
        return "past the 999-set limit";
    case ScanReason::NotOnGrid:
        return "no radius on the channel's radial grid";
    }
    return "unknown";
}

ScanReason ReasonOfRefusal(ScanRefusal refusal)
{
    switch (refusal) {
    case ScanRefusal::NotRegularFile:
        return ScanReason::NotRegularFile;
    case ScanRefusal::TooLarge:
        return ScanReason::TooLarge;
    case ScanRefusal::TooShort:
        return ScanReason::TooShort;
    case ScanRefusal::BadHeader:
        return ScanReason::BadHeader;
    case ScanRefusal::NoVoltage:
        return ScanReason::NoVoltage;
    case ScanRefusal::NonFiniteHeader:
        return ScanReason::NonFiniteHeader;
    case ScanRefusal::NonFiniteValues:
        return ScanReason::NonFiniteValues;
    case ScanRefusal::TooManyLines:
        return ScanReason::TooManyLines;
    case ScanRefusal::None:
    case ScanRefusal::Unreadable:
        break;
    }
    return ScanReason::Unreadable;
}

void ScanCounts::Refuse(ScanReason reason, const std::string& name)
{
    const auto r = static_cast<size_t>(reason);
    if (RefusedBy[r]++ == 0)
        FirstRefused[r] = name;
    ++Refused;
    ++Read;
}

void ScanCounts::Wait(const std::string& name)
{
    if (Pending++ == 0)
        FirstPending = name;
}

void ScanCounts::AtOtherWavelength(int32_t nm)
{
    ++OtherWavelengths;
    if (std::find(OtherNm.begin(), OtherNm.end(), nm) == OtherNm.end())
        OtherNm.push_back(nm);
}

std::string ScanCountText(const ScanCounts& c)
{
    std::string text
        = std::to_string(c.Read) + (c.Read == 1 ? " scan" : " scans") + " read, " + std::to_string(c.Used) + " used";
    if (c.Refused > 0) {
        text += ", " + std::to_string(c.Refused) + " refused (";
        bool first = true;
        for (size_t r = 0; r < c.RefusedBy.size(); ++r) {
            if (c.RefusedBy[r] == 0)
                continue;
            text += (first ? "" : "; ") + std::string(ScanReasonText(static_cast<ScanReason>(r))) + ": "
                + c.FirstRefused[r];
            if (c.RefusedBy[r] > 1)
                text += " and " + std::to_string(c.RefusedBy[r] - 1) + " more";
            first = false;
        }
        text += ")";
    }
    if (c.Pending > 0)
        text += ", " + std::to_string(c.Pending) + " not yet complete (" + c.FirstPending
            + (c.Pending > 1 ? " and " + std::to_string(c.Pending - 1) + " more" : "") + ")";
    if (c.OtherWavelengths > 0) {
        text += ", " + std::to_string(c.OtherWavelengths) + " at other wavelengths (";
        for (size_t k = 0; k < c.OtherNm.size(); ++k)
            text += (k > 0 ? ", " : "") + std::to_string(c.OtherNm[k]);
        text += " nm)";
    }
    return text;
}

} // namespace morvane
