#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/ChartView.h"
#include "ui/ProgramWindows.h"
#include "ui/RecomposeDialog.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

QPushButton* Button(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

bool HasEditShowing(QWidget* parent, const std::string& text)
{
    for (QLineEdit* e : parent->findChildren<QLineEdit*>())
        if (e->text().toStdString() == text)
            return true;
    return false;
}

QAction* MenuItem(QMainWindow& window, const QString& menuText, const QString& itemText)
{
    for (QAction* menu : window.menuBar()->actions())
        if (menu->text() == menuText && menu->isVisible() && menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text() == itemText)
                    return item;
    return nullptr;
}

} // namespace

TEST(Viewers, ShowThisFileDrawsTheChosenFileAndShowTextShowsItsLines)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 3;
    spec.points = 70;
    const std::vector<std::string> names = testutil::WriteRun(root.path(), spec);
    ScriptedHost host;
    ProgramWindows windows(&host);
    windows.Main.Form().ChangeWorkingDirectory = false;
    ASSERT_EQ(windows.Main.SetRoot(QString::fromStdString(root.path())), "");
    const auto& files = windows.Main.Form().FileListBox1Items;
    const auto chosen = std::find(files.begin(), files.end(), names[1]);
    ASSERT_NE(chosen, files.end());
    windows.Main.Form().FileListBox1Change(static_cast<int32_t>(chosen - files.begin()));
    windows.Main.Refresh();
    EXPECT_FALSE(windows.ScanViewerWindow.isVisible());

    QPushButton* showFile = Button(&windows.Main, "Show This File");
    ASSERT_NE(showFile, nullptr);
    QTest::mouseClick(showFile, Qt::LeftButton);
    EXPECT_TRUE(windows.ScanViewerWindow.isVisible());
    EXPECT_EQ(windows.ScanViewerWindow.windowTitle(), "ViewAScan");
    const std::string path = root / names[1];
    EXPECT_TRUE(HasEditShowing(&windows.ScanViewerWindow, path));
    const ChartSeries& series = windows.ScanViewer.TransformChart.Series[0];
    ASSERT_EQ(series.Points.size(), 70u);
    EXPECT_DOUBLE_EQ(series.Points[0].X, spec.radiusLow);
    EXPECT_EQ(windows.ScanViewerWindow.Chart()->DrawnCurves(), 1);
    QCPGraph* graph = windows.ScanViewerWindow.Chart()->Plot()->graph(0);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->dataCount(), 70);
    EXPECT_EQ(graph->pen().color(), QColor(255, 0, 0));
    EXPECT_TRUE(host.Messages.empty());

    QPushButton* showText = Button(&windows.ScanViewerWindow, "Show Text");
    ASSERT_NE(showText, nullptr);
    QTest::mouseClick(showText, Qt::LeftButton);
    EXPECT_TRUE(windows.TextViewerWindow.isVisible());
    EXPECT_EQ(windows.TextViewerWindow.windowTitle(), "SimpleShowText");
    EXPECT_TRUE(HasEditShowing(&windows.TextViewerWindow, path));
    const QString text = windows.TextViewerWindow.Memo()->toPlainText();
    EXPECT_EQ(text.count('\n'), 71);
    EXPECT_TRUE(text.startsWith(QString::fromStdString(spec.description + "\n")));

    // A tiny window keeps the memo at 200 by 200.
    windows.TextViewerWindow.resize(120, 90);
    QApplication::processEvents();
    EXPECT_EQ(windows.TextViewerWindow.Memo()->width(), 200);
    EXPECT_EQ(windows.TextViewerWindow.Memo()->height(), 200);

    // With no file chosen, the viewer says so and keeps its points.
    windows.Main.Form().FileListBox1Change(-1);
    QTest::mouseClick(showFile, Qt::LeftButton);
    EXPECT_EQ(host.Messages, std::vector<std::string> { "File not found." });
    EXPECT_EQ(graph->dataCount(), 70);
}

TEST(Viewers, RecomposeOpensFromTheActionMenuOnTheDataDirectory)
{
    TempDir root;
    ScriptedHost host;
    ProgramWindows windows(&host);
    windows.Main.Form().ChangeWorkingDirectory = false;
    ASSERT_EQ(windows.Main.SetRoot(QString::fromStdString(root.path())), "");
    QAction* recompose = MenuItem(windows.Main, "&Action", "&Recompose");
    ASSERT_NE(recompose, nullptr);
    bool inspected = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<RecomposeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(&dialog->Tool(), &windows.Recompose);
        EXPECT_EQ(dialog->windowTitle(), "recompose");
        EXPECT_TRUE(HasEditShowing(dialog, windows.Main.Form().EditDataDir));
        EXPECT_TRUE(HasEditShowing(dialog, "status = idle"));
        inspected = true;
        dialog->reject();
    });
    recompose->trigger();
    EXPECT_TRUE(inspected);
}

TEST(Viewers, RecomposeDialogButtonsRunTheTool)
{
    TempDir data, out;
    const std::string header = "P 2 20.0 40000 1000 1.75E+10 660 1\r\n";
    testutil::WriteTextFile(data / "paradigm.txt", "Paradigm 12.5, ref\r\n" + header + "   5.8012    1.00000E+02\r\n");
    testutil::WriteTextFile(data / "00001.IP1", "Run7 3.1, sample\r\n" + header + "   5.8000    2.31400E+00\r\n");
    ScriptedHost host;
    Trecompose tool;
    tool.FormShow(data.path());
    RecomposeDialog dialog(tool, nullptr, &host);
    dialog.show();
    QPushButton* run = Button(&dialog, "Recompose");
    ASSERT_NE(run, nullptr);
    EXPECT_FALSE(run->isEnabled());

    host.OpenAnswers = { data / "paradigm.txt" };
    QTest::mouseClick(Button(&dialog, "Read Paradigm"), Qt::LeftButton);
    EXPECT_TRUE(HasEditShowing(&dialog, data / "paradigm.txt"));
    host.SaveAnswers = { data / "Recompose.log" };
    QTest::mouseClick(Button(&dialog, "Set Output Dir"), Qt::LeftButton);
    EXPECT_EQ(host.Messages, std::vector<std::string> { "Input and Output Directories must be different" });
    EXPECT_FALSE(run->isEnabled());
    host.SaveAnswers = { out / "Recompose.log" };
    QTest::mouseClick(Button(&dialog, "Set Output Dir"), Qt::LeftButton);
    EXPECT_TRUE(HasEditShowing(&dialog, out.path()));
    ASSERT_TRUE(run->isEnabled());

    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_TRUE(HasEditShowing(&dialog, "1 files processed."));
    EXPECT_EQ(testutil::ReadTextFile(out / "00001.IP1"),
        "Paradigm 12.5, sample\r\n" + header + "   5.8012    2.31400E+00\r\n");

    QTest::mouseClick(Button(&dialog, "Close"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(tool.ParadigmLines.empty());
}
