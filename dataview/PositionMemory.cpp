#include "dataview/PositionMemory.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "analysis/NumberText.h"
#include "provenance/RecordText.h"
#include "provenance/Reproduction.h"
#include "provenance/Sidecar.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

CellPositions PositionsOf(const CellParameters& cell)
{
    return { cell.Meniscus, cell.Bottom, cell.JitterRadius, cell.FringeRadius };
}

void SetPositions(CellParameters& cell, const CellPositions& p)
{
    cell.Meniscus = p.Meniscus;
    cell.Bottom = p.Bottom;
    cell.JitterRadius = p.JitterRadius;
    cell.FringeRadius = p.FringeRadius;
}

namespace {

constexpr int FileFormat = 1;

struct Entry {
    std::string Run, Channel;
    CellPositions Positions;
};

// The run as a key: absolute, links resolved where they exist, no trailing delimiter; the same
// directory reached by another path is the same run.
std::string RunKey(const std::string& run)
{
    std::error_code ec;
    fs::path path = fs::weakly_canonical(fs::absolute(run, ec), ec);
    if (ec)
        path = fs::path(run).lexically_normal();
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::runtime_error Bad(const std::string& what) { return std::runtime_error(what); }

std::string TextOf(const Json& j, const std::string& at)
{
    if (j.is_string())
        return j.get<std::string>();
    if (!j.is_object() || j.size() != 1 || !j.contains("bytes_hex") || !j["bytes_hex"].is_string())
        throw Bad(at + " is not a text");
    const std::string hex = j["bytes_hex"].get<std::string>();
    const auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = i + 1 < hex.size() ? digit(hex[i + 1]) : -1;
        if (high < 0 || low < 0)
            throw Bad(at + ".bytes_hex is not hexadecimal");
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

double RadiusOf(const Json& entry, const char* name, const std::string& at)
{
    const auto it = entry.find(name);
    if (it == entry.end() || !it->is_number())
        throw Bad(at + "." + name + " is missing or not a number");
    const double x = it->get<double>();
    if (!std::isfinite(x) || !(x > 0) || x > 100)
        throw Bad(at + "." + name + " (" + FloatToStr(x) + ") is no radius in cm");
    return x;
}

// The entries of the file's text; throws with the place of what is wrong.
std::vector<Entry> ParseEntries(const std::string& text)
{
    if (NestingBeyond(text, 8) != std::string::npos)
        throw Bad("nested too deeply");
    Json j;
    try {
        j = Json::parse(text);
    } catch (const Json::exception&) {
        throw Bad("not JSON");
    }
    if (!j.is_object() || !j.contains("format") || j["format"] != FileFormat || !j.contains("positions")
        || !j["positions"].is_array())
        throw Bad("not a positions file of format " + std::to_string(FileFormat));
    std::vector<Entry> entries;
    for (size_t i = 0; i < j["positions"].size() && i < PositionMemory::MaxEntries; ++i) {
        const Json& e = j["positions"][i];
        const std::string at = "positions[" + std::to_string(i) + "]";
        if (!e.is_object() || !e.contains("run") || !e.contains("channel"))
            throw Bad(at + " has no run or channel");
        Entry entry;
        entry.Run = TextOf(e["run"], at + ".run");
        entry.Channel = TextOf(e["channel"], at + ".channel");
        entry.Positions = { RadiusOf(e, "meniscus_cm", at), RadiusOf(e, "bottom_cm", at), RadiusOf(e, "jitter_cm", at),
            RadiusOf(e, "fringe_cm", at) };
        if (!(entry.Positions.Meniscus < entry.Positions.Bottom))
            throw Bad(at + ".meniscus_cm must lie below bottom_cm");
        entries.push_back(std::move(entry));
    }
    return entries;
}

// The file's entries; none when it does not exist. `problem`: why an existing file is not used.
std::vector<Entry> ReadEntries(const std::string& file, std::string& problem)
{
    problem.clear();
    std::string text;
    const std::string failure = ReadRegularFile(file, PositionMemory::MaxFileBytes, text);
    if (failure == "no such file")
        return {};
    try {
        if (!failure.empty())
            throw Bad(failure);
        return ParseEntries(text);
    } catch (const std::exception& e) {
        problem = "The remembered positions in " + Printable(file) + " were not used (" + Printable(e.what())
            + "); the file is replaced when positions are next remembered.";
        return {};
    }
}

std::string WriteEntries(const std::string& file, const std::vector<Entry>& entries)
{
    Json list = Json::array();
    for (size_t i = 0; i < entries.size() && i < PositionMemory::MaxEntries; ++i) {
        const Entry& e = entries[i];
        list.push_back({ { "run", TextJson(e.Run) }, { "channel", TextJson(e.Channel) },
            { "meniscus_cm", e.Positions.Meniscus }, { "bottom_cm", e.Positions.Bottom },
            { "jitter_cm", e.Positions.JitterRadius }, { "fringe_cm", e.Positions.FringeRadius } });
    }
    const Json j { { "format", FileFormat }, { "positions", list } };
    std::error_code ec;
    fs::create_directories(fs::path(file).parent_path(), ec);
    const std::string failure = WriteFileAtomically(file, j.dump(2) + "\n");
    return failure.empty() ? "" : "The positions could not be remembered in " + Printable(file) + ": " + failure;
}

} // namespace

std::string PositionMemory::DefaultFile(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        return (fs::path(xdgConfigHome) / "morvane" / FileName).string();
    if (home && *home)
        return (fs::path(home) / ".config" / "morvane" / FileName).string();
    return {};
}

std::string PositionMemory::DefaultFile() { return DefaultFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

bool PositionMemory::Recall(
    const std::string& run, const std::string& channel, CellPositions& positions, std::string& problem) const
{
    problem.clear();
    if (File.empty())
        return false;
    const std::string key = RunKey(run);
    for (const Entry& e : ReadEntries(File, problem)) {
        if (e.Run == key && e.Channel == channel) {
            positions = e.Positions;
            return true;
        }
    }
    return false;
}

std::string PositionMemory::Remember(const std::string& run, const std::string& channel, const CellPositions& positions)
{
    if (File.empty())
        return {};
    std::string problem; // a file that cannot be used is replaced
    std::vector<Entry> entries = ReadEntries(File, problem);
    const std::string key = RunKey(run);
    std::erase_if(entries, [&](const Entry& e) { return e.Run == key && e.Channel == channel; });
    entries.insert(entries.begin(), Entry { key, channel, positions });
    return WriteEntries(File, entries);
}

std::string PositionMemory::Forget(const std::string& run, const std::string& channel)
{
    if (File.empty())
        return {};
    std::string problem;
    std::vector<Entry> entries = ReadEntries(File, problem);
    const std::string key = RunKey(run);
    const size_t before = entries.size();
    std::erase_if(entries, [&](const Entry& e) { return e.Run == key && e.Channel == channel; });
    if (entries.size() == before && problem.empty())
        return {};
    return WriteEntries(File, entries);
}

} // namespace morvane
