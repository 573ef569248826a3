#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

#include "settings/SettingsFile.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every editable value equal in both, the derived ones included.
void ExpectSameValues(const ProgramSettings& a, const ProgramSettings& b)
{
    for (const SettingKey& key : SettingKeys()) {
        SCOPED_TRACE(key.Name);
        EXPECT_EQ(key.Get(a), key.Get(b));
    }
}

ProgramSettings Edited()
{
    ProgramSettings s;
    s.Display.DefaultMeniscus = 5.95;
    s.Display.bAlwaysPlotExtrapolation = true;
    s.Display.ExtrapolationMinLogS = -31.25;
    s.Analysis.LowS = 2.5e-15;
    s.Analysis.sGridNumberOfPoints = 801;
    s.Analysis.SmoothRepetition = 0;
    s.Analysis.ComputeApparentStartTime = 0;
    DeriveSettings(s);
    return s;
}

} // namespace

TEST(SettingsFile, WrittenAndReadBackTheValuesAreTheSame)
{
    const ProgramSettings edited = Edited();
    const std::string text = SettingsFileText(edited);
    EXPECT_EQ(text.substr(text.find("[GUISettings]")).substr(0, 37), "[GUISettings]\r\nDefaultMeniscus=5.95\r\n");
    EXPECT_NE(text.find("\r\n[CustomSettings]\r\nJitterWindow=10\r\nLowS=2.5E-15\r\nHighS=1E-10\r\n"
                        "sGridNumberOfPoints=801\r\n"),
        std::string::npos)
        << "fixed keys (LowLogS, HighLogS) are not written";
    EXPECT_EQ(text.find("DefaultIgnoreTag"), std::string::npos);
    EXPECT_NE(text.find("bAlwaysPlotExtrapolation=1\r\n"), std::string::npos);

    ProgramSettings read;
    EXPECT_TRUE(ApplySettingsText(text, read).empty());
    ExpectSameValues(read, edited);

    // The built-in values written with 15 digits read back exactly, ln(5e-14) included.
    ProgramSettings builtIn;
    builtIn.Display.ExtrapolationMinLogS = -30;
    EXPECT_TRUE(ApplySettingsText(SettingsFileText(ProgramSettings()), builtIn).empty());
    EXPECT_EQ(builtIn.Display.ExtrapolationMinLogS, -30.6267533894825) << "what the file says";
    ProgramSettings unchanged;
    EXPECT_TRUE(ApplySettingsText(SettingsFileText(ProgramSettings()), unchanged).empty());
    EXPECT_EQ(unchanged.Display.ExtrapolationMinLogS, std::log(5e-14)) << "a value written as in use stays as it is";
}

TEST(SettingsFile, NumbersAreWrittenWithAPointUnderACommaLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/setup generates it)";
    const std::string text = SettingsFileText(Edited());
    ProgramSettings read;
    const auto problems = ApplySettingsText(text, read);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_NE(text.find("DefaultMeniscus=5.95\r\n"), std::string::npos);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(read.Display.DefaultMeniscus, 5.95);
}

// What a hand-edited or damaged file may hold: each problem named with its line, the rest taken.
TEST(SettingsFile, BadEntriesAreReportedAndLeaveTheirKeysAlone)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> problems;
        double meniscus; // DefaultMeniscus afterwards
    } cases[] = {
        { "unknown keys and sections", "[Elsewhere]\nColour=red\nDefaultMeniscus=6\n", {}, 6 },
        { "no section, odd case, comments, CR LF, blanks",
            "; comment\r\n# comment\r\n\r\n  defaultmeniscus = 6.05 ; inline\r\n", {}, 6.05 },
        { "last of two wins", "DefaultMeniscus=6\nDefaultMeniscus=6.1\n", {}, 6.1 },
        { "not a number", "DefaultMeniscus=abc\n",
            { "line 1: DefaultMeniscus = \"abc\": DefaultMeniscus takes a number from 4 to 8 cm" }, 5.9 },
        { "comma in a file", "DefaultMeniscus=6,1\n",
            { "line 1: DefaultMeniscus = \"6,1\": DefaultMeniscus takes a number from 4 to 8 cm" }, 5.9 },
        { "out of range, the rest taken", "SmoothCarSize=0\nDefaultMeniscus=6\n",
            { "line 1: SmoothCarSize = \"0\": SmoothCarSize takes a whole number from 1 to 999 points" }, 6 },
        { "fixed keys are ignored", "LowLogS=-3\nDefaultIgnoreTag=5\n", {}, 5.9 },
        { "not key = value, reported in line order", "[GUISettings]\nDefaultMeniscus=6\nSmoothCarSize=x\njunk line\n",
            { "line 3: SmoothCarSize = \"x\": SmoothCarSize takes a whole number from 1 to 999 points",
                "line 4: \"junk line\" is not a \"key = value\" line" },
            6 },
        { "truncated in a key", "DefaultMeniscus=6\r\nDefaultJit",
            { "line 2: \"DefaultJit\" is not a \"key = value\" line" }, 6 },
        { "truncated in a section", "DefaultMeniscus=6\n[GUISet",
            { "line 2: \"[GUISet\" is not a \"key = value\" line" }, 6 },
        { "a line too long", "DefaultMeniscus=6\n" + std::string(300, 'x') + "=1\n",
            { "line 2: the line is too long to be a \"key = value\" line" }, 6 },
        { "keys that break a rule keep their values", "DefaultMeniscus=7.5\nDefaultCellBottom=7.3\n",
            { "DefaultMeniscus + DefaultMeniscusIgnore must be below DefaultCellBottom - DefaultBottomIgnore "
              "(DefaultMeniscus = 7.5, DefaultMeniscusIgnore = 0.002, DefaultCellBottom = 7.3, "
              "DefaultBottomIgnore = 0.1)" },
            5.9 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramSettings s;
        EXPECT_EQ(ApplySettingsText(c.text, s), c.problems);
        EXPECT_EQ(s.Display.DefaultMeniscus, c.meniscus);
        EXPECT_EQ(s.Analysis.DefaultCellBottom, 7.2);
        EXPECT_EQ(s.Analysis.LowLogS, std::log(1e-15));
        EXPECT_EQ(s.Analysis.DefaultIgnoreTag, -2e10);
        EXPECT_EQ(s.Analysis.SmoothCarSize, 3);
    }
}

TEST(SettingsFile, ARestoredRuleThatBreaksAnotherRestoresThatOneToo)
{
    // Top 7.4 < bottom 7.6 holds; the meniscus rule fails and puts the bottom back to 7.2, below the top.
    ProgramSettings s;
    const auto problems = ApplySettingsText("DefaultCellTop=7.4\nDefaultCellBottom=7.6\nDefaultMeniscus=7.55\n", s);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1].rfind("DefaultCellTop must be below DefaultCellBottom", 0), 0u);
    EXPECT_EQ(s.Analysis.DefaultCellTop, 5.75);
    EXPECT_EQ(s.Analysis.DefaultCellBottom, 7.2);
    EXPECT_EQ(s.Display.DefaultMeniscus, 5.9);
    EXPECT_TRUE(BrokenSettingRules(s).empty());
}

TEST(SettingsFile, FilesThatAreNotSettingsTextChangeNothing)
{
    TempDir dir;
    std::string binary = "DefaultMeniscus=6\n";
    binary += std::string("\x7f"
                          "ELF\x02\x01\x01\0\0\0",
        10);
    Write(dir / "binary.INI", binary);
    Write(dir / "large.INI", "DefaultMeniscus=6\n" + std::string(70000, ';'));
    fs::create_directory(dir / "folder.INI");
    Write(dir / "empty.INI", "");
    // A pipe once held the window at start, waiting for a writer.
    ASSERT_EQ(::mkfifo((dir / "pipe.INI").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.INI");
    const struct {
        const char* name;
        std::vector<std::string> problems;
    } cases[] = {
        { "missing.INI", {} },
        { "empty.INI", {} },
        { "binary.INI", { "the file holds binary data, not settings text; nothing was taken from it" } },
        { "large.INI", { "the file is too large for a settings file (70018 bytes); nothing was taken from it" } },
        { "folder.INI", { "it is a directory, not a file; nothing was read" } },
        { "pipe.INI", { "it is not a regular file (a pipe or a device); nothing was read" } },
        { "zero.INI", { "it is not a regular file (a pipe or a device); nothing was read" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramSettings s;
        const SettingsFileReport report = ReadSettingsFile(dir / c.name, s);
        EXPECT_EQ(report.File, dir / c.name);
        EXPECT_EQ(report.Problems, c.problems);
        EXPECT_EQ(s.Display.DefaultMeniscus, 5.9);
    }
}

TEST(SettingsFile, TheUsersFileIsReadAfterTheProgramsAndWins)
{
    TempDir dir;
    fs::create_directories(dir / "home/.config/morvane");
    const SettingsFileLocations files = SettingsFileLocations::Of(dir / "bin/morvane", nullptr, (dir / "home").c_str());
    ASSERT_EQ(files.UserFile, dir / "home/.config/morvane/morvane.INI");
    fs::create_directory(dir / "bin");
    Write(files.ProgramFile, "DefaultMeniscus=6\nDefaultJitter=5.8\nSmoothCarSize=x\n");
    Write(files.UserFile, "DefaultJitter=5.7\nJitterWindow=-1\n");

    ProgramSettings s;
    const std::string message = ReadSettingsFiles(files, s);
    EXPECT_EQ(s.Display.DefaultMeniscus, 6);
    EXPECT_EQ(s.Display.DefaultJitter, 5.7);
    EXPECT_EQ(message,
        "Not all of the settings file " + files.ProgramFile
            + " could be used; these keys keep their built-in values:\n"
              "  line 3: SmoothCarSize = \"x\": SmoothCarSize takes a whole number from 1 to 999 points\n\n"
              "Not all of the settings file "
            + files.UserFile + " could be used; these keys keep the values from " + files.ProgramFile
            + " or their built-in values:\n"
              "  line 2: JitterWindow = \"-1\": JitterWindow takes a whole number from 0 to 1000 grid points");

    ProgramSettings clean;
    Write(files.ProgramFile, "DefaultMeniscus=6\n");
    Write(files.UserFile, "DefaultJitter=5.7\n");
    EXPECT_EQ(ReadSettingsFiles(files, clean), "") << "nothing to say when all was used";
}

TEST(SettingsFile, LocationsFollowTheNameRuleAndTheUsersConfigurationDirectory)
{
    const struct {
        const char* program;
        const char* xdg;
        const char* home;
        const char* programFile;
        const char* userFile;
    } cases[] = {
        { "/opt/m/MORVANE.EXE", "/x/cfg", "/home/u", "/opt/m/MORVANE.INI", "/x/cfg/morvane/MORVANE.INI" },
        { "/opt/m/morvane", nullptr, "/home/u", "/opt/m/morvane.INI", "/home/u/.config/morvane/morvane.INI" },
        { "/opt/m/morvane", "", "/home/u", "/opt/m/morvane.INI", "/home/u/.config/morvane/morvane.INI" },
        { "/opt/m/morvane", "relative", "/home/u", "/opt/m/morvane.INI", "/home/u/.config/morvane/morvane.INI" },
        { "/opt/m/morvane", nullptr, nullptr, "/opt/m/morvane.INI", "" },
        { "", nullptr, "/home/u", "", "/home/u/.config/morvane/morvane.INI" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const SettingsFileLocations files = SettingsFileLocations::Of(c.program, c.xdg, c.home);
        EXPECT_EQ(files.ProgramFile, c.programFile);
        EXPECT_EQ(files.UserFile, c.userFile);
    }
}

TEST(SettingsFile, SavedBesideTheProgramOrElseInTheUsersDirectory)
{
    TempDir dir;
    fs::create_directory(dir / "bin");
    Write(dir / "blocked", "a file where a directory would have to be");
    const ProgramSettings edited = Edited();
    const std::string text = SettingsFileText(edited);
    const struct {
        const char* name;
        std::string program;
        std::string userDir;
        bool userFileExists;
        std::string writtenTo; // "" for none
    } cases[] = {
        { "beside the program", dir / "bin/morvane", dir / "cfg1", false, dir / "bin/morvane.INI" },
        { "program's place not writable", dir / "blocked/morvane", dir / "cfg2", false,
            dir / "cfg2/morvane/morvane.INI" },
        { "the user's file exists", dir / "bin/other", dir / "cfg3", true, dir / "cfg3/morvane/other.INI" },
        { "neither place writable", dir / "blocked/morvane", dir / "blocked", false, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SettingsFileLocations files = SettingsFileLocations::Of(c.program, c.userDir.c_str(), nullptr);
        if (c.userFileExists) {
            fs::create_directories(fs::path(files.UserFile).parent_path());
            Write(files.UserFile, "DefaultMeniscus=6\n");
        }
        EXPECT_EQ(files.SaveTarget(), c.userFileExists ? files.UserFile : files.ProgramFile);
        const SettingsSaveResult saved = SaveSettingsFile(files, edited);
        EXPECT_EQ(saved.WrittenTo, c.writtenTo);
        if (c.writtenTo.empty()) {
            EXPECT_EQ(saved.Failure.rfind("The settings could not be saved (cannot create a file in '", 0), 0u)
                << saved.Failure;
            EXPECT_NE(saved.Failure.find("They apply until the program ends."), std::string::npos);
            continue;
        }
        EXPECT_EQ(saved.Failure, "");
        EXPECT_EQ(Read(c.writtenTo), text);
        ProgramSettings read;
        EXPECT_EQ(ReadSettingsFiles(files, read), "");
        ExpectSameValues(read, edited);
    }
    EXPECT_FALSE(fs::exists(dir / "bin/other.INI")) << "not beside the program while the user's file exists";
}
