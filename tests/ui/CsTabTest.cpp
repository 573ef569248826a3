// The c(s) tab through its widgets: a typed choice reaches the panel, "Fit c(s)" fits in the
// background while the window answers, and the table, charts and labels show what the panel holds.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "NamedChild.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"
#include "ui/ChartView.h"
#include "ui/CsTab.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

TEST(CsTab, FitInTheBackgroundFillsTableChartsAndLabels)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    testutil::TempDir root;
    SimRun run = DemoRun();
    run.cells.resize(1);
    run.scans = 24; // a thinned run: the fit takes a second or so
    run.intervalSeconds = 420;
    run.stepCm = 0.004;
    RunSimulator simulator(run);
    ASSERT_EQ(WriteRunFiles(simulator, root.path(), nullptr, nullptr), "");
    MainWindowWidget main;
    main.Form().ChangeWorkingDirectory = false;
    main.SetRoot(QString::fromStdString(root.path()));
    main.SelectChannel("0*.RA1");
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    w->resize(1200, 900);
    w->show();
    ASSERT_TRUE(w->SelectTab("c(s)"));
    QApplication::processEvents();
    const TSedDataView& view = *w->View();
    CsTab* tab = w->CsTabWidget();
    EXPECT_EQ(tab->PeakTable()->rowCount(), 0);

    QLineEdit* resolution = Named<QLineEdit>(tab, "150");
    ASSERT_NE(resolution, nullptr);
    resolution->selectAll();
    QTest::keyClicks(resolution, "60");
    EXPECT_EQ(view.Cs.EditResolution, "60");

    QCheckBox* fitMeniscus = Named<QCheckBox>(tab, "fit meniscus");
    ASSERT_NE(fitMeniscus, nullptr);
    fitMeniscus->click();
    EXPECT_TRUE(view.Cs.CheckBoxFitMeniscus);

    tab->FitButton()->click();
    EXPECT_TRUE(view.Cs.Fitting()) << "the fit runs off the window thread";
    EXPECT_TRUE(view.Cs.Following());
    // The tab's timer takes the finished fit in; the window keeps answering meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.Cs.Fitting() && tab->PeakTable()->rowCount() > 0; }, 60000))
        << view.Cs.LabelStatus;
    ASSERT_FALSE(view.Cs.Failed) << view.Cs.LabelStatus;
    ASSERT_EQ(view.Cs.Result().s.size(), 60u);

    QTableWidget* table = tab->PeakTable();
    ASSERT_EQ(static_cast<size_t>(table->rowCount()), view.Cs.TableRows.size());
    ASSERT_EQ(static_cast<size_t>(table->columnCount()), view.Cs.TableHeader.size());
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            EXPECT_EQ(table->item(r, c)->text().toStdString(),
                view.Cs.TableRows[static_cast<size_t>(r)][static_cast<size_t>(c)]);
    // The demo's monomer (4.4 S, 80 %) is the largest peak.
    const auto& peaks = view.Cs.Result().peaks;
    ASSERT_FALSE(peaks.empty());
    size_t largest = 0;
    for (size_t k = 1; k < peaks.size(); ++k)
        if (peaks[k].fraction > peaks[largest].fraction)
            largest = k;
    EXPECT_NEAR(peaks[largest].s, 4.4, 0.15);
    EXPECT_EQ(tab->Status()->text().toStdString(), view.Cs.LabelStatus);
    const std::string scans = std::to_string(view.Engine->RawStore->GetNumberOfSets()) + " scans";
    EXPECT_EQ(view.Cs.LabelStatus.rfind("c(s) of " + scans, 0), 0u) << view.Cs.LabelStatus;
    EXPECT_GE(tab->DistributionChart()->DrawnCurves(), 1);
    EXPECT_GE(tab->FitChart()->DrawnCurves(), 2) << "a scan's data and its fitted curve";
    EXPECT_GE(tab->ResidualChart()->DrawnCurves(), 2);
    ASSERT_FALSE(view.Cs.LabelFit.empty());
    EXPECT_NE(Named<QLabel>(tab, QString::fromStdString(view.Cs.LabelFit)), nullptr) << view.Cs.LabelFit;
    EXPECT_TRUE(view.Cs.Result().meniscusFitted);
    EXPECT_NEAR(view.Cs.Result().meniscusCm, run.meniscusCm, 0.003);
    EXPECT_NE(view.Cs.LabelFit.find(" cm (fitted), bottom "), std::string::npos) << view.Cs.LabelFit;
    w->close();
}
