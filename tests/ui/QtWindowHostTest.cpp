#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/QtWindowHost.h"

using namespace morvane;

namespace {

// Answers the next modal file dialog over `parent` with `choice`, as a user typing it would.
void AnswerFileDialog(QWidget* parent, const std::string& choice, bool& seen)
{
    QTimer::singleShot(0, [parent, choice, &seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->parentWidget(), parent);
        seen = true;
        dialog->selectFile(QString::fromStdString(choice));
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
}

} // namespace

TEST(QtWindowHost, ToolkitFiltersBecomeQtFilters)
{
    EXPECT_EQ(QtWindowHost::QtFilter("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|").toStdString(),
        "Text Files (*.txt);;All Files (*.*)");
    EXPECT_EQ(QtWindowHost::QtFilter("XLA-XLI Scan Files|*.scn|all files|*.*").toStdString(),
        "XLA-XLI Scan Files (*.scn);;all files (*.*)");
}

TEST(QtWindowHost, DefaultExtensionGoesOnANameWithoutOne)
{
    const struct {
        const char* file;
        const char* ext;
        const char* want;
    } cases[] = {
        { "run5", ".txt", "run5.txt" },
        { "/data/run5", "txt", "/data/run5.txt" },
        { "/data.v2/run5", ".txt", "/data.v2/run5.txt" }, // a dot in the directory is no extension
        { "run5.txt", ".txt", "run5.txt" },
        { "run5.dat", ".txt", "run5.dat" }, // the user's own extension stays
        { "run5", "", "run5" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(QtWindowHost::WithDefaultExt(c.file, c.ext), c.want);
    }
}

TEST(QtWindowHost, FileDialogsOpenOnTheProposedNameInsideTheInitialDirectory)
{
    const struct {
        const char* dir;
        const char* file;
        const char* want;
    } cases[] = {
        { "/data/120526/103015/", "000001.RA1", "/data/120526/103015/000001.RA1" },
        { "/data/120526/103015", "000001.RA1", "/data/120526/103015/000001.RA1" },
        { "/data/x/", "/data/x/t dcdt vs sStar for a.txt", "/data/x/t dcdt vs sStar for a.txt" }, // already full
        { "", "proposed.txt", "proposed.txt" },
        { "/data/x/", "", "/data/x/" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FileDialogRequest request;
        request.InitialDir = c.dir;
        request.FileName = c.file;
        EXPECT_EQ(QtWindowHost::StartPath(request).toStdString(), c.want);
    }
}

TEST(QtWindowHost, DialogsBelongToTheirWindowAndAnswerAsTyped)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    testutil::TempDir dir;
    QWidget window;
    QtWindowHost host(&window);

    // "run5" typed in the save dialog is saved as run5.txt.
    FileDialogRequest save;
    save.FileName = dir / "proposed.txt";
    save.DefaultExt = ".txt";
    save.Filter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
    bool seen = false;
    AnswerFileDialog(&window, dir / "run5", seen);
    ASSERT_TRUE(host.SaveDialog(save));
    EXPECT_TRUE(seen);
    EXPECT_EQ(save.FileName, dir / "run5.txt");

    // The root chooser takes a directory that holds only directories.
    const std::string root = dir / "root";
    std::filesystem::create_directories(root + "/010207/000001");
    FileDialogRequest choose;
    choose.InitialDir = dir.path();
    seen = false;
    AnswerFileDialog(&window, root, seen);
    ASSERT_TRUE(host.SelectDirectory(choose));
    EXPECT_TRUE(seen);
    EXPECT_EQ(choose.FileName, root);
}

TEST(QtWindowHost, AStandInAnswersTheDialogs)
{
    testutil::ScriptedHost script;
    script.SaveAnswers = { "chosen.txt" };
    QtWindowHost host(nullptr, &script);
    FileDialogRequest save;
    EXPECT_TRUE(host.SaveDialog(save));
    EXPECT_EQ(save.FileName, "chosen.txt");
    host.ShowMessage("said");
    EXPECT_EQ(script.Messages, (std::vector<std::string> { "said" }));
}
