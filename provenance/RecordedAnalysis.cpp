#include "provenance/RecordedAnalysis.h"

#include <filesystem>

#include "provenance/RecordText.h"
#include "provenance/Reproduction.h"
#include "scanfiles/FileSystem.h"
#include "settings/SettingsKeys.h"

namespace morvane {

std::string ReadRecordedAnalysis(const std::string& path, RecordedAnalysis& analysis)
{
    analysis = RecordedAnalysis();
    analysis.File = path;
    std::string text;
    int64_t size = -1;
    std::string failure = ReadRegularFile(path, MaxSidecarBytes, text, &size);
    if (failure.empty())
        failure = ReadSidecar(text, analysis.Record, analysis.Notes);
    else if (size > static_cast<int64_t>(MaxSidecarBytes))
        failure = "not a Morvane record: " + std::to_string(size) + " bytes, more than a record may have";
    if (failure.empty() && analysis.Record.Channels.empty())
        failure = "the record names no channel";
    if (failure.empty())
        return {};
    return "The analysis cannot be opened from " + Printable(path) + ": " + Printable(failure);
}

LaunchParameters LaunchOfRecord(const ChannelRecord& channel)
{
    LaunchParameters launch;
    launch.Channel = channel.Channel;
    launch.Cell = channel.Cell;
    return launch;
}

GUISettings RecordedDisplay(const Sidecar& record, const GUISettings& current)
{
    const ProgramSettings recorded { record.Display, CustomSettings(), SpeciesSettings() };
    ProgramSettings result { current, CustomSettings(), SpeciesSettings() };
    for (const std::string& name : record.DisplayKeys)
        if (const SettingKey* key = FindSettingKey(name); key && key->IsDisplay() && key->Editable())
            key->Set(result, key->Get(recorded));
    return result.Display;
}

RecordedInputs CompareRecordedInputs(const ChannelRecord& channel)
{
    RecordedInputs inputs;
    const size_t recorded = channel.Files.size() + channel.RefusedFiles.size();
    std::error_code ec;
    if (!std::filesystem::is_directory(channel.RunDirectory, ec)) {
        inputs.Changed = true;
        inputs.Verdict = "the run directory does not exist (moved?)";
        return inputs;
    }
    if (const std::string refusal = RecordedPathsRefusal(channel); !refusal.empty()) {
        inputs.Changed = true;
        inputs.Verdict = "not compared: " + Printable(refusal);
        return inputs;
    }
    const StagingDirectory staging;
    if (staging.Path().empty()) {
        inputs.Changed = true;
        inputs.Verdict = "not compared: no temporary directory could be made for the copies";
        return inputs;
    }
    size_t differ = 0, unchecked = 0;
    for (const InputDifference& d : StageRecordedFiles(channel, staging.Path())) {
        const bool notChecked
            = d.What == InputDifference::Kind::NotStaged || d.What == InputDifference::Kind::Unrecorded;
        unchecked += notChecked;
        inputs.Added += d.What == InputDifference::Kind::Added;
        differ += !notChecked && d.What != InputDifference::Kind::Added;
        inputs.Lines.push_back(Printable(InputDifferenceText(d)));
    }
    inputs.Changed = differ + unchecked > 0;
    const std::string of = " of " + std::to_string(recorded) + " recorded files";
    if (differ + unchecked == 0)
        inputs.Verdict = "all " + std::to_string(recorded) + " recorded files match";
    if (differ > 0)
        inputs.Verdict = std::to_string(differ) + of + " differ";
    if (unchecked > 0)
        inputs.Verdict
            += (inputs.Verdict.empty() ? "" : ", ") + std::to_string(unchecked) + of + " could not be checked";
    if (inputs.Added > 0)
        inputs.Verdict
            += "; " + std::to_string(inputs.Added) + (inputs.Added == 1 ? " file" : " files") + " added since";
    return inputs;
}

std::string RecordedAnalysisReport(
    const RecordedAnalysis& analysis, const std::vector<RecordedInputs>& inputs, size_t maxLines)
{
    const Sidecar& s = analysis.Record;
    std::string text = Printable(analysis.File) + ": " + Printable(s.Kind) + " output " + Printable(s.OutputPath)
        + ", written " + Printable(s.WrittenUtc) + " by " + Printable(s.Program) + " " + Printable(s.Version) + "\n";
    for (const std::string& note : analysis.Notes)
        text += "note: " + Printable(note) + "\n";
    for (size_t i = 0; i < s.Channels.size() && i < inputs.size(); ++i) {
        const ChannelRecord& c = s.Channels[i];
        text += "inputs of " + Printable(c.Channel) + " in " + Printable(c.RunDirectory) + ": " + inputs[i].Verdict
            + "\n";
        const std::vector<std::string>& lines = inputs[i].Lines;
        for (size_t k = 0; k < lines.size() && k < maxLines; ++k)
            text += "  " + lines[k] + "\n";
        if (lines.size() > maxLines)
            text += "  and " + std::to_string(lines.size() - maxLines) + " more\n";
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

} // namespace morvane
