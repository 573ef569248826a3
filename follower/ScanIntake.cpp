#include "follower/ScanIntake.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>

#include "scanfiles/FileSystem.h"

namespace morvane {

bool NameBefore(const std::string& a, const std::string& b)
{
    if (NameLessIgnoringCase(a, b))
        return true;
    return !NameLessIgnoringCase(b, a) && a < b;
}

std::vector<FileLook> LookAtFiles(const std::string& dir, const std::string& mask, bool& listed)
{
    std::vector<FileLook> looks;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    listed = d != nullptr;
    if (!d)
        return looks;
    // One pass: each name that matches gets one stat, relative to the open directory.
    while (const dirent* entry = ::readdir(d)) {
        if (!MatchesMask(entry->d_name, mask))
            continue;
        FileLook look;
        look.Name = entry->d_name;
        struct stat st { };
        if (::fstatat(::dirfd(d), entry->d_name, &st, 0) == 0) {
            look.Size = static_cast<int64_t>(st.st_size);
            look.Modified = FileTime(std::chrono::duration_cast<FileTime::duration>(
                std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
            look.Regular = S_ISREG(st.st_mode);
        }
        looks.push_back(std::move(look));
    }
    ::closedir(d);
    // NameBefore's order, with each name folded to lower case once rather than at each comparison.
    std::vector<std::pair<std::string, size_t>> keys(looks.size());
    for (size_t i = 0; i < looks.size(); ++i) {
        keys[i] = { looks[i].Name, i };
        for (char& c : keys[i].first)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : looks[a.second].Name < looks[b.second].Name;
    });
    std::vector<FileLook> sorted;
    sorted.reserve(looks.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(looks[key.second]));
    return sorted;
}

bool HasSettled(const FileLook& look, const FileLook* previous, bool laterFileExists, FileTime now)
{
    if (laterFileExists || (previous && previous->SameAs(look)))
        return true;
    return now - look.Modified >= std::chrono::seconds(SettleSeconds);
}

std::vector<int32_t> ScansInTimeOrder(const std::vector<double>& times, const std::vector<bool>& canStart)
{
    const auto n = static_cast<int32_t>(times.size());
    // longest[i]: the most scans of a rising run that starts at scan i. From the last scan back,
    // a Fenwick tree over the ranks of the times gives the longest run among later scans whose
    // time is above scan i's.
    std::vector<double> sorted(times);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const auto ranks = static_cast<int32_t>(sorted.size());
    std::vector<int32_t> tree(static_cast<size_t>(ranks) + 1, 0); // over descending rank: prefix = higher times
    auto descendingRank = [&](double t) {
        return ranks - static_cast<int32_t>(std::lower_bound(sorted.begin(), sorted.end(), t) - sorted.begin());
    };
    std::vector<int32_t> longest(static_cast<size_t>(n), 0);
    for (int32_t i = n - 1; i >= 0; --i) {
        const int32_t r = descendingRank(times[static_cast<size_t>(i)]); // 1 = the highest time
        int32_t best = 0;
        for (int32_t p = r - 1; p > 0; p -= p & -p)
            best = std::max(best, tree[static_cast<size_t>(p)]);
        longest[static_cast<size_t>(i)] = best + 1;
        for (int32_t p = r; p <= ranks; p += p & -p)
            tree[static_cast<size_t>(p)] = std::max(tree[static_cast<size_t>(p)], best + 1);
    }
    int32_t start = -1;
    for (int32_t i = 0; i < n; ++i)
        if (canStart[static_cast<size_t>(i)]
            && (start < 0 || longest[static_cast<size_t>(i)] > longest[static_cast<size_t>(start)]))
            start = i;
    std::vector<int32_t> chosen;
    if (start < 0)
        return chosen;
    // The first scan in name order that continues a longest run, at each step.
    chosen.push_back(start);
    int32_t need = longest[static_cast<size_t>(start)] - 1;
    for (int32_t j = start + 1; j < n && need > 0; ++j) {
        const auto u = static_cast<size_t>(j);
        if (longest[u] == need && times[u] > times[static_cast<size_t>(chosen.back())]) {
            chosen.push_back(j);
            --need;
        }
    }
    return chosen;
}

bool PlausibleScanTimes(double recordedTime, double omega2t, double rpm, double time)
{
    const double omegaSquared = 0.01096622711 * rpm * rpm;
    const double apparent = omegaSquared > 0 ? omega2t / omegaSquared : 0;
    return recordedTime <= MaxRunSeconds && apparent <= MaxRunSeconds && time <= MaxRunSeconds;
}

} // namespace morvane
