// The g(s*) output through the save dialog.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "dataview/GofsOutput.h"

namespace fs = std::filesystem;
using namespace dataviewtest;
using testutil::TempDir;

namespace {

// Answers dialogs as scripted and records what the window said.
class ScriptedPrompts : public SilentPrompts {
public:
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> saveRequests;
    std::string savePath; // empty: cancel

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool SaveDialog(FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        request.FileName = savePath;
        return !savePath.empty();
    }
};

} // namespace

TEST_F(SedDataView, OutputAsciiThroughTheSaveDialog)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    Launch(view, dir.path());

    // Cancelled: no file, no message.
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].Title, "Save s*g(s*)");
    EXPECT_EQ(prompts.saveRequests[0].FileName, "t dcdt vs sStar for Test sample.txt");
    EXPECT_TRUE(prompts.messages.empty());

    // Confirmed over an existing file: replaced whole.
    prompts.savePath = dir / "out.txt";
    testutil::WriteTextFile(prompts.savePath, "old contents");
    view.ButtonOutputAsciiClick();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(testutil::ReadTextFile(prompts.savePath), GofsFileText(*view.Engine, prompts.savePath, 0, true));

    // A directory that does not exist: the write-error message, nothing else.
    prompts.savePath = (fs::path(dir.path()) / "missing" / "out.txt").string();
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.messages, (std::vector<std::string> { WriteErrorMessage }));
    EXPECT_FALSE(fs::exists(prompts.savePath));
}
