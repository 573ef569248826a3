#include "app/cli/CliCommands.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/ChannelLoading.h"
#include "dataview/ChannelSession.h"
#include "dataview/GofsOutput.h"
#include "mainwindow/ChannelDetection.h"
#include "mainwindow/RunDiscovery.h"
#include "scanfiles/FileSystem.h"

namespace fs = std::filesystem;

namespace {

const char* const Prog = "morvane-cli: ";
constexpr double PeakSearchFromS = 0.1; // Svedbergs

bool IsDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

struct Summary {
    int32_t scans = 0;
    int32_t sets = 0;
    double firstTime = 0;
    double lastTime = 0;
    double peakS = 0;
};

Summary Summarise(const RealTimeGofS& e, int32_t set, bool newest)
{
    Summary s;
    const ChannelDataStore& raw = *e.RawStore;
    s.scans = raw.GetNumberOfSets();
    s.sets = e.GofsStore->GetNumberOfSets();
    int32_t first = 0, last = s.scans - 1;
    if (!newest) {
        const ScanHeader& g = e.GofsStore->Headers[static_cast<size_t>(set)];
        first = e.DcdtStore->Headers[static_cast<size_t>(g.FirstScan)].FirstScan;
        last = e.DcdtStore->Headers[static_cast<size_t>(g.LastScan)].LastScan;
    }
    s.firstTime = raw.Headers[static_cast<size_t>(first)].Time;
    s.lastTime = raw.Headers[static_cast<size_t>(last)].Time;
    // Below 0.1 S, g = v / s* is dominated by the noise next to the meniscus, amplified by 1 / s*.
    double best = -HUGE_VAL;
    for (const GofsRow& row : GofsRows(e, set, newest)) {
        if (row.sStar >= PeakSearchFromS && row.gofs > best) {
            best = row.gofs;
            s.peakS = row.sStar;
        }
    }
    return s;
}

class CliFollower : public ChannelFollower {
public:
    std::ostream* progress = nullptr;

protected:
    void ShowProgress(const std::string& text) override
    {
        if (progress)
            *progress << "\r" << text << "        " << std::flush;
    }
    void EndLoad(bool) override
    {
        if (progress)
            *progress << "\r" << std::string(40, ' ') << "\r" << std::flush;
    }
};

} // namespace

int RunChannels(const std::string& path, std::ostream& out, std::ostream& err)
{
    if (!IsDirectory(path)) {
        err << Prog << "no such directory: " << path << "\n";
        return 2;
    }
    const RunDirectories runs = ListRunDirectories(path);
    if (!runs.Failure.empty()) {
        err << Prog << runs.Failure << ": " << path << "\n";
        return 1;
    }
    out << "Run directories below " << path << " (* newest):\n";
    for (size_t i = 0; i < runs.Dirs.size(); ++i)
        out << (static_cast<int32_t>(i) == runs.Newest ? "* " : "  ") << runs.Dirs[i] << "\n";
    const std::string& newest = runs.Dirs[static_cast<size_t>(runs.Newest)];
    const ChannelDetection channels = DetectChannels(newest);
    out << "Channels in " << newest << " (* selected):\n";
    if (channels.Entries.empty()) {
        out << "  (no channel found)\n";
        return 1;
    }
    for (size_t i = 0; i < channels.Entries.size(); ++i)
        out << (static_cast<int32_t>(i) == channels.Selected ? "* " : "  ") << channels.Entries[i] << "\n";
    return 0;
}

int RunAnalyze(const AnalyzeOptions& o, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs)
{
    if (!IsDirectory(o.runDir)) {
        err << Prog << "no such directory: " << o.runDir << "\n";
        return 2;
    }
    int status = 0;
    const std::string channel = ChooseChannel(o.runDir, o.channel, err, status);
    if (channel.empty())
        return status;
    const std::optional<LaunchParameters> launch = LaunchFromOptions(o, channel, err);
    if (!launch)
        return 2;

    CliFollower follower;
    if (o.progress)
        follower.progress = &err;
    OpenChannel(follower, o.runDir, *launch);
    const RealTimeGofS& e = *follower.Engine;

    // Writes the file for the current state; returns an exit status, or -1 when there is nothing yet.
    auto writeOnce = [&](bool finalAttempt) -> int {
        const std::string noGofs = NoGofsReason(follower, channel, o.runDir);
        if (!noGofs.empty()) {
            if (!finalAttempt)
                return -1;
            err << Prog << noGofs << "\n";
            return 1;
        }
        const bool newest = !o.set.has_value();
        const int32_t set = newest ? -1 : *o.set;
        if (!newest && (set < 0 || set >= e.GofsStore->GetNumberOfSets())) {
            err << Prog << "set " << set << " does not exist: the channel has " << e.GofsStore->GetNumberOfSets()
                << " g(s*) sets, numbered from 0\n";
            return 2;
        }
        const std::string path = o.output.empty() ? ProposedGofsFileName(e, "") : o.output;
        std::string detail;
        const std::string failure = WriteGofsFile(e, path, set, newest, &detail);
        if (!failure.empty()) {
            err << Prog << failure << (detail.empty() ? "" : " (" + detail + ")") << "\n";
            return 1;
        }
        const Summary s = Summarise(e, set, newest);
        if (o.json) {
            out << "{\"file\":" << JsonString(path) << ",\"channel\":" << JsonString(channel)
                << ",\"scans\":" << s.scans << ",\"sets\":" << s.sets << ",\"set\":" << (newest ? s.sets - 1 : set)
                << ",\"first_time_s\":" << FloatToStr(s.firstTime) << ",\"last_time_s\":" << FloatToStr(s.lastTime)
                << ",\"peak_s_star\":" << FloatToStr(s.peakS) << "}\n";
        } else {
            char line[512];
            std::snprintf(line, sizeof line,
                "%s: %d g(s*) sets from %d scans of %s, t = %.0f to %.0f s, g(s*) peak at s* = %.3g S", path.c_str(),
                s.sets, s.scans, channel.c_str(), s.firstTime, s.lastTime, s.peakS);
            out << line << "\n";
        }
        out.flush();
        return 0;
    };

    if (!o.watch)
        return writeOnce(true);

    status = writeOnce(false);
    if (status > 0)
        return status;
    if (status < 0)
        err << Prog << "waiting for scans of " << channel << " in " << o.runDir << "\n";
    int32_t known = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
    while (!stop) {
        sleepMs(follower.Timer1Interval);
        if (stop)
            break;
        const bool hadData = follower.HasData;
        follower.Timer1Timer();
        const int32_t now = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
        if (now != known || hadData != follower.HasData) {
            known = now;
            status = writeOnce(false);
            if (status > 0)
                return status;
        }
    }
    return 0;
}
