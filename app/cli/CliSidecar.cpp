#include "app/cli/CliSidecar.h"

#include <ostream>

#include "app/cli/CliSupport.h"

namespace morvane {

bool WriteCliSidecar(Sidecar& sidecar, std::ostream& err)
{
    const std::string failure = WriteSidecar(sidecar, "morvane-cli");
    if (failure.empty())
        return true;
    err << CliProgramPrefix << failure << "\n";
    return false;
}

} // namespace morvane
