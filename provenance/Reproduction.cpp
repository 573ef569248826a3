#include "provenance/Reproduction.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "follower/ChannelSession.h"
#include "provenance/RecordText.h"
#include "provenance/RecordedAnalysis.h"
#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/Sha256.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

std::string SizeAndHash(int64_t size, const std::string& sha)
{
    if (size < 0)
        return "not readable";
    return std::to_string(size) + " bytes, sha256 " + sha;
}

// A line of a text for a message: control characters made visible, cut after 120 bytes.
std::string Shown(const std::string& line)
{
    const std::string text = Printable(line);
    if (text.size() <= 120)
        return "\"" + text + "\"";
    size_t cut = 120;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return "\"" + text.substr(0, cut) + "...\"";
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
    const std::string recorded = "recorded " + SizeAndHash(d.ExpectedSize, d.ExpectedSha256);
    switch (d.What) {
    case InputDifference::Kind::Changed:
        return "changed: " + d.Name + " (" + recorded + "; found " + SizeAndHash(d.FoundSize, d.FoundSha256) + ")";
    case InputDifference::Kind::Missing:
        return "missing: " + d.Name + " (" + recorded + ")";
    case InputDifference::Kind::Unreadable:
        return "unreadable: " + d.Name + " (" + d.Reason + "; " + recorded + ")";
    case InputDifference::Kind::NotStaged:
        return "could not be staged: " + d.Name + " (copying it into the temporary directory failed: " + d.Reason
            + "; not checked; " + recorded + ")";
    case InputDifference::Kind::Unrecorded:
        return "not checkable: " + d.Name
            + " (a scan used in the result that the record lists without size and hash: it could not be read when "
              "the record was written)";
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

namespace {

std::string Canonical(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string text = resolved;
    ::free(resolved);
    return text;
}

bool Inside(const std::string& path, const std::string& dir)
{
    const std::string prefix = dir == "/" ? dir : dir + "/";
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

// What became of one recorded file's copy.
struct Staged {
    bool Copied = false;
    InputDifference::Kind Failure = InputDifference::Kind::Missing;
    std::string Reason;
    FileDigest Digest;
};

Staged Failed(InputDifference::Kind kind, const std::string& reason) { return { false, kind, reason, {} }; }

// The path to open for a recorded name: the entry itself, or where its link leads when that stays
// inside the run directory; otherwise why it is not read.
Staged Source(const std::string& runDir, const std::string& canonicalRun, const std::string& name, std::string& path)
{
    if (!IsPlainFileName(name))
        return Failed(InputDifference::Kind::Unreadable, "not a plain file name");
    path = JoinPath(runDir, name);
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0)
        return Failed(errno == ENOENT ? InputDifference::Kind::Missing : InputDifference::Kind::Unreadable,
            std::strerror(errno));
    if (!S_ISLNK(entry.st_mode))
        return { true, {}, {}, {} };
    const std::string target = Canonical(path);
    if (target.empty())
        return Failed(InputDifference::Kind::Missing, "a link to a missing file");
    if (canonicalRun.empty() || !Inside(target, canonicalRun))
        return Failed(InputDifference::Kind::Unreadable, "a link out of the run directory, to " + target);
    path = target;
    return { true, {}, {}, {} };
}

// Copies `from` (an open regular file) into a new file `copy`; "" or why the copy failed.
std::string CopyInto(int from, const std::string& copy, bool& readFailed)
{
    const int to = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (to < 0)
        return std::strerror(errno);
    std::array<char, 1 << 16> buffer {};
    std::string failure;
    while (failure.empty()) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            readFailed = got < 0;
            failure = got < 0 ? std::strerror(errno) : "";
            break;
        }
        for (ssize_t done = 0; done < got && failure.empty();) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR)
                failure = std::strerror(errno);
            else if (put == 0)
                failure = "nothing could be written";
            done += put > 0 ? put : 0;
        }
    }
    if (::close(to) != 0 && failure.empty())
        failure = std::strerror(errno);
    return failure;
}

Staged StageFile(const std::string& runDir, const std::string& canonicalRun, const std::string& name,
    const std::string& stagingDir)
{
    std::string source;
    if (Staged s = Source(runDir, canonicalRun, name, source); !s.Copied)
        return s;
    // O_NONBLOCK: a FIFO put in a scan's place cannot hold the open; it is then refused as no regular file.
    const int from = ::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (from < 0)
        return Failed(errno == ENOENT ? InputDifference::Kind::Missing : InputDifference::Kind::Unreadable,
            errno == ELOOP ? std::string("it became a link while being read") : std::strerror(errno));
    struct stat file {};
    if (::fstat(from, &file) != 0 || !S_ISREG(file.st_mode)) {
        ::close(from);
        return Failed(InputDifference::Kind::Unreadable, "not a regular file");
    }
    const std::string copy = JoinPath(stagingDir, name);
    bool readFailed = false;
    const std::string failure = CopyInto(from, copy, readFailed);
    ::close(from);
    Staged s;
    if (failure.empty()) {
        s.Digest = DigestOfFile(copy);
        s.Copied = s.Digest.Read;
    }
    if (!s.Copied) {
        std::error_code ec;
        std::filesystem::remove(copy, ec);
        s.Failure = readFailed ? InputDifference::Kind::Unreadable : InputDifference::Kind::NotStaged;
        s.Reason = failure.empty() ? "the copy could not be read back" : failure;
    }
    return s;
}

} // namespace

std::string RecordedPathsRefusal(const ChannelRecord& channel)
{
    const std::string canonicalRun = Canonical(channel.RunDirectory);
    for (const std::vector<InputFile>* files : { &channel.Files, &channel.RefusedFiles }) {
        for (const InputFile& f : *files) {
            if (!IsPlainFileName(f.Name))
                return "\"" + f.Name + "\" is not a plain file name (no directory, \"..\" or \"/\"): not read";
            std::string path;
            const Staged s = Source(channel.RunDirectory, canonicalRun, f.Name, path);
            if (!s.Copied && s.Failure == InputDifference::Kind::Unreadable)
                return f.Name + " in " + channel.RunDirectory + " is " + s.Reason + ": not read";
        }
    }
    return {};
}

std::vector<InputDifference> StageRecordedFiles(const ChannelRecord& channel, const std::string& stagingDir)
{
    std::vector<InputDifference> differences;
    std::set<std::string> recorded;
    const std::string canonicalRun = Canonical(channel.RunDirectory);
    auto stage = [&](const InputFile& f, bool used) {
        recorded.insert(f.Name);
        // The copy is what is both checked and loaded: a file changing meanwhile cannot split the two.
        const Staged s = StageFile(channel.RunDirectory, canonicalRun, f.Name, stagingDir);
        const bool was = f.Size >= 0 && !f.Sha256.empty();
        InputDifference d;
        d.Name = f.Name;
        d.ExpectedSize = f.Size;
        d.ExpectedSha256 = f.Sha256;
        d.FoundSize = s.Digest.Size;
        d.FoundSha256 = s.Digest.Sha256;
        d.Reason = s.Reason;
        if (used && !was)
            d.What = InputDifference::Kind::Unrecorded;
        else if (s.Copied && was && f.Size == s.Digest.Size && f.Sha256 == s.Digest.Sha256)
            return;
        else if (s.Copied)
            d.What = InputDifference::Kind::Changed;
        else if (!was && s.Failure != InputDifference::Kind::NotStaged)
            return; // a refused file that could not be read then and cannot now
        else
            d.What = s.Failure;
        differences.push_back(d);
    };
    for (const InputFile& f : channel.Files)
        stage(f, true);
    for (const InputFile& f : channel.RefusedFiles)
        stage(f, false);
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

std::string ReadRegularFile(const std::string& path, size_t maxBytes, std::string& text, int64_t* size)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? "no such file" : std::strerror(errno);
    struct stat file {};
    std::string failure;
    if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode))
        failure = "not a regular file";
    else if (size)
        *size = file.st_size;
    if (failure.empty() && static_cast<uint64_t>(file.st_size) > maxBytes)
        failure = std::to_string(file.st_size) + " bytes, more than the " + std::to_string(maxBytes) + " that are read";
    std::array<char, 1 << 16> buffer {};
    while (failure.empty()) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            failure = std::strerror(errno);
        if (got <= 0)
            break;
        text.append(buffer.data(), static_cast<size_t>(got));
        if (text.size() > maxBytes) // it grows while being read
            failure = "more than the " + std::to_string(maxBytes) + " bytes that are read";
    }
    ::close(fd);
    if (!failure.empty())
        text.clear();
    return failure;
}

bool LoadRecordedChannel(ChannelFollower& follower, const ChannelRecord& channel, const std::string& stagingDir)
{
    const LaunchParameters launch = LaunchOfRecord(channel);
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

} // namespace morvane
