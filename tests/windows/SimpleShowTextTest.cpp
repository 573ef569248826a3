#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "windows/TSimpleShowText.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ScriptedHost;
using testutil::TempDir;
using testutil::WriteTextFile;

using Lines = std::vector<std::string>;

TEST(SimpleShowText, ShowsTheLinesWhateverTheirEnds)
{
    TempDir dir;
    ScriptedHost host;
    TSimpleShowText t { &host };
    const struct {
        const char* name;
        std::string text;
        Lines want;
    } cases[] = {
        { "CR LF", "one\r\ntwo\r\n", { "one", "two" } },
        { "LF", "one\ntwo\n", { "one", "two" } },
        { "CR", "one\rtwo\r", { "one", "two" } },
        { "mixed, last line unended", "one\r\n\ntwo\rthree", { "one", "", "two", "three" } },
        { "empty", "", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteTextFile(dir / "f.txt", c.text);
        t.EditFileName = dir / "f.txt";
        t.EditFileNameChange();
        EXPECT_EQ(t.Memo1, c.want);
    }
    EXPECT_TRUE(host.Messages.empty());
}

TEST(SimpleShowText, AFileThatCannotBeReadSaysSoAndKeepsTheLines)
{
    TempDir dir;
    ScriptedHost host;
    TSimpleShowText t { &host };
    WriteTextFile(dir / "f.txt", "kept\r\n");
    WriteTextFile(dir / "vanished.txt", "x");
    fs::remove(dir / "vanished.txt");
    t.EditFileName = dir / "f.txt";
    t.EditFileNameChange();
    for (const std::string& path : { dir / "missing.txt", dir / "vanished.txt", dir.path(), std::string() }) {
        SCOPED_TRACE(path);
        host.Messages.clear();
        t.EditFileName = path;
        t.EditFileNameChange();
        EXPECT_EQ(host.Messages, Lines { "Error attempting to read file" });
        EXPECT_EQ(t.Memo1, Lines { "kept" });
    }
}

TEST(SimpleShowText, BinaryBytesShowAsVisibleText)
{
    const struct {
        const char* name;
        std::string line;
        std::string want;
    } cases[] = {
        { "plain text and a tab stay", "5.80\t1.2E-03", "5.80\t1.2E-03" },
        { "NUL and other controls show as a middle dot", std::string("a\0b\x1b", 4),
            "a\xC2\xB7"
            "b\xC2\xB7" },
        { "DEL", "\x7F", "\xC2\xB7" },
        { "valid UTF-8 stays", "\xC2\xB5m \xE2\x82\xAC", "\xC2\xB5m \xE2\x82\xAC" },
        { "a Latin-1 byte becomes its character", "5 \xB5l", "5 \xC2\xB5l" },
        { "a C1 byte shows as a dot", "\x85", "\xC2\xB7" },
        { "a UTF-8 C1 control shows as its two Latin-1 bytes", "\xC2\x85", "\xC3\x82\xC2\xB7" },
        { "a cut sequence", "\xE2\x82", "\xC3\xA2\xC2\xB7" },
        { "a surrogate is no UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\xB7" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TSimpleShowText::DisplayLine(c.line), c.want);
    }
}

TEST(SimpleShowText, ResizeFitsTheMemoButNeverBelow200)
{
    const struct {
        int w, h, memoW, memoH;
    } cases[] = {
        { 467, 402, 439, 322 },
        { 800, 600, 772, 520 },
        { 100, 100, 200, 200 },
        { 228, 280, 200, 200 },
        { 229, 281, 201, 201 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        TSimpleShowText t;
        t.FormResize(c.w, c.h);
        EXPECT_EQ(t.Memo1Width, c.memoW);
        EXPECT_EQ(t.EditFileNameWidth, c.memoW);
        EXPECT_EQ(t.Memo1Height, c.memoH);
    }
}
