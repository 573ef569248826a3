#include "provenance/ChannelRecording.h"

#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>
#include <unordered_map>

#include "follower/ExtrapolationFile.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/Sha256.h"

namespace morvane {

namespace {

// A file's entry: the size and hash of the bytes the follower parsed, so that no input is read a
// second time. A file that was never parsed (no regular file, unreadable, over the reader's limit)
// is hashed from the directory as it is now, as is any file the follower holds no outcome for.
InputFile Recorded(const std::string& dir, const std::string& name, const std::string& refused,
    const ChannelFollower::FileOutcome* outcome)
{
    InputFile f;
    f.Name = name;
    f.Refused = refused;
    if (outcome && !outcome->Sha256.empty()) {
        f.Size = outcome->Size;
        f.Sha256 = outcome->Sha256;
        return f;
    }
    if (outcome && outcome->Gone)
        return f; // deleted since it was read: nothing there to hash
    const FileDigest d = DigestOfFile(JoinPath(dir, name));
    if (d.Read) {
        f.Size = d.Size;
        f.Sha256 = d.Sha256;
    }
    return f;
}

} // namespace

ChannelRecord RecordChannel(const ChannelFollower& follower)
{
    const RealTimeGofS& e = *follower.Engine;
    ChannelRecord c;
    c.RunDirectory = follower.DataDirectory;
    c.Channel = e.ChannelName;
    c.Cell = e.Cell;
    c.Analysis = e.Settings;
    c.SettingsFile = follower.SettingsFile;
    // The raw store's order is the order of the scans; its headers (room kept for sets to come
    // beyond the ones held) name their files.
    const std::vector<ChannelFollower::FileOutcome> outcomes = follower.FileOutcomes();
    std::unordered_map<std::string_view, const ChannelFollower::FileOutcome*> used;
    for (const ChannelFollower::FileOutcome& o : outcomes)
        if (o.Used)
            used.emplace(o.Name, &o);
    const int32_t scans = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
    for (int32_t k = 0; k < scans; ++k) {
        const std::string& name = e.RawStore->Headers[static_cast<size_t>(k)].FileName;
        const auto it = used.find(name);
        c.Files.push_back(Recorded(c.RunDirectory, name, "", it == used.end() ? nullptr : it->second));
    }
    for (const ChannelFollower::FileOutcome& o : outcomes)
        if (!o.Used)
            c.RefusedFiles.push_back(Recorded(c.RunDirectory, o.Name, ScanReasonText(o.Reason), &o));
    c.GofsSets = e.GofsStore ? e.GofsStore->GetNumberOfSets() : 0;
    return c;
}

SetRecord RecordSet(const RealTimeGofS& e, const ChannelDataStore& store, const std::string& storeName, int32_t k)
{
    SetRecord r;
    r.Store = storeName;
    r.Index = k;
    if (k < 0 || k >= store.GetNumberOfSets())
        return r;
    const ScanHeader& h = store.Headers[static_cast<size_t>(k)];
    r.MeanTime = h.Time;
    // A derived set's FirstScan and LastScan index the dc/dt sets, whose own index the raw scans.
    const ChannelDataStore* dcdt = e.DcdtStore.get();
    if (dcdt && h.FirstScan >= 0 && h.LastScan >= h.FirstScan && h.LastScan < dcdt->GetNumberOfSets()) {
        r.FirstRawScan = dcdt->Headers[static_cast<size_t>(h.FirstScan)].FirstScan;
        r.LastRawScan = dcdt->Headers[static_cast<size_t>(h.LastScan)].LastScan;
    }
    const int32_t raw = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
    if (r.FirstRawScan >= 0 && r.FirstRawScan < raw)
        r.FirstFile = e.RawStore->Headers[static_cast<size_t>(r.FirstRawScan)].FileName;
    if (r.LastRawScan >= 0 && r.LastRawScan < raw)
        r.LastFile = e.RawStore->Headers[static_cast<size_t>(r.LastRawScan)].FileName;
    return r;
}

Sidecar GofsSidecar(
    const ChannelFollower& follower, const std::string& outputPath, int32_t set, bool newestWithComposite)
{
    const RealTimeGofS& e = *follower.Engine;
    Sidecar s;
    s.Kind = newestWithComposite ? KindGofs : KindGofsSet;
    s.OutputPath = outputPath;
    ChannelRecord c = RecordChannel(follower);
    const int32_t k = newestWithComposite ? c.GofsSets - 1 : set;
    if (!newestWithComposite)
        (*s.Parameters)["set"] = set;
    if (e.GofsStore)
        c.Sets.push_back(RecordSet(e, *e.GofsStore, "g(s*)", k));
    s.Channels.push_back(std::move(c));
    return s;
}

Sidecar ExtrapolationSidecar(const ChannelFollower& follower, const std::string& outputPath, int32_t start, int32_t end,
    const GUISettings& display)
{
    const RealTimeGofS& e = *follower.Engine;
    Sidecar s;
    s.Kind = KindExtrapolation;
    s.OutputPath = outputPath;
    (*s.Parameters)["start"] = start;
    (*s.Parameters)["end"] = end;
    s.DisplayKeys.assign(std::begin(ExtrapolationDisplayKeys), std::end(ExtrapolationDisplayKeys));
    s.Display = display;
    ChannelRecord c = RecordChannel(follower);
    if (e.SmoothGofsStore)
        for (const int32_t k : { start, end })
            c.Sets.push_back(RecordSet(e, *e.SmoothGofsStore, "smoothed g(s*)", k));
    s.Channels.push_back(std::move(c));
    return s;
}

Sidecar ComparisonSidecar(const std::vector<const ChannelFollower*>& followers, const std::vector<std::string>& columns,
    const std::string& outputPath, bool normalized)
{
    Sidecar s;
    s.Kind = KindComparison;
    s.OutputPath = outputPath;
    (*s.Parameters)["normalized"] = normalized;
    (*s.Parameters)["columns"] = columns;
    for (const ChannelFollower* follower : followers) {
        const RealTimeGofS& e = *follower->Engine;
        s.Channels.push_back(RecordChannel(*follower));
        if (e.GofsStore)
            s.Channels.back().Sets.push_back(RecordSet(e, *e.GofsStore, "g(s*)", e.GofsStore->GetNumberOfSets() - 1));
    }
    return s;
}

std::string WriteOutputSidecar(const ChannelFollower& follower, const std::string& outputPath, const std::string& kind,
    const nlohmann::ordered_json& parameters, const std::string& program)
{
    Sidecar s = GofsSidecar(follower, outputPath, 0, true);
    s.Kind = kind;
    *s.Parameters = parameters.is_object() ? parameters : nlohmann::ordered_json::object();
    return WriteSidecar(s, program);
}

} // namespace morvane
