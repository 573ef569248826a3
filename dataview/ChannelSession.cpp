#include "dataview/ChannelSession.h"

LaunchParameters LaunchParameters::Defaults(
    const std::string& channel, const GUISettings& display, const CustomSettings& analysis)
{
    LaunchParameters p;
    p.Channel = channel;
    p.Meniscus = display.DefaultMeniscus;
    p.Bottom = analysis.DefaultCellBottom;
    p.JitterRadius = display.DefaultJitter;
    p.FringeRadius = display.DefaultIntegralFringe;
    return p;
}

void ConfigureForLaunch(RealTimeGofS& engine, const LaunchParameters& launch, const CustomSettings& analysis)
{
    engine.ChannelName = launch.Channel;
    engine.Meniscus = launch.Meniscus;
    engine.Bottom = launch.Bottom;
    engine.JitterRadius = launch.JitterRadius;
    engine.FringeRadius = launch.FringeRadius;
    engine.Settings = analysis;
    engine.WindowByMW = launch.WindowByMW;
    engine.AssumedMW = launch.AssumedMW;
    engine.SetCorrectionsFromChannel();
}

void OpenChannel(ChannelFollower& follower, const std::string& directory, const LaunchParameters& launch,
    const CustomSettings& analysis)
{
    ConfigureForLaunch(*follower.Engine, launch, analysis);
    follower.LoadChannel(directory, "watch");
}
