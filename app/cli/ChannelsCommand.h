#pragma once
#include <iosfwd>
#include <string>

#include "app/cli/CliSupport.h"

namespace morvane {

// morvane-cli channels ROOT

// Lists the run directories below `path` (newest marked "*") and the channels of the newest run,
// or of `path` itself when it holds the scan files; a symbolic link loop below it is skipped and
// named on err. Returns the exit status.
int RunChannels(const std::string& path, std::ostream& out, std::ostream& err);

CliCommand AddChannelsCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
