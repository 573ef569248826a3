// The windows as a scientist meets them during a live run: messages over the window that asked,
// which has the focus back after them; a read-out from a click on any curve; fields that show
// their numbers whole; a double-click in the list of open windows.
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/ChartView.h"
#include "ui/ProgramWindows.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

QToolButton* ToolNamed(QWidget* parent, const QString& text)
{
    for (QToolButton* b : parent->findChildren<QToolButton*>())
        if (b->text() == text && b->isVisible())
            return b;
    return nullptr;
}

// The window that owns the next message box, which is then closed; null when none came.
QWidget* OwnerOfMessage(const std::function<void()>& ask)
{
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&owner] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            owner = box->parentWidget() ? box->parentWidget()->window() : box;
            box->accept();
        }
    });
    ask();
    QApplication::processEvents();
    if (owner) {
        EXPECT_EQ(QApplication::activeWindow(), owner) << "the focus goes back to the window that asked";
    }
    return owner;
}

// Clicks the middle point of the last drawn line of `model` on `chart`.
void ClickOnACurve(ChartView* chart, const ChartModel& model)
{
    QCustomPlot* plot = chart->Plot();
    plot->replot();
    for (auto s = model.Series.rbegin(); s != model.Series.rend(); ++s) {
        if (!s->Active || s->Points.size() < 3 || s->Kind == SeriesKind::Bars || s->Kind == SeriesKind::ErrorBars)
            continue;
        const ChartPoint& p = s->Points[s->Points.size() / 2];
        QCPAxis* valueAxis = s->OnRightAxis ? plot->yAxis2 : plot->yAxis;
        const QPoint at(static_cast<int>(std::lround(plot->xAxis->coordToPixel(p.X))),
            static_cast<int>(std::lround(valueAxis->coordToPixel(p.Y))));
        ASSERT_NE(plot->plottableAt(at, false), nullptr) << "the click is on a curve";
        QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, at);
        return;
    }
    FAIL() << "no curve drawn";
}

struct ProgramOnARun {
    TempDir root;
    ScriptedHost host;
    std::unique_ptr<ProgramWindows> windows;
    SedDataViewWidget* view = nullptr;

    explicit ProgramOnARun(bool realDialogs, int scans = 30)
    {
        testutil::RunSpec spec;
        spec.scans = scans;
        spec.points = 80;
        testutil::WriteRun(root.path(), spec);
        windows = std::make_unique<ProgramWindows>(realDialogs ? nullptr : &host);
        windows->Main.Form().ChangeWorkingDirectory = false;
        EXPECT_EQ(windows->Main.SetRoot(QString::fromStdString(root.path())), "");
        windows->Main.show();
        view = windows->Main.Launch();
        EXPECT_NE(view, nullptr);
        view->resize(1100, 760);
        QApplication::processEvents();
    }
    ~ProgramOnARun()
    {
        windows->Main.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST(LiveRunWindows, EveryMessageBelongsToTheWindowThatAsked)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ProgramOnARun p(true);
    ProgramWindows& w = *p.windows;
    TSedDataView& view = *p.view->View();

    EXPECT_EQ(OwnerOfMessage([&] {
        view.Raw.SBGroup1Click(TSedDataView::RawMode::DisplayXY);
        view.Raw.RawChartClick(6.1, 0.5);
    }),
        p.view);
    EXPECT_EQ(OwnerOfMessage([&] {
        w.Main.Form().RadioGroupChannelsItemIndex = -1;
        w.Main.Launch();
    }),
        &w.Main);
    EXPECT_EQ(OwnerOfMessage([&] {
        w.ComparisonWindow.show();
        w.Comparison.ListBoxOpenWindows[0].Selected = true;
        w.Comparison.ButtonRefreshClick();
        w.Comparison.SBDisplayXYCorClick();
        w.Comparison.dcdtChartClickBackground(4, 1);
    }),
        &w.ComparisonWindow);
    EXPECT_EQ(OwnerOfMessage([&] {
        w.ScanViewer.EditFileName = p.root / "none.RA1";
        w.ScanViewerWindow.show();
        w.ScanViewer.ShowScanFile();
    }),
        &w.ScanViewerWindow);
    EXPECT_EQ(OwnerOfMessage([&] {
        w.TextViewerWindow.show();
        w.TextViewer.EditFileName = p.root / "none.RA1";
        w.TextViewer.EditFileNameChange();
    }),
        &w.TextViewerWindow);

    // A value the settings window refuses is said over the settings window, which stays open on
    // top of the main window.
    QWidget* settingsOwner = nullptr;
    QTimer::singleShot(0, [&] {
        QTableWidget* grid = w.SettingsWindow.GUISettingsGrid();
        grid->item(0, 1)->setText("99");
        settingsOwner = OwnerOfMessage([&] { w.SettingsWindow.SaveButton()->click(); });
        w.SettingsWindow.reject();
    });
    w.Main.Form().S11Click();
    EXPECT_EQ(settingsOwner, &w.SettingsWindow);
}

TEST(LiveRunWindows, DisplayXYReadsOutAClickOnACurveOnEveryChart)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ProgramOnARun p(false);
    ProgramWindows& w = *p.windows;
    SedDataViewWidget* widget = p.view;
    TSedDataView& v = *widget->View();
    v.Extrapolation.ButtonRefreshExtrapolationClick();
    v.TimeCourse.RadioGroupChooseTimeCourse = 2;
    v.TimeCourse.RadioGroupChooseTimeCourseClick();
    widget->Refresh();
    auto* tabs = widget->findChild<QTabWidget*>();
    const struct {
        const char* name;
        int tab;
        std::function<void()> prepare;
        ChartView* chart;
        const ChartModel& model;
        const std::string& edit;
    } charts[] = {
        { "raw", 0, [] {}, widget->RawChart(), v.Raw.Chart1, v.Raw.EditDisplayXY },
        { "average", 1, [] {}, widget->AverageChart(), v.Results.ChartAverage, v.Results.EditDisplayXYAvg },
        { "corrected", 2, [] {}, widget->CorrectedChart(), v.Results.dcdtChart, v.Results.EditDisplayXYCor },
        { "extrapolation, s* axis", 3, [] {}, widget->ExtrapolationSChart(), v.Extrapolation.ChartSExtrapolation,
            v.Extrapolation.EditDisplayXYExt },
        { "extrapolation, time axis", 3,
            [&] {
                v.Extrapolation.RadioGroupExtapolationView = 1;
                v.Extrapolation.RadioGroupExtapolationViewClick();
                widget->Refresh();
            },
            widget->ExtrapolationTimeChart(), v.Extrapolation.ChartExtrapolation, v.Extrapolation.EditDisplayXYExt },
        { "time course", 4, [] {}, widget->TimeCourseChart(), v.TimeCourse.TimeCourseChart,
            v.TimeCourse.EditTDisplayXY },
    };
    widget->show();
    for (const auto& c : charts) {
        SCOPED_TRACE(c.name);
        tabs->setCurrentIndex(c.tab);
        c.prepare();
        QApplication::processEvents();
        QToolButton* display = ToolNamed(tabs->currentWidget(), "Display X, Y");
        ASSERT_NE(display, nullptr);
        display->click();
        p.host.Messages.clear();
        ClickOnACurve(c.chart, c.model);
        EXPECT_EQ(c.edit.rfind("X = ", 0), 0u) << c.edit;
        EXPECT_EQ(p.host.Messages, (std::vector<std::string> { c.edit }));
    }

    // The comparison window and the scan viewer.
    w.Main.Form().ButtonLaunchComparisonClick();
    w.Comparison.ListBoxOpenWindows[0].Selected = true;
    w.Comparison.ButtonRefreshClick();
    w.ComparisonWindow.Refresh();
    w.Main.Form().FileListBox1Change(3);
    w.Main.Form().ButtonShowFileClick();
    const struct {
        const char* name;
        QWidget* window;
        ChartView* chart;
        const ChartModel& model;
        const std::string& edit;
    } others[] = {
        { "comparison", &w.ComparisonWindow, w.ComparisonWindow.Chart(), w.Comparison.dcdtChart,
            w.Comparison.EditDisplayXYCor },
        { "scan viewer", &w.ScanViewerWindow, w.ScanViewerWindow.Chart(), w.ScanViewer.TransformChart,
            w.ScanViewer.EditDisplayXY },
    };
    for (const auto& c : others) {
        SCOPED_TRACE(c.name);
        c.window->resize(800, 500);
        c.window->show();
        QApplication::processEvents();
        QToolButton* display = ToolNamed(c.window, "Display X, Y");
        ASSERT_NE(display, nullptr);
        display->click();
        p.host.Messages.clear();
        ClickOnACurve(c.chart, c.model);
        EXPECT_EQ(c.edit.rfind("X = ", 0), 0u) << c.edit;
        EXPECT_EQ(p.host.Messages, (std::vector<std::string> { c.edit }));
    }
}

TEST(LiveRunWindows, FieldsShowTheirNumbersWholeAtTheSmallestWindow)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ProgramOnARun p(false, 8);
    SedDataViewWidget* widget = p.view;
    TSedDataView& v = *widget->View();
    v.Raw.EditMeniscus = "5.91234";
    v.Raw.EditJitter = "5.85001";
    widget->Refresh();
    widget->show();
    widget->resize(10, 10); // as small as the window goes
    QApplication::processEvents();
    ASSERT_EQ(v.EditMWGuess, "150000");
    for (const std::string& text : { v.EditMWGuess, v.Raw.EditMeniscus, v.Raw.EditJitter, v.EditTargetChannel }) {
        SCOPED_TRACE(text);
        QLineEdit* shown = nullptr;
        for (QLineEdit* e : widget->findChildren<QLineEdit*>())
            if (e->text().toStdString() == text)
                shown = e;
        ASSERT_NE(shown, nullptr);
        EXPECT_GE(shown->width(), shown->fontMetrics().horizontalAdvance(shown->text()) + 8)
            << "cut at " << shown->width();
    }
}

TEST(LiveRunWindows, ADoubleClickInTheListOfOpenWindowsFocusesThatView)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    ProgramOnARun p(false, 8);
    SedDataViewWidget* first = p.view;
    SedDataViewWidget* second = p.windows->Main.Launch();
    ASSERT_NE(second, nullptr);
    second->activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), second);

    QListWidget* list = nullptr;
    for (QListWidget* l : p.windows->Main.findChildren<QListWidget*>())
        if (l->window() == &p.windows->Main && l->count() == 2
            && l->item(0)->text().toStdString() == first->View()->Caption)
            list = l;
    ASSERT_NE(list, nullptr);
    emit list->itemDoubleClicked(list->item(0)); // as the list gives a double click on its first entry
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), first);
}
