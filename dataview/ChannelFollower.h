#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "realtime/RealTimeGofS.h"

// The loading and following of one channel: a full load of the data directory into the engine,
// then, while the run goes on, incremental refreshes that read only the scan files that have
// appeared since. The data view window and the headless command both build on it; the window
// overrides the hooks to show progress and draw.
class ChannelFollower {
public:
    static constexpr int32_t RefreshIntervalMs = 10000;
    static constexpr int32_t SlowRefreshIntervalMs = 30000; // after ten full loads that found nothing

    ChannelFollower();
    virtual ~ChannelFollower() = default;
    ChannelFollower(const ChannelFollower&) = delete;
    ChannelFollower& operator=(const ChannelFollower&) = delete;

    std::vector<std::string> FileList; // names already known, sorted ignoring case
    std::vector<std::string> NewFileList; // the latest listing
    std::vector<std::string> AddedFiles; // names the latest refresh found new
    std::string DataDirectory;
    bool HasData = false;
    int32_t LoadCount = 0; // full loads so far, counted up to 10
    bool InTimer = false;
    bool Loading = false; // a full load is running (the launch's, or a tick's)
    int32_t Timer1Interval = RefreshIntervalMs;
    std::unique_ptr<RealTimeGofS> Engine;

    // The full load of a directory (re-listing, re-reading and rebuilding every stage). The
    // directory is taken by value: the window that names it may change its own text meanwhile.
    void LoadChannel(std::string directory, const std::string& mode = "watch");
    // Reads the files that appeared since the last listing; returns how many were added to the store.
    int32_t RefreshChannel();
    // The refresh tick: a full load while no data was found, otherwise an incremental refresh.
    // A tick that arrives while a load or a refresh of this channel runs (a window that lets its
    // wait window paint delivers timer ticks meanwhile) does nothing.
    void Timer1Timer();

    // The file mask of the channel: the first six characters of the channel entry.
    std::string Mask() const;
    // Which value intensity files give: 1 for a "Ref" entry, 2 for "Sam", else 0.
    int32_t IntensityMode() const;

protected:
    // Hooks for a window: progress texts of a full load, its begin and end, each new scan of a
    // refresh (already corrected and in the raw store, before its dc/dt set is made), the end of a refresh.
    virtual void ShowProgress(const std::string& text) { (void)text; }
    virtual void BeginLoad() { }
    virtual void EndLoad(bool loaded) { (void)loaded; }
    virtual void NewScanAdded(int32_t index) { (void)index; }
    virtual void RefreshDone() { }

private:
    // Steps of the full load that find, read and process the files; false when nothing was loaded.
    bool LoadFiles(const std::string& directory);
};
