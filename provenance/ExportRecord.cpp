#include "provenance/ExportRecord.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "provenance/ChannelRecording.h"
#include "provenance/RecordText.h"
#include "provenance/Reproduction.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/Sha256.h"

namespace morvane {

std::string ExportListName(const ScanExportResult& result)
{
    return "exported-" + result.FirstName + "-" + result.LastName + ".txt";
}

std::string ExportListText(const ScanExportResult& result, int32_t first, const std::string& extension)
{
    std::string text;
    for (int32_t i = 0; i < result.Sets; ++i) {
        const std::string name = ExportFileName(first + i, extension);
        const std::string path = result.Directory + name;
        const bool failed = std::find(result.Failed.begin(), result.Failed.end(), path) != result.Failed.end();
        const FileDigest d = failed ? FileDigest {} : DigestOfFile(path);
        text += d.Read ? name + "\t" + std::to_string(d.Size) + "\t" + d.Sha256 + "\n" : name + "\tnot written\n";
    }
    return text;
}

std::string WriteExportRecord(const ChannelFollower& follower, const ScanExportRequest& job,
    const ScanExportResult& result, const std::string& program, bool& failed)
{
    failed = false;
    if (!result.Refused.empty() || result.Written < 1)
        return {};
    const std::string name = ExportListName(result);
    const std::string path = result.Directory + name;
    if (const std::string failure = WriteFileAtomically(path, ExportListText(result, job.First, job.Extension));
        !failure.empty()) {
        failed = true;
        return "Their list " + path + " could not be written (" + failure + ").";
    }
    const nlohmann::ordered_json parameters
        = { { "first", job.First }, { "extension", job.Extension }, { "suffix", job.Suffix } };
    if (std::string failure = WriteOutputSidecar(follower, path, KindExport, parameters, program); !failure.empty()) {
        failed = true;
        return failure;
    }
    const std::string record = SidecarPath(path);
    return "Their list with its record: " + name + " and " + record.substr(result.Directory.size()) + ".";
}

std::string CheckExportParameters(const Sidecar& s)
{
    const auto first = s.Parameters->find("first");
    if (first == s.Parameters->end() || !first->is_number_integer() || first->get<int64_t>() < 1
        || first->get<int64_t>() > HighestFirstExportNumber)
        return "parameters.first is missing or not a file number from 1 to " + std::to_string(HighestFirstExportNumber);
    for (const char* name : { "extension", "suffix" }) {
        const auto it = s.Parameters->find(name);
        if (it == s.Parameters->end() || !it->is_string())
            return std::string("parameters.") + name + " is missing or not a text";
    }
    const std::string extension = (*s.Parameters)["extension"].get<std::string>();
    // The extension becomes part of the names of the files exported again: each must be a plain name.
    if (extension.empty() || !IsPlainFileName(extension)
        || !IsPlainFileName(ExportFileName(first->get<int32_t>(), extension))
        || !IsPlainFileName(ExportFileName(HighestFirstExportNumber, extension)))
        return "parameters.extension is not a file extension";
    return s.Channels.size() == 1 ? "" : "an export sidecar records one channel";
}

std::string RemakeExportList(const RealTimeGofS& engine, const Sidecar& s, std::string& text)
{
    if (!engine.RawStore || engine.RawStore->GetNumberOfSets() < 1)
        return NoDataSetsToExportMessage;
    StagingDirectory target;
    if (target.Path().empty())
        return "no temporary directory could be made for the exported files";
    ScanExportRequest job;
    job.Directory = target.Path();
    job.First = (*s.Parameters)["first"].get<int32_t>();
    job.Extension = (*s.Parameters)["extension"].get<std::string>();
    job.Suffix = (*s.Parameters)["suffix"].get<std::string>();
    const ScanExportResult result = ExportScans(*engine.RawStore, job);
    if (!result.Refused.empty())
        return result.Refused;
    if (!result.Failed.empty())
        return ExportResultText(result);
    text = ExportListText(result, job.First, job.Extension);
    return {};
}

} // namespace morvane
