#include "SimulatedChannel.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>

#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

SimRun SingleSpeciesRun()
{
    SimRun run = MixtureRun();
    run.species.resize(1);
    run.species[0].loadingMgPerMl = 1.0;
    return run;
}

SimRun MixtureRun()
{
    SimRun run = DemoRun();
    run.cells.resize(1);
    return run;
}

SimRun SlowSpeciesRun()
{
    SimRun run = MixtureRun();
    run.species[1].sSvedberg = 0.8;
    run.species[1].molecularWeight = 10000;
    run.species[1].loadingMgPerMl = 0.3;
    return run;
}

SimRun ThreeSpeciesRun()
{
    SimRun run = MixtureRun();
    run.species[0].loadingMgPerMl = 0.6;
    run.species[1].loadingMgPerMl = 0.25;
    SimSpecies trimer;
    trimer.sSvedberg = 9.5;
    trimer.molecularWeight = 200000;
    trimer.loadingMgPerMl = 0.15;
    run.species.push_back(trimer);
    return run;
}

SimRun SmallProteinRun()
{
    SimRun run = SingleSpeciesRun();
    run.species[0].sSvedberg = 1.8;
    run.species[0].molecularWeight = 17000;
    return run;
}

SimRun ThreeSpeciesEvenRun()
{
    SimRun run = MixtureRun();
    run.species[0].loadingMgPerMl = 0.6;
    SimSpecies trimer = run.species[1];
    trimer.sSvedberg = 9.5;
    trimer.molecularWeight = 198000;
    run.species.push_back(trimer);
    return run;
}

SimRun NoisyInterferenceRun()
{
    SimRun run = SingleSpeciesRun();
    run.cells[0].kind = OpticalKind::Interference;
    run.species[0].sSvedberg = 6.5;
    run.species[0].molecularWeight = 150000;
    run.species[0].loadingMgPerMl = 0.5;
    run.rpm = 45000;
    run.fringeNoise = 0.02;
    run.baselineOffsetSd = 0.3;
    run.fringeJumpProbability = 0.1;
    run.timeInvariantNoiseSd = 0.01;
    run.meniscusArtefact = true;
    run.scanEdgeJitterCm = 0.003;
    return run;
}

const RealTimeGofS& EngineOfRun(const std::string& name, const SimRun& run)
{
    static std::map<std::string, std::unique_ptr<ChannelFollower>> followers;
    std::unique_ptr<ChannelFollower>& follower = followers[name];
    if (!follower) {
        testutil::TempDir dir;
        RunSimulator simulator(run);
        EXPECT_EQ(WriteRunFiles(simulator, dir.path(), nullptr, nullptr), "");
        // Long settled, so that the follower takes even the newest file at its first look.
        const auto past = std::chrono::file_clock::from_sys(
            std::chrono::system_clock::time_point(std::chrono::seconds(1577836800)));
        for (const auto& file : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::last_write_time(file.path(), past);
        follower = std::make_unique<ChannelFollower>();
        const SimCell& cell = run.cells.front();
        const std::string mask = std::string(1, cell.channelLetter) + "*." + KindCode(cell.kind) + std::to_string(cell.cell);
        OpenChannel(*follower, dir.path(), LaunchParameters::Defaults(mask));
    }
    return *follower->Engine;
}
