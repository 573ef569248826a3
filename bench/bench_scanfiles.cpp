// Reading scan files is the hot path of loading a channel (up to 999 files). Compares the
// reader with a plain reader that calls sscanf once per line, on the same files.
#include <benchmark/benchmark.h>

#include <string>

#include "scanfiles/BeckmanFile.h"
#include "testutil/ReferenceScanReader.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

constexpr int Points = 1600;

// One 1600-point scan of a sedimenting boundary per kind, written once for the whole run.
const std::string& ScanPath(const std::string& kind)
{
    static testutil::TempDir dir;
    static const std::string ra = [] {
        testutil::ScanSpec scan;
        scan.description = "Benchmark absorbance";
        for (int i = 0; i < Points; ++i) {
            const double r = 5.85 + i * 0.0008;
            scan.radius.push_back(r);
            scan.value.push_back(testutil::BoundaryValue(r, 3000, 50000, 5.9, 4.4e-13, 1.0, 0.05));
            scan.third.push_back(0.005 + 0.0001 * (i % 7));
        }
        const std::string path = dir / "00001.RA1";
        testutil::WriteTextFile(path, testutil::ScanFileText(scan));
        return path;
    }();
    static const std::string ip = [] {
        testutil::ScanSpec scan;
        scan.description = "Interference, 12.5, Benchmark";
        scan.typeLetter = 'P';
        scan.wavelength = 660;
        for (int i = 0; i < Points; ++i) {
            const double r = 5.85 + i * 0.0008;
            scan.radius.push_back(r);
            scan.value.push_back(3.2 * testutil::BoundaryValue(r, 3000, 50000, 5.9, 4.4e-13, 1.0, 0.05) - 0.4);
        }
        const std::string path = dir / "00001.IP1";
        testutil::WriteTextFile(path, testutil::ScanFileText(scan));
        return path;
    }();
    return kind == "IP" ? ip : ra;
}

void BM_ReadScanFile(benchmark::State& state, const std::string& kind)
{
    const std::string& path = ScanPath(kind);
    BeckmanFile file;
    for (auto _ : state) {
        const int32_t bytes = file.ReadScanFile(path, 0, 0);
        if (bytes < 0 || file.NumberOfPoints != Points)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(file.Value.data());
    }
    state.SetItemsProcessed(state.iterations() * Points);
}

// The parse alone, of bytes already in memory (what a viewer or the fuzzer hands over).
void BM_ParseScanText(benchmark::State& state, const std::string& kind)
{
    const std::string& path = ScanPath(kind);
    const std::string text = testutil::ReadTextFile(path);
    BeckmanFile file;
    for (auto _ : state) {
        const int32_t bytes = file.ParseScanText(path, text, 0, 0);
        if (bytes < 0 || file.NumberOfPoints != Points)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(file.Value.data());
    }
    state.SetItemsProcessed(state.iterations() * Points);
}

void BM_SscanfPerLine(benchmark::State& state, const std::string& kind)
{
    const std::string& path = ScanPath(kind);
    for (auto _ : state) {
        const testutil::ReferenceScan scan = testutil::ReadScanReference(path, kind, 0);
        if (scan.radius.size() != Points)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(scan.value.data());
    }
    state.SetItemsProcessed(state.iterations() * Points);
}

BENCHMARK_CAPTURE(BM_ReadScanFile, absorbance, std::string("RA"));
BENCHMARK_CAPTURE(BM_ParseScanText, absorbance, std::string("RA"));
BENCHMARK_CAPTURE(BM_SscanfPerLine, absorbance, std::string("RA"));
BENCHMARK_CAPTURE(BM_ReadScanFile, interference, std::string("IP"));
BENCHMARK_CAPTURE(BM_SscanfPerLine, interference, std::string("IP"));

} // namespace

BENCHMARK_MAIN();
