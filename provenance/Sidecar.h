#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "analysis/CustomSettings.h"
#include "settings/GUISettings.h"

// The sidecar: a JSON record "<output>.json" beside every file Morvane writes, from which
// `morvane-cli reproduce` runs the analysis again. It names the program and version, the date, the
// kind of output and its own size and SHA-256, and per channel read: the run directory, the channel
// entry, every scan file of the load (used or refused) with its size and SHA-256, the positions, the
// averaging rule, the analysis settings whole, and the sets the output was made from; besides them
// the display settings the output read and what else the kind took (a set index, a range, ...).

// Raised when the layout changes so that an older reader would misread a sidecar.
inline constexpr int32_t SidecarFormat = 1;

// Kinds of output; a new writer adds its own name.
inline constexpr const char* KindGofs = "gofs"; // the newest g(s*) set, gaps from the composite
inline constexpr const char* KindGofsSet = "gofs-set"; // one g(s*) set alone (parameters: "set")
inline constexpr const char* KindExtrapolation = "extrapolation"; // ("start", "end")
inline constexpr const char* KindComparison = "comparison"; // ("normalized", "columns")

// One scan file of a load.
struct InputFile {
    std::string Name; // in the run directory
    int64_t Size = -1; // bytes; -1: it could not be read when the sidecar was written
    std::string Sha256; // empty: likewise
    std::string Refused; // empty: among the channel's scans; otherwise why the load refused it
};

// A set of one of the engine's stores that the output was made from.
struct SetRecord {
    std::string Store; // "g(s*)" or "smoothed g(s*)"
    int32_t Index = 0;
    int32_t FirstRawScan = -1; // the raw scans (indices into the files used) it was computed from
    int32_t LastRawScan = -1;
    std::string FirstFile, LastFile;
    double MeanTime = 0; // s
};

// Everything of one channel's load that its result depends on.
struct ChannelRecord {
    std::string RunDirectory;
    std::string Channel; // the channel entry, e.g. "0*.RA1" or "0*.RI3Sam"
    double Meniscus = 0, Bottom = 0, JitterRadius = 0, FringeRadius = 0; // cm
    bool WindowByMW = false; // the averaging window follows AssumedMW (else the species at mid-cell)
    double AssumedMW = 150000; // g/mol
    CustomSettings Analysis;
    std::vector<InputFile> Files; // the channel's scans, in the order of the raw store
    std::vector<InputFile> RefusedFiles; // complete files of the channel that the load refused, name order
    int32_t GofsSets = 0; // g(s*) sets the engine held
    std::vector<SetRecord> Sets;
};

struct Sidecar {
    int32_t Format = SidecarFormat;
    std::string Kind;
    std::string Program; // "morvane" or "morvane-cli"
    std::string Version; // the program's version text
    std::string WrittenUtc; // ISO 8601, e.g. "2024-05-01T12:34:56Z"
    std::string OutputPath; // as the output names itself (the g(s*) file's first line)
    int64_t OutputSize = -1;
    std::string OutputSha256;
    nlohmann::ordered_json Parameters = nlohmann::ordered_json::object(); // what the kind took besides the channels
    std::vector<std::string> DisplayKeys; // the display settings the output read ...
    GUISettings Display; // ... and their values
    std::vector<ChannelRecord> Channels;
};

// The sidecar's name: the output's full name + ".json", beside it.
std::string SidecarPath(const std::string& outputPath);
// The output a sidecar stands beside: its path without ".json" (empty when it has none).
std::string OutputBesideSidecar(const std::string& sidecarPath);

// The JSON text, two-space indented. Settings by key name, every double as the shortest text that
// reads back as the same double; a number that is not finite is null. A text that is not UTF-8 (a
// path's bytes) is written as {"bytes_hex": "..."}, so that it reads back byte for byte.
std::string SidecarText(const Sidecar& sidecar);

// Reads a sidecar. Returns "" with `sidecar` filled, or what is wrong, one line (not JSON, a missing
// or mistyped field: its place, e.g. "channels[0].files[2].sha256 is missing"). Settings keys the
// sidecar lacks keep their built-in values and keys this version does not know are skipped, each
// with a line in `notes`.
std::string ReadSidecar(const std::string& text, Sidecar& sidecar, std::vector<std::string>& notes);

// The version text of this build, e.g. "0.4.0 (1a2b3c4d5e)".
std::string ProgramVersion();

// The current time as written in WrittenUtc.
std::string UtcNowText();

// Fills Program, Version, WrittenUtc and the output's size and SHA-256 (read back from OutputPath),
// then writes the sidecar beside the output through a temporary file and a rename. Returns "" or
// one line saying that the sidecar could not be written and that the output itself was.
std::string WriteSidecar(Sidecar& sidecar, const std::string& program);
