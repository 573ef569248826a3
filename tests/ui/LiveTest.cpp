// The windows following a run that is still being written, and the program's start-up. Timer
// handlers are called directly: no test waits for a timer.
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/MainWindowWidget.h"
#include "ui/ProgramWindows.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

using testutil::TempDir;

namespace {

testutil::RunSpec ScanRun(int scans, const std::string& extension = "RA1")
{
    testutil::RunSpec spec;
    spec.scans = scans;
    spec.points = 80;
    spec.extension = extension;
    return spec;
}

// A main window on `root` with `channel` selected.
void Open(MainWindowWidget& main, const std::string& root, const QString& channel)
{
    main.Form().ChangeWorkingDirectory = false;
    ASSERT_EQ(main.SetRoot(QString::fromStdString(root)), "");
    ASSERT_TRUE(main.SelectChannel(channel));
}

// The values a QCustomPlot graph draws.
std::vector<double> PlottedValues(const QCPGraph* graph)
{
    std::vector<double> values;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        values.push_back(it->value);
    return values;
}

} // namespace

TEST(Live, ViewTicksDrawTheNewScansAndTheNewResult)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    TempDir root;
    testutil::WriteRun(root.path(), ScanRun(12));
    MainWindowWidget main;
    Open(main, root.path(), "0*.RA1");
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    const TSedDataView& view = *w->View();
    QCustomPlot* raw = w->RawChart()->Plot();
    QCustomPlot* corrected = w->CorrectedChart()->Plot();
    ASSERT_EQ(raw->graphCount(), 12);
    ASSERT_EQ(corrected->graphCount(), 1);
    const std::vector<double> correctedBefore = PlottedValues(corrected->graph(0));
    const std::string timeRangeBefore = view.Results.EditTimeRange;

    // The run goes on: three scans appear between two ticks.
    testutil::WriteRun(root.path(), ScanRun(15));
    w->Timer1Tick();
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 15);
    EXPECT_EQ(raw->graphCount(), 15) << "each new scan is drawn";
    EXPECT_EQ(PlottedValues(raw->graph(14)).size(), 80u);
    EXPECT_NE(view.Results.EditTimeRange, timeRangeBefore) << "the average now reaches the newest pair";
    // The corrected tab is not shown: its chart is drawn when it is (Plot() looks as if shown).
    ASSERT_EQ(w->CorrectedChart()->Plot()->graphCount(), 1);
    EXPECT_NE(PlottedValues(corrected->graph(0)), correctedBefore) << "the corrected chart shows the new result";

    // A tick with nothing new changes no chart.
    const uint64_t rawChanged = view.Raw.Chart1.Changed, correctedChanged = view.Results.dcdtChart.Changed;
    w->Timer1Tick();
    EXPECT_EQ(view.Raw.Chart1.Changed, rawChanged);
    EXPECT_EQ(view.Results.dcdtChart.Changed, correctedChanged);
    w->close();
}

TEST(Live, MainWindowTickAddsANewChannelAndKeepsTheSelection)
{
    TempDir root;
    testutil::WriteRun(root.path(), ScanRun(6));
    MainWindowWidget main;
    Open(main, root.path(), "0*.RA1");

    // The first file of a second cell's interference channel.
    testutil::WriteRun(root.path(), ScanRun(1, "IP2"));
    main.Timer1Tick();
    EXPECT_EQ(main.Form().SelectedChannel(), "0*.RA1");
    QStringList shown, checked;
    for (QRadioButton* b : main.findChildren<QRadioButton*>()) {
        shown << b->text();
        if (b->isChecked())
            checked << b->text();
    }
    shown.sort();
    EXPECT_EQ(shown, (QStringList { "0*.IP2", "0*.RA1" }));
    EXPECT_EQ(checked, (QStringList { "0*.RA1" }));
}

TEST(Live, MainWindowFollowsARunStartedAfterIt)
{
    TempDir root;
    MainWindowWidget main;
    main.Form().ChangeWorkingDirectory = false;
    ASSERT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    // The window's clock ticks of one follow period (5 s), each followed by the refresh that once
    // restarted the follow's own timer before it could fire.
    const auto followPeriod = [&] {
        const TMorvaneForm& f = main.Form();
        for (int32_t t = 0; t < f.Timer2.Interval / f.Timer1.Interval; ++t) {
            main.Timer1Tick();
            main.Refresh();
        }
    };
    const auto shown = [&](const char* name) {
        QStringList items;
        const auto* list = main.findChild<QListWidget*>(QString::fromUtf8(name));
        for (int i = 0; list && i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    };

    // The simulated instrument starts its run once the window is open, and writes a scan every period.
    SimRun run = DemoRun();
    run.cells.resize(1);
    run.scans = 3;
    RunSimulator simulator(run);
    std::string error;
    const std::string dir = MakeRunDirectory({ root.path(), "010224", 1 }, error);
    ASSERT_EQ(error, "");
    int32_t written = 0;
    ASSERT_EQ(WriteRunFiles(simulator, dir, nullptr,
                  [&](const SimScan&, const std::string&) {
                      ++written;
                      followPeriod();
                      EXPECT_EQ(main.Form().EditDataDir, dir) << "the new run is current";
                      EXPECT_EQ(main.Form().SelectedChannel(), "0*.RA1");
                      EXPECT_EQ(shown("files").size(), written) << "its files are listed as they come";
                  }),
        "");
    EXPECT_EQ(shown("runs"), (QStringList { QString::fromStdString(root.path()), QString::fromStdString(dir) }));

    // A second run joins the list within a period; the current one, which has a channel, stays.
    const std::string next = MakeRunDirectory({ root.path(), "010224", 2 }, error);
    followPeriod();
    EXPECT_EQ(shown("runs").size(), 3);
    EXPECT_EQ(main.Form().EditDataDir, dir);
}

TEST(Live, StartUpMakesEachWindowOnceAndOffersTheSettings)
{
    ProgramWindows windows;
    EXPECT_EQ(QApplication::applicationName(), "MorVane");
    EXPECT_EQ(windows.Main.windowTitle(), "Morvane");
    EXPECT_FALSE(windows.ScanSelectorWindow.isVisible());
    windows.Main.Form().DisplaySettings.DisplayNumberMid = 12;

    QAction* programSettings = nullptr;
    for (QAction* menu : windows.Main.menuBar()->actions())
        if (menu->text() == "&Settings" && menu->isVisible() && menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text() == "&Program Settings")
                    programSettings = item;
    ASSERT_NE(programSettings, nullptr);

    bool inspected = false;
    QTimer::singleShot(0, [&] {
        ASSERT_EQ(QApplication::activeModalWidget(), &windows.SettingsWindow);
        EXPECT_EQ(windows.SettingsWindow.windowTitle(), "Settings");
        const QTableWidget* gui = windows.SettingsWindow.GUISettingsGrid();
        const QTableWidget* custom = windows.SettingsWindow.CustomSettingsGrid();
        EXPECT_EQ(custom->rowCount(), 22);
        EXPECT_EQ(gui->item(13, 0)->text(), "DisplayNumberMid");
        EXPECT_EQ(gui->item(13, 1)->text(), "12") << "the main window's current value";
        inspected = true;
        windows.SettingsWindow.reject();
    });
    programSettings->trigger();
    EXPECT_TRUE(inspected);
    EXPECT_FALSE(windows.SettingsWindow.isVisible());
}
