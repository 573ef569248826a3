#include "provenance/Reproduction.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <stdlib.h>

#include "dataview/ChannelSession.h"
#include "provenance/Sha256.h"
#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"

namespace fs = std::filesystem;

namespace {

std::string SizeAndHash(int64_t size, const std::string& sha)
{
    if (size < 0)
        return "not readable";
    return std::to_string(size) + " bytes, sha256 " + sha;
}

// A line of a text for a message: CR and LF made visible, cut after 120 characters.
std::string Shown(const std::string& line)
{
    std::string text;
    for (const char c : line) {
        if (text.size() >= 120) {
            text += "...";
            break;
        }
        text += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return "\"" + text + "\"";
}

// The line starting at `from`, its LF included; empty at the end.
std::string LineAt(const std::string& text, size_t from)
{
    if (from >= text.size())
        return {};
    const size_t lf = text.find('\n', from);
    return text.substr(from, lf == std::string::npos ? std::string::npos : lf - from + 1);
}

} // namespace

std::string InputDifferenceText(const InputDifference& d)
{
    switch (d.What) {
    case InputDifference::Kind::Changed:
        return "changed: " + d.Name + " (recorded " + SizeAndHash(d.ExpectedSize, d.ExpectedSha256) + "; found "
            + SizeAndHash(d.FoundSize, d.FoundSha256) + ")";
    case InputDifference::Kind::Missing:
        return "missing: " + d.Name + " (recorded " + SizeAndHash(d.ExpectedSize, d.ExpectedSha256) + ")";
    case InputDifference::Kind::Added:
        break;
    }
    return "added: " + d.Name + " (" + SizeAndHash(d.FoundSize, d.FoundSha256) + "; not in the record, so not loaded)";
}

StagingDirectory::StagingDirectory()
{
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "morvane-reproduce-XXXXXX").string();
    if (!ec && ::mkdtemp(pattern.data()))
        path_ = pattern;
}

StagingDirectory::~StagingDirectory()
{
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

std::vector<InputDifference> StageRecordedFiles(const ChannelRecord& channel, const std::string& stagingDir)
{
    std::vector<InputDifference> differences;
    std::set<std::string> recorded;
    auto stage = [&](const InputFile& f) {
        recorded.insert(f.Name);
        const std::string source = JoinPath(channel.RunDirectory, f.Name);
        const std::string copy = JoinPath(stagingDir, f.Name);
        std::error_code ec;
        // The copy is what is both checked and loaded: a file changing meanwhile cannot split the two.
        FileDigest found;
        if (fs::is_regular_file(source, ec) && fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec))
            found = DigestOfFile(copy);
        if (!found.Read)
            fs::remove(copy, ec);
        const bool was = f.Size >= 0 && !f.Sha256.empty();
        if (was == found.Read && (!was || (f.Size == found.Size && f.Sha256 == found.Sha256)))
            return;
        InputDifference d;
        d.What = was && !found.Read ? InputDifference::Kind::Missing : InputDifference::Kind::Changed;
        d.Name = f.Name;
        d.ExpectedSize = f.Size;
        d.ExpectedSha256 = f.Sha256;
        d.FoundSize = found.Size;
        d.FoundSha256 = found.Sha256;
        differences.push_back(d);
    };
    for (const InputFile& f : channel.Files)
        stage(f);
    for (const InputFile& f : channel.RefusedFiles)
        stage(f);
    std::vector<std::string> present = ListFiles(channel.RunDirectory, channel.Channel.substr(0, 6));
    SortNamesIgnoringCase(present);
    const int32_t nm = EntryWavelength(channel.Channel);
    for (const std::string& name : present) {
        if (recorded.count(name))
            continue;
        bool complete = false;
        const int32_t other = nm > 0 ? HeaderWavelength(JoinPath(channel.RunDirectory, name), complete) : 0;
        if (other > 0 && other != nm)
            continue; // a scan of another wavelength of the cell: another channel's
        InputDifference d;
        d.What = InputDifference::Kind::Added;
        d.Name = name;
        const FileDigest found = DigestOfFile(JoinPath(channel.RunDirectory, name));
        d.FoundSize = found.Size;
        d.FoundSha256 = found.Sha256;
        differences.push_back(d);
    }
    return differences;
}

bool LoadRecordedChannel(ChannelFollower& follower, const ChannelRecord& channel, const std::string& stagingDir)
{
    LaunchParameters launch;
    launch.Channel = channel.Channel;
    launch.Meniscus = channel.Meniscus;
    launch.Bottom = channel.Bottom;
    launch.JitterRadius = channel.JitterRadius;
    launch.FringeRadius = channel.FringeRadius;
    launch.WindowByMW = channel.WindowByMW;
    launch.AssumedMW = channel.AssumedMW;
    // The copies are new; the recorded files had all settled when they were read.
    const FileTime later = std::chrono::system_clock::now() + std::chrono::hours(24 * 365);
    follower.Now = [later] { return later; };
    OpenChannel(follower, stagingDir, launch, channel.Analysis);
    return follower.HasData;
}

std::string FirstDifference(const std::string& expected, const std::string& found)
{
    if (expected == found)
        return {};
    const size_t at = static_cast<size_t>(
        std::mismatch(expected.begin(), expected.end(), found.begin(), found.end()).first - expected.begin());
    const size_t lineStart = at == 0 ? 0 : expected.rfind('\n', at - 1) + 1; // npos + 1 = 0
    const size_t line = static_cast<size_t>(std::count(expected.begin(), expected.begin() + lineStart, '\n')) + 1;
    const std::string want = LineAt(expected, lineStart), got = LineAt(found, lineStart);
    return "line " + std::to_string(line) + ": expected " + (want.empty() ? "the end of the file" : Shown(want))
        + ", found " + (got.empty() ? "the end of the file" : Shown(got));
}
