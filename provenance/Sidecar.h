#pragma once
#include <cstdint>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "analysis/CustomSettings.h"
#include "realtime/CellParameters.h"
#include "settings/GUISettings.h"

namespace morvane {

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

// A record is read as text from outside. Larger ones are refused unread: a record lists each scan
// file in about 170 bytes, so 64 MB holds some 390,000 files, far more than any run (a channel uses
// at most 999 scans), while the parsed text takes several times its size in memory.
inline constexpr size_t MaxSidecarBytes = size_t { 64 } << 20;
// A record nests 5 levels (channels, their sets); its parameters a few more. Deeper text is refused
// before it is parsed: each level costs memory, and the 64 MB of a record could hold 64 million.
inline constexpr int MaxSidecarDepth = 32;

// One scan file of a load.
struct InputFile {
    std::string Name; // in the run directory: a plain file name
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
    CellParameters Cell;
    CustomSettings Analysis;
    std::string SettingsFile; // the settings file the settings came from; empty: the program's own
    std::vector<InputFile> Files; // the channel's scans, in the order of the raw store
    std::vector<InputFile> RefusedFiles; // complete files of the channel that the load refused, name order
    int32_t GofsSets = 0; // g(s*) sets the engine held
    std::vector<SetRecord> Sets;
};

// What an output's kind took besides the channels (a set, a range, ...): a JSON object, reached
// with * and ->. Held apart so that the readers of a record need not compile the JSON library;
// a copy copies the object.
class RecordParameters {
public:
    RecordParameters(); // an empty object
    RecordParameters(const RecordParameters& other);
    RecordParameters& operator=(const RecordParameters& other);
    ~RecordParameters();
    nlohmann::ordered_json& operator*() { return *json_; }
    const nlohmann::ordered_json& operator*() const { return *json_; }
    nlohmann::ordered_json* operator->() { return json_.get(); }
    const nlohmann::ordered_json* operator->() const { return json_.get(); }

private:
    std::unique_ptr<nlohmann::ordered_json> json_;
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
    RecordParameters Parameters; // what the kind took besides the channels
    std::vector<std::string> DisplayKeys; // the display settings the output read ...
    GUISettings Display; // ... and their values
    std::vector<ChannelRecord> Channels;
};

// The sidecar's name: the output's full name + ".json", beside it. When that name would be longer
// than a file name can be (an output name over 250 bytes), the output's name is cut to its first
// 233 bytes (at a character boundary) and followed by "~", the first 16 hexadecimal digits of the
// SHA-256 of its full name and ".json": 255 bytes at most. The record names its output either way.
std::string SidecarPath(const std::string& outputPath);
// The output a record stands beside: the file named as the sidecar without ".json" when there is
// one, otherwise the recorded output's file name in the sidecar's directory.
std::string OutputBesideSidecar(const std::string& sidecarPath, const Sidecar& sidecar);

// The JSON text, two-space indented. Settings by key name, every double as the shortest text that
// reads back as the same double; a number that is not finite is null. A text that is not UTF-8 (a
// path's bytes) is written as {"bytes_hex": "..."}, so that it reads back byte for byte.
std::string SidecarText(const Sidecar& sidecar);

// A text as a record holds it: itself when it is UTF-8, otherwise {"bytes_hex": "..."} of its bytes
// (the remembered positions keep their run paths so too).
nlohmann::ordered_json TextJson(const std::string& text);

// Reads a sidecar as hostile text. Returns "" with `sidecar` filled, or what is wrong, one line (not
// JSON, too large or too deeply nested, a missing or mistyped field: its place, e.g.
// "channels[0].files[2].sha256 is missing"; a file name that is not a plain name; a setting
// outside the range the settings file takes, or settings that break its rules; a position the
// command line would refuse). Settings keys the sidecar lacks keep their built-in values, keys this
// version does not know are skipped, and the derived keys and markers are this version's own, each
// with a line in `notes`. The messages and notes hold record text as it is: show them through
// Printable.
std::string ReadSidecar(const std::string& text, Sidecar& sidecar, std::vector<std::string>& notes);

// The scans used in the result that the record lists without size and hash (they could not be
// read when it was written), in its order.
std::vector<std::string> UnhashedUsedFiles(const Sidecar& sidecar);

// The version text of this build, e.g. "0.4.0 (1a2b3c4d5e)".
std::string ProgramVersion();

// The current time as written in WrittenUtc.
std::string UtcNowText();

// Fills Program, Version, WrittenUtc and the output's size and SHA-256 (read back from OutputPath),
// then writes the sidecar beside the output through a temporary file and a rename. Returns "" or
// one line saying that the sidecar could not be written and that the output itself was, or that
// it was written but lists scans used in the result that could not be read for their hash.
std::string WriteSidecar(Sidecar& sidecar, const std::string& program);

// Writes an output and its sidecar, made durable together (WriteFilesAtomically): the record takes
// the size and SHA-256 of exactly `outputText`, written to OutputPath, and is written only when the
// output was. `outputFailure` receives what failed when the output was not written (the return is
// then empty); otherwise the return is WriteSidecar's line about the record.
std::string WriteOutputWithSidecar(
    Sidecar& sidecar, const std::string& program, const std::string& outputText, std::string& outputFailure);

} // namespace morvane
