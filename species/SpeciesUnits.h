#pragma once
#include <limits>

namespace morvane {

// The numbers the species library's own files share.
namespace speciesunits {
inline constexpr double Svedberg = 1e-13; // s
inline constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
} // namespace speciesunits

} // namespace morvane
