#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "analysis/CustomSettings.h"
#include "follower/ChannelFollower.h"
#include "realtime/CellParameters.h"
#include "settings/GUISettings.h"

namespace morvane {

// What a launch hands a new data view's engine: the channel, the starting positions and the
// averaging rule. Defaults come from the display and analysis settings.
struct LaunchParameters {
    std::string Channel; // channel entry, e.g. "0*.RA1" or "0*.RI3Sam"
    CellParameters Cell;

    static LaunchParameters Defaults(const std::string& channel, const GUISettings& display = GUISettings(),
        const CustomSettings& analysis = CustomSettings());
};

// Names the channel in the engine, sets its cell parameters, copies the analysis settings and turns the
// interference corrections on for an interference channel.
void ConfigureForLaunch(RealTimeGofS& engine, const LaunchParameters& launch, const CustomSettings& analysis);

// Configures a follower's engine for the channel and runs the full load of `directory`.
void OpenChannel(ChannelFollower& follower, const std::string& directory, const LaunchParameters& launch,
    const CustomSettings& analysis = CustomSettings());

// A one-shot command reads a run as it finds it: every file that is complete (ends with a line end
// and parses) is taken, also one written a moment ago. The settle rule of a followed run would
// leave a file changed less than SettleSeconds ago for the next tick, which a single load never
// has: instead, while files are not complete, it looks again after FinishedRunLookMs (`pause`
// waits; empty: at once), for as long as one of them keeps changing, at most FinishedRunLooks
// times. A file unchanged since the look before that is still not complete (no line end) stays
// out, counted as not yet complete.
constexpr int32_t FinishedRunLookMs = 1000;
constexpr int32_t FinishedRunLooks = 10;
void OpenFinishedChannel(ChannelFollower& follower, const std::string& directory, const LaunchParameters& launch,
    const std::function<void(int)>& pause, const CustomSettings& analysis = CustomSettings());

} // namespace morvane
