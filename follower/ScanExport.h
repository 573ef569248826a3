#pragma once
// The export of a channel's raw scans as scan files: each set of the raw store (on the channel's
// common radial grid; interference scans as corrected) written as ChannelDataStore::SetToText
// writes it, with a suffix on its description, into numbered files:
//
//   ROOT/MMDDYY/HHNNSS/00001.RA1, 00002.RA1, ...      (ROOT: the run's root, the data directory's
//                                                       grandparent; the date and time of the export)
//
// The data view proposes that directory and writes there or where the user chose; the headless
// command writes into the directory it is given. Both refuse the run's own directory, where the
// exported files would replace the scans being read.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ChannelDataStore.h"
#include "scanfiles/ScanText.h"

namespace morvane {

// A civil date and time on the user's clock.
struct LocalDateTime {
    int32_t Year = 2000; // four digits
    int32_t Month = 1; // 1 .. 12
    int32_t Day = 1;
    int32_t Hour = 0; // 0 .. 23
    int32_t Minute = 0;
    int32_t Second = 0;
};

// The current local date and time.
LocalDateTime CurrentLocalDateTime();

inline constexpr const char* NoDataSetsToExportMessage = "No Data Sets to export";
// The numbers of exported files stay five digits: the first is at most this, a store holds 999 sets.
inline constexpr int32_t HighestFirstExportNumber = 89900;

// The extension of the exported files: the three characters after the first "." of the channel
// entry ("RA1" for "0*.RA1"). An intensity channel holds absorbances (log10 of the intensity ratio
// its entry chose) with an e column, the layout of an absorbance file: its files are named so
// ("RA3" for "0*.RI3Sam"), and reading them back gives those absorbances.
std::string ExportExtension(const std::string& channelName);

// The root of the run: the first scan's path without its file name and, while a delimiter is left,
// without two more components ("/d/XLIDATA/010207/000012/00001.RA1" gives "/d/XLIDATA"). A
// relative path is taken from the current directory first.
std::string ExportRoot(const std::string& firstScanPath);

// root + "/" + the date "mmddyy".
std::string ExportBaseDirectory(const std::string& root, const LocalDateTime& now);
// The base + "/" + the time "hhnnss" + "/".
std::string ExportDirectory(const std::string& root, const LocalDateTime& now);

// ExportHeaderMark + the date and time as "yyyy-mm-dd hh:nn:ss" (ISO 8601, the same whatever the
// user's locale), put after each exported scan's description.
std::string ExportHeaderSuffix(const LocalDateTime& now);

// The name the save dialog proposes: "000001." + the extension.
std::string ProposedExportFileName(const std::string& extension);

// The number of the first exported file from the name chosen in the dialog (FileNumberOf of at most
// its first 15 characters); 0 when it gives none from 1 to HighestFirstExportNumber (the export then
// numbers from 1).
int32_t ChosenExportNumber(const std::string& chosenName);

// "%05d." + the extension.
std::string ExportFileName(int32_t number, const std::string& extension);

// Why `targetDir` may not take the export: it is the directory of the run being read (runDir, or
// the first scan's directory; compared as canonical paths), or, unless mayJoinScans, a directory
// that holds scan files (HoldsScanFiles); empty when it may.
std::string ExportRefusal(const std::string& targetDir, const std::string& runDir, const std::string& firstScanPath,
    bool mayJoinScans = false);

struct ScanExportRequest {
    std::string Directory; // where the files go; ends with the delimiter or not
    std::string Extension;
    int32_t First = 1; // number of set 0's file
    std::string Suffix; // put after each description
    std::string RunDirectory; // the run being read: refused as the target
    bool MayJoinScans = false; // a target directory that holds scan files is taken (another run's)
};

struct ScanExportResult {
    std::string Refused; // not empty: nothing was written, this says why
    int32_t Sets = 0;
    int32_t Written = 0;
    std::vector<std::string> Failed; // paths that could not be written, in set order
    std::string FirstFailure; // what failed for the first of them
    std::string FirstName, LastName; // names of the first and last set's files
    std::string Directory; // the target, with a trailing delimiter
};

// Writes every set of `raw` into request.Directory as request.First, First + 1, ...: each file
// through a temporary and a rename, all made durable together (StagedWrites). A file that cannot
// be written is counted and the export goes on.
ScanExportResult ExportScans(const ChannelDataStore& raw, const ScanExportRequest& request);

// What the export did, for the user: the count and the directory, the names, and the files that
// could not be written (how many, the first and why); or the refusal.
std::string ExportResultText(const ScanExportResult& result);

} // namespace morvane
