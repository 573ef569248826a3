// The reader parses plain numbers itself and leaves everything else to sscanf; the points must
// be the very bits that one sscanf per line gives. Checked on seeded random lines that mix
// plain numbers with every form the fast path must hand over.
#include <gtest/gtest.h>
#include <limits>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "testutil/ReferenceScanReader.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

struct LineMaker {
    std::mt19937_64 rng_;

    std::string Line()
    {
        std::string line = Pick({ "", "", "", " ", "  ", "\t" });
        const int fields = Below(10) == 0 ? Below(5) : 3; // sometimes missing or extra columns
        for (int k = 0; k < fields; ++k) {
            if (k > 0)
                line += Below(40) == 0 ? "" : Pick({ " ", " ", " ", "  ", "\t", " \t ", "\v", "\f" });
            line += Below(12) == 0 ? Odd() : Number();
        }
        if (Below(15) == 0)
            line += Pick({ " ", "\t", "abc", "x", "#1", "\x01", std::string(1, '\0') + " 7", " 9 9" });
        return line;
    }

    // A value that is no finite number refuses the whole scan (NonFiniteFormsRefuseTheScan checks
    // both readers on those, also glued numbers beyond a double); here every line is to give a point.
    std::string FiniteLine()
    {
        for (;;) {
            const std::string line = Line();
            double v[3] = { 0, 0, 0 };
            std::sscanf(line.c_str(), "%lf%le%le", &v[0], &v[1], &v[2]);
            if (std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]))
                return line;
        }
    }

    int Below(int n) { return static_cast<int>(rng_() % static_cast<uint64_t>(n)); }
    std::string Pick(std::initializer_list<std::string> options)
    {
        return *(options.begin() + Below(static_cast<int>(options.size())));
    }
    std::string Digits(int count) { return count > 0 ? static_cast<char>('0' + Below(10)) + Digits(count - 1) : ""; }

    std::string Number()
    {
        char text[64];
        switch (Below(5)) {
        case 0: { // as the instrument writes values
            std::snprintf(text, sizeof text, "%.5E",
                (Below(2) ? -1 : 1) * std::ldexp(double(rng_() >> 11), -53 + Below(40) - 20));
            return text;
        }
        case 1: { // any double, shortest round trip or not
            const double d = std::bit_cast<double>(rng_());
            std::snprintf(text, sizeof text, Below(2) ? "%.17g" : "%g", std::isfinite(d) ? d : 1.0);
            return text;
        }
        default: { // hand-made: sign, digits, point, exponent
            std::string s = Below(3) == 0 ? "-" : "";
            s += Digits(Below(4) == 0 ? Below(30) : Below(4));
            if (Below(2))
                s += "." + Digits(Below(4) == 0 ? Below(30) : Below(6));
            if (s.empty() || s == "-" || s == "." || s == "-.")
                s += Digits(1 + Below(3));
            if (Below(3) == 0)
                s += Pick({ "e", "E" }) + Pick({ "", "+", "-" })
                    + std::to_string(Below(4) == 0 ? Below(400) : Below(40));
            return s;
        }
        }
    }

    std::string Odd()
    {
        return Pick({ "+.5", "-inf", "std::numeric_limits<double>::quiet_NaN()(12ab)", "-0X1P-2", "1e+", "-.", "1.5.5",
            "1,5", "--1", "-0", "4.9e-324", "2e-324", "1.8e308", "junk",
            "12345678901234567890123456789012345678901234567890", "9007199254740993",
            "0.000000000000000000000000000001234567890123456789", "2.2250738585072011e-308" });
    }
};

bool SameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

TEST(FastParseIdentityTest, PointsAreTheBitsOfOneSscanfPerLine)
{
    testutil::TempDir dir;
    const struct {
        const char *kind, *header;
    } kinds[] = { { "RA", "R 1 20 50000 1000 2.5E+10 280 1" }, { "RI", "I 1 20 50000 1000 2.5E+10 280 1" },
        { "IP", "P 1 20 50000 1000 2.5E+10 660 1" } };
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        for (const auto& k : kinds) {
            SCOPED_TRACE(std::string(k.kind) + " seed " + std::to_string(seed));
            LineMaker maker { std::mt19937_64(seed * 7919 + static_cast<uint64_t>(k.kind[1])) };
            const char* eols[] = { "\r\n", "\n", "\r" };
            std::string text = "Fringes 1.0, T\r\n" + std::string(k.header) + "\r\n";
            for (int i = 0; i < 600; ++i)
                text += maker.FiniteLine() + eols[i % 7 == 0 ? (seed + static_cast<uint64_t>(i)) % 3 : 0];
            const std::string path = dir / ("00001." + std::string(k.kind) + "1");
            testutil::WriteTextFile(path, text);
            const int32_t mode = static_cast<int32_t>(seed % 3);

            BeckmanFile f;
            const int32_t bytes = f.ReadScanFile(path, mode, 0);
            const testutil::ReferenceScan ref = testutil::ReadScanReference(path, k.kind, mode);
            ASSERT_EQ(bytes, ref.bytes);
            ASSERT_EQ(static_cast<size_t>(f.NumberOfPoints), ref.radius.size());
            EXPECT_GT(f.NumberOfPoints, 500);
            for (size_t i = 0; i < ref.radius.size(); ++i) {
                ASSERT_TRUE(SameBits(f.Radius[i], ref.radius[i]) && SameBits(f.Value[i], ref.value[i])
                    && (ref.sigma.empty() || SameBits(f.Sigma[i], ref.sigma[i])))
                    << "point " << i << ": " << f.Radius[i] << " " << f.Value[i] << " vs " << ref.radius[i] << " "
                    << ref.value[i];
            }
        }
    }
}

// The forms of values that are no finite number, wherever they stand in a line: the reader hands
// them to sscanf and refuses the scan, as the plain reader does; tiny values that underflow are
// numbers, the same bits in both.
TEST(FastParseIdentityTest, NonFiniteFormsRefuseTheScanInBothReaders)
{
    testutil::TempDir dir;
    const char* const good = "5.9000 1.00000E-01 1.00000E-02\r\n";
    for (const std::string form : { "nan", "-nan", "std::numeric_limits<double>::quiet_NaN()(12ab)", "inf", "-Infinity",
             "1.8e308", "1e400", "-1E999", "0x1p2000", "2e-324", "4.9e-324", "1e-400" }) {
        for (int column = 0; column < 3; ++column) {
            for (const char* kind : { "RA", "IP", "FI" }) {
                SCOPED_TRACE(form + " in column " + std::to_string(column) + " of " + kind);
                if (std::string(kind) == "IP" && column == 2)
                    continue; // not read
                std::string bad[3] = { "6.0", "0.2", "0.02" };
                bad[column] = form;
                const std::string text = std::string(kind == std::string("FI") ? "S Voltage: 1" : "X 1.0, T") + "\r\n"
                    + (kind == std::string("IP") ? "P" : kind == std::string("FI") ? "F" : "R")
                    + " 1 20 50000 1000 2.5E+10 280 1\r\n" + good + bad[0] + " " + bad[1] + " " + bad[2] + "\r\n"
                    + good;
                const std::string path = dir / ("00001." + std::string(kind) + "1");
                testutil::WriteTextFile(path, text);
                BeckmanFile f;
                const int32_t bytes = f.ReadScanFile(path, 0, 0);
                const testutil::ReferenceScan ref = testutil::ReadScanReference(path, kind, 0);
                EXPECT_EQ(bytes, ref.bytes);
                const bool finite = std::isfinite(std::strtod(form.c_str(), nullptr));
                EXPECT_EQ(bytes > 0, finite);
                if (finite) {
                    ASSERT_EQ(f.NumberOfPoints, 3);
                    EXPECT_TRUE(SameBits(f.Radius[1], ref.radius[1]) && SameBits(f.Value[1], ref.value[1]));
                } else {
                    EXPECT_EQ(f.Refusal, ScanRefusal::NonFiniteValues);
                }
            }
        }
    }
}

} // namespace
