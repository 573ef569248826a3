#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>

#include "app/cli/Summary.h"

using namespace morvane;

TEST(Summary, Utf8OrEscapedKeepsCharactersAndEscapesStrayBytes)
{
    const struct {
        const char* name;
        std::string text, want;
    } cases[] = {
        { "ASCII", "run/g.txt", "run/g.txt" },
        { "two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" },
        { "Latin-1", "caf\xE9", "caf\\xE9" },
        { "overlong slash", "\xC0\xAF", "\\xC0\\xAF" },
        { "surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80" },
        { "above U+10FFFF", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80" },
        { "cut short", "a\xE2\x82", "a\\xE2\\x82" },
        { "stray continuation", "\x80z", "\\x80z" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8OrEscaped(c.text), c.want);
    }
}

TEST(Summary, JsonHoldsNullWhereNoNumberIs)
{
    Summary s;
    s.scans = 3;
    s.sets = 1;
    s.firstTime = std::numeric_limits<double>::quiet_NaN();
    s.lastTime = HUGE_VAL;
    const nlohmann::json j = nlohmann::json::parse(SummaryJson(s, "a\xFF\"b", "0*.RA1"));
    EXPECT_EQ(j.at("file"), "a\\xFF\"b");
    EXPECT_TRUE(j.at("first_time_s").is_null());
    EXPECT_TRUE(j.at("last_time_s").is_null());
    EXPECT_TRUE(j.at("peak_s_star").is_null()) << "no peak found";
    EXPECT_EQ(SummaryText(s, "g.txt", "0*.RA1"),
        "g.txt: 1 g(s*) sets from 3 scans of 0*.RA1, t = nan to inf s, no g(s*) peak above s* = 0 S; 0 scans read, 0 "
        "used");
    EXPECT_TRUE(j.at("first_pending_file").is_null()) << "none pending";
    EXPECT_EQ(j.at("refusals"), nlohmann::json::array());
}
