#include "follower/ChannelSession.h"

#include <algorithm>

namespace morvane {

LaunchParameters LaunchParameters::Defaults(
    const std::string& channel, const GUISettings& display, const CustomSettings& analysis)
{
    LaunchParameters p;
    p.Channel = channel;
    p.Cell.Meniscus = display.DefaultMeniscus;
    p.Cell.Bottom = analysis.DefaultCellBottom;
    p.Cell.JitterRadius = display.DefaultJitter;
    p.Cell.FringeRadius = display.DefaultIntegralFringe;
    return p;
}

void ConfigureForLaunch(RealTimeGofS& engine, const LaunchParameters& launch, const CustomSettings& analysis)
{
    engine.ChannelName = launch.Channel;
    engine.Cell = launch.Cell;
    engine.Settings = analysis;
    engine.SetCorrectionsFromChannel();
}

void OpenChannel(ChannelFollower& follower, const std::string& directory, const LaunchParameters& launch,
    const CustomSettings& analysis)
{
    ConfigureForLaunch(*follower.Engine, launch, analysis);
    follower.LoadChannel(directory, "watch");
}

void OpenFinishedChannel(ChannelFollower& follower, const std::string& directory, const LaunchParameters& launch,
    const std::function<void(int)>& pause, const CustomSettings& analysis)
{
    OpenChannel(follower, directory, launch, analysis);
    std::vector<FileLook> waiting = follower.WaitingFiles();
    for (int32_t look = 0; look < FinishedRunLooks && !waiting.empty(); ++look) {
        if (pause)
            pause(FinishedRunLookMs);
        // A file unchanged since the last look has settled and is read now (a refresh, or a full
        // load while no scan was taken): the result is what a full load of the complete files gives.
        follower.Timer1Timer();
        std::vector<FileLook> now = follower.WaitingFiles();
        const bool same = now.size() == waiting.size()
            && std::equal(now.begin(), now.end(), waiting.begin(),
                [](const FileLook& a, const FileLook& b) { return a.Name == b.Name && a.SameAs(b); });
        if (same)
            break; // what still waits has stopped changing without being complete
        waiting = std::move(now);
    }
}

} // namespace morvane
