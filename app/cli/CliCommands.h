#pragma once
// The headless program's subcommands, apart from its entry point so that tests can run them: each
// in its own file, registered on the program's parser by its Add...Command function.
#include "app/cli/AnalyzeCommand.h"
#include "app/cli/ChannelsCommand.h"
#include "app/cli/CompareCommand.h"
#include "app/cli/CsCommand.h"
#include "app/cli/ExportCommand.h"
#include "app/cli/ExtrapolateCommand.h"
#include "app/cli/FitCommand.h"
#include "app/cli/RecomposeCommand.h"
#include "app/cli/ReportCommand.h"
#include "app/cli/ReproduceCommand.h"

namespace morvane {

} // namespace morvane
