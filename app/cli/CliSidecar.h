#pragma once
#include <iosfwd>

#include "provenance/Sidecar.h"

namespace morvane {

// Writes the sidecar beside an output that morvane-cli wrote. A failure is one line on err (the
// output stays); returns false then.
bool WriteCliSidecar(Sidecar& sidecar, std::ostream& err);

} // namespace morvane
