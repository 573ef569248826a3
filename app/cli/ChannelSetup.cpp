#include "app/cli/ChannelSetup.h"

#include <ostream>

namespace morvane {

std::string OptionsOrOutputRefusal(
    const std::string& wrong, const std::string& output, const std::string& runDir, bool force)
{
    return wrong.empty() ? OutputRefusal(output, runDir, force) : CliProgramPrefix + wrong;
}

int SetUpSettings(const AnalysisOptions& o, ChannelSetup& setup, std::ostream& err, const CommandChecks& checks)
{
    if (const std::string wrong = SettingsAndLaunchFromOptions(o, setup.settings, setup.launch); !wrong.empty()) {
        err << CliProgramPrefix << wrong << "\n";
        return 2;
    }
    if (checks)
        if (const std::string wrong = checks(setup.settings); !wrong.empty()) {
            err << wrong << "\n";
            return 2;
        }
    return 0;
}

int SetUpChannel(const AnalysisOptions& o, const std::string& runDir, const std::string& channel, ChannelSetup& setup,
    std::ostream& err, const CommandChecks& checks)
{
    if (const int status = SetUpSettings(o, setup, err, checks); status != 0)
        return status;
    if (!IsDirectory(runDir)) {
        err << CliProgramPrefix << "no such directory: " << runDir << "\n";
        return 2;
    }
    return ChooseChannelForLaunch(runDir, channel, o.wavelength, setup.launch, err);
}

int LoadSetUpChannel(ChannelFollower& follower, const AnalysisOptions& o, const std::string& runDir,
    const ChannelSetup& setup, std::ostream& err, bool quiet, std::optional<double>& meniscusFound,
    const std::string& name)
{
    follower.SettingsFile = o.settingsFile;
    OpenFinishedChannel(follower, runDir, setup.launch, o.pause, setup.settings.Analysis);
    if (!follower.HasData) {
        err << NoDataMessage(follower, setup.launch.Channel, runDir) << "\n";
        return 1;
    }
    if (!TakeMeniscusIfAuto(o, *follower.Engine, name.empty() ? setup.launch.Channel : name, err, quiet, meniscusFound))
        return 1;
    WarnAboutPositions(*follower.Engine, err);
    return 0;
}

} // namespace morvane
