#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <vector>

#include "NamedChild.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/ChartView.h"
#include "ui/ProgramWindows.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

using testutil::TempDir;


TEST(CompareWindow, ShowComparisonSelectRefreshNormalizeAndCloseAView)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 8;
    spec.points = 80;
    testutil::WriteRun(root.path(), spec);
    spec.extension = "RA2";
    testutil::WriteRun(root.path(), spec);
    testutil::ScriptedHost host;
    ProgramWindows windows(&host);
    windows.Main.Form().ChangeWorkingDirectory = false;
    ASSERT_EQ(windows.Main.SetRoot(QString::fromStdString(root.path())), "");
    ASSERT_TRUE(windows.Main.SelectChannel("0*.RA1"));
    SedDataViewWidget* first = windows.Main.Launch();
    ASSERT_TRUE(windows.Main.SelectChannel("0*.RA2"));
    ASSERT_NE(windows.Main.Launch(), nullptr);

    CompareWindow& w = windows.ComparisonWindow;
    EXPECT_FALSE(w.isVisible());
    QTest::mouseClick(Named<QPushButton>(&windows.Main, "Show Comparison"), Qt::LeftButton);
    ASSERT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Comparison Form");
    ASSERT_EQ(w.List()->count(), 2);

    w.List()->item(0)->setSelected(true);
    w.List()->item(1)->setSelected(true);
    EXPECT_TRUE(windows.Comparison.ListBoxOpenWindows[1].Selected);
    QTest::mouseClick(Named<QPushButton>(&w, "Refresh"), Qt::LeftButton);
    EXPECT_EQ(w.Chart()->DrawnCurves(), 2);
    QCustomPlot* plot = w.Chart()->Plot();
    EXPECT_EQ(plot->yAxis->label(), "t dc/dt corrected");
    ASSERT_EQ(plot->legend->itemCount(), 2);
    EXPECT_EQ(plot->graph(0)->name(), "0*.RA1");
    EXPECT_EQ(plot->graph(1)->pen().color(), QColor(Qt::red));
    EXPECT_FALSE(windows.Comparison.EditRefreshTime.empty());

    std::vector<double> regular;
    for (auto it = plot->graph(0)->data()->begin(); it != plot->graph(0)->data()->end(); ++it)
        regular.push_back(it->value);
    Named<QRadioButton>(&w, "Normalized")->click();
    EXPECT_EQ(plot->yAxis->label(), "(t dc/dt)/Co corrected");
    ASSERT_EQ(plot->graph(0)->dataCount(), static_cast<int>(regular.size()));
    // Every value divided by the same Co.
    const auto peak = static_cast<int>(std::max_element(regular.begin(), regular.end()) - regular.begin());
    const double co = regular[static_cast<size_t>(peak)] / plot->graph(0)->data()->at(peak)->value;
    EXPECT_TRUE(std::isfinite(co) && co != 1.0);
    for (int i = 0; i < plot->graph(0)->dataCount(); i += 50)
        EXPECT_NEAR(plot->graph(0)->data()->at(i)->value * co, regular[static_cast<size_t>(i)], 1e-9 * std::abs(co));

    // Closing a view takes it off the list, and the window redraws without it.
    first->close();
    EXPECT_EQ(w.List()->count(), 1);
    EXPECT_TRUE(w.List()->item(0)->isSelected());
    EXPECT_EQ(w.Chart()->DrawnCurves(), 1);
    EXPECT_EQ(plot->graph(0)->name(), "0*.RA2");
    EXPECT_TRUE(host.Messages.empty());
}
