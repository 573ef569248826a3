// Feeds arbitrary bytes to the scan-file parser, the path every read takes. The first byte
// chooses the file kind, the intensity mode and whether a speed is expected; the rest is the
// text. Besides its own bounds, the reader must accept exactly what a plain reader with one
// sscanf per line accepts, and every point read must be the bits that reader gives.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "scanfiles/BeckmanFile.h"
#include "testutil/ReferenceScanReader.h"

using namespace morvane;

namespace {

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
    // A copy of exactly the text: anything the parser read beyond it would be caught by ASan.
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    BeckmanFile file;
    const int32_t bytes = file.ParseScanText("/runs/00001." + extension, text, mode, expectedRpm);
    Require(bytes == -1 || bytes == static_cast<int32_t>(text.size()));
    Require((bytes < 0) == (file.Refusal != ScanRefusal::None));
    Require(file.NumberOfPoints >= 0);
    if (bytes < 0)
        Require(file.NumberOfPoints == 0);
    const int32_t limit = extension == "FI1" ? 10000 : extension == "XX1" ? 0 : 2048;
    Require(file.NumberOfPoints <= limit);
    Require(file.Radius.size() >= static_cast<size_t>(file.NumberOfPoints));
    Require(file.Value.size() >= static_cast<size_t>(file.NumberOfPoints));
    if (extension == "IP1" && bytes >= 0)
        Require(file.Sigma.empty());
    if (extension == "RI1")
        for (int32_t i = 0; i < file.NumberOfPoints; ++i)
            Require(std::isfinite(file.Value[static_cast<size_t>(i)]));
    (void)RadiiUsableAsGrid(file.Radius.data(), file.NumberOfPoints);
    if (extension == "XX1")
        return 0;

    const testutil::ReferenceScan ref
        = testutil::ReadScanReferenceText(text, extension.substr(0, 2), mode, expectedRpm);
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
