// Feeds arbitrary bytes to the scan-file reader. The first byte chooses the file kind, the
// intensity mode and whether a speed is expected; the rest is the file. Besides its own
// bounds, every point read must be the bits that one sscanf per line gives.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "scanfiles/BeckmanFile.h"
#include "testutil/ReferenceScanReader.h"

namespace {

// A plain array, not a std::string: the clean-up at exit must not use an object that the
// exit handlers have already destroyed.
char fuzzDir[4096];

const char* FuzzDir()
{
    if (fuzzDir[0] == '\0') {
        const std::string pattern = (std::filesystem::temp_directory_path() / "morvane-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof fuzzDir)
            std::abort();
        pattern.copy(fuzzDir, pattern.size());
        if (!::mkdtemp(fuzzDir))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(fuzzDir, ec);
        });
    }
    return fuzzDir;
}

bool SameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const char* const extensions[] = { "RA1", "RI1", "IP1", "FI1", "XX1" };
    const unsigned choice = data[0];
    const std::string extension = extensions[choice % 5];
    const auto mode = static_cast<int32_t>((choice / 5) % 3);
    const double expectedRpm = (choice / 15) % 2 ? 50000.0 : 0.0;
    const std::string path = std::string(FuzzDir()) + "/00001." + extension;

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 1 && std::fwrite(data + 1, 1, size - 1, f) != size - 1)
        std::abort();
    std::fclose(f);

    BeckmanFile file;
    const int32_t bytes = file.ReadScanFile(path, mode, expectedRpm);
    Require(bytes == -1 || bytes == static_cast<int32_t>(size - 1));
    Require(file.NumberOfPoints >= 0);
    if (bytes < 0) {
        Require(file.NumberOfPoints == 0);
        return 0;
    }
    const int32_t limit = extension == "FI1" ? 10000 : extension == "XX1" ? 0 : 2048;
    Require(file.NumberOfPoints <= limit);
    Require(file.Radius.size() >= static_cast<size_t>(file.NumberOfPoints));
    Require(file.Value.size() >= static_cast<size_t>(file.NumberOfPoints));
    if (extension == "IP1")
        Require(file.Sigma.empty());
    if (extension == "RI1")
        for (int32_t i = 0; i < file.NumberOfPoints; ++i)
            Require(std::isfinite(file.Value[static_cast<size_t>(i)]));
    if (extension == "XX1")
        return 0;

    const testutil::ReferenceScan ref = testutil::ReadScanReference(path, extension.substr(0, 2), mode);
    Require(ref.bytes == bytes);
    Require(ref.radius.size() == static_cast<size_t>(file.NumberOfPoints));
    for (size_t i = 0; i < ref.radius.size(); ++i) {
        Require(SameBits(file.Radius[i], ref.radius[i]));
        Require(SameBits(file.Value[i], ref.value[i]));
        if (!ref.sigma.empty())
            Require(SameBits(file.Sigma[i], ref.sigma[i]));
    }
    return 0;
}
