#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/ChartView.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

// One application for the whole program, made before the first test and destroyed after the
// last one (a function-local static would outlive the toolkit's own statics).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = { name, nullptr };
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void App() { ASSERT_NE(QApplication::instance(), nullptr); }

QToolButton* ButtonNamed(QWidget* parent, const QString& text)
{
    for (QToolButton* b : parent->findChildren<QToolButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QLineEdit* EditShowing(QWidget* parent, const QString& text)
{
    for (QLineEdit* e : parent->findChildren<QLineEdit*>())
        if (e->text() == text)
            return e;
    return nullptr;
}

} // namespace

TEST(Windows, LaunchDrawsTheChosenScansAndAClickMovesTheMeniscus)
{
    App();
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 25;
    spec.points = 80;
    testutil::WriteRun(root.path(), spec);

    ScriptedHost host;
    MainWindowWidget main(&host);
    main.Form().ChangeWorkingDirectory = false;
    EXPECT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    ASSERT_TRUE(main.SelectChannel("0*.ra1"));
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    TSedDataView& view = *w->View();
    EXPECT_EQ(w->windowTitle().toStdString(), view.Caption);

    // 25 scans: stride 2, sets 0-4, 8, 10, ..., 22 and 24 -- fourteen curves.
    EXPECT_EQ(w->RawChart()->Plot()->graphCount(), 14);
    EXPECT_EQ(w->RawChart()->Plot()->graph(0)->dataCount(), 80);
    EXPECT_GE(w->CorrectedChart()->DrawnCurves(), 1);

    // Meniscus mode, then a click at r = 6.3 on the chart's background.
    w->resize(900, 600);
    QApplication::processEvents();
    w->RawChart()->Plot()->replot();
    QToolButton* meniscus = ButtonNamed(w, "Meniscus");
    ASSERT_NE(meniscus, nullptr);
    meniscus->click();
    QCustomPlot* plot = w->RawChart()->Plot();
    const QPoint at(
        static_cast<int>(plot->xAxis->coordToPixel(6.3)), static_cast<int>(plot->yAxis->coordToPixel(0.05)));
    QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_NEAR(view.Engine->Cell.Meniscus, 6.3, 0.01);
    EXPECT_NE(EditShowing(w, QString::fromStdString(view.Raw.EditMeniscus)), nullptr);
    EXPECT_TRUE(host.Messages.empty());

    // Closing the view takes it off the main window's list.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.Form().ListBoxOpenWindows.empty());
    EXPECT_EQ(main.WidgetOf(&view), nullptr);
}

TEST(Windows, ClosingTheMainWindowClosesItsViews)
{
    App();
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 40;
    testutil::WriteRun(root.path(), spec);
    ScriptedHost host;
    MainWindowWidget main(&host);
    main.Form().ChangeWorkingDirectory = false;
    main.SetRoot(QString::fromStdString(root.path()));
    SedDataViewWidget* a = main.Launch();
    SedDataViewWidget* b = main.Launch();
    ASSERT_TRUE(a && b);
    main.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.Form().ListBoxOpenWindows.empty());
    EXPECT_TRUE(main.Form().ComparisonWindows.empty());
}
