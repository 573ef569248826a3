// Feeds arbitrary bytes to the record (sidecar) reader, the path every reproduce takes on text
// from outside. Besides its own bounds, the reader must give one line (once shown), and a record
// it accepts must hold only what its checks promise (plain file names, positions the command line
// takes, settings inside the settings file's ranges and rules) and be written back and read again
// as the same text.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "provenance/RecordText.h"
#include "provenance/Sidecar.h"
#include "settings/SettingsKeys.h"

using namespace morvane;

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool OneShownLine(const std::string& text)
{
    return Printable(text).find_first_of(std::string("\n\r\x1b\0", 4)) == std::string::npos;
}

void RequireSettingsInRange(const ProgramSettings& settings, SettingGroup group)
{
    for (const SettingKey& key : SettingKeys())
        if (key.Group() == group && key.Editable())
            Require(SettingValueRefusal(key, key.Get(settings)).empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Require(Printable(Printable(text)) == Printable(text));
    Sidecar s;
    std::vector<std::string> notes;
    const std::string wrong = ReadSidecar(text, s, notes);
    Require(OneShownLine(wrong));
    for (const std::string& note : notes)
        Require(OneShownLine(note));
    if (!wrong.empty())
        return 0;

    Require(!s.Channels.empty());
    Require(s.OutputSize >= 0 && s.OutputSha256.size() == 64);
    RequireSettingsInRange({ s.Display, CustomSettings(), SpeciesSettings() }, SettingGroup::Gui);
    for (const ChannelRecord& c : s.Channels) {
        Require(IsPlainFileName(c.Channel) && c.Channel.size() >= 6);
        Require(std::isfinite(c.Cell.Meniscus) && std::isfinite(c.Cell.Bottom)
            && CellSpanAccepted(c.Cell.Meniscus, c.Cell.Bottom));
        Require(MWAccepted(c.Cell.AssumedMW));
        const ProgramSettings settings { GUISettings(), c.Analysis, SpeciesSettings() };
        RequireSettingsInRange(settings, SettingGroup::Custom);
        Require(settings.Analysis.LowS < settings.Analysis.HighS);
        Require(settings.Analysis.SmoothCarSize < settings.Analysis.sGridNumberOfPoints);
        for (const std::vector<InputFile>* files : { &c.Files, &c.RefusedFiles })
            for (const InputFile& f : *files)
                Require(IsPlainFileName(f.Name) && (f.Size >= 0) == (f.Sha256.size() == 64));
        for (const SetRecord& r : c.Sets)
            Require((r.FirstFile.empty() || IsPlainFileName(r.FirstFile)) && (r.LastFile.empty() || IsPlainFileName(r.LastFile)));
    }
    const size_t slash = SidecarPath(s.OutputPath).find_last_of('/');
    Require(SidecarPath(s.OutputPath).size() - (slash == std::string::npos ? 0 : slash + 1) <= FileNameMaxBytes);

    const std::string written = SidecarText(s);
    Sidecar back;
    std::vector<std::string> backNotes;
    Require(ReadSidecar(written, back, backNotes).empty());
    Require(SidecarText(back) == written);
    return 0;
}
