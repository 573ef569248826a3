#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

TEST(Windows, RawTabShowsThePositionWarningBesideTheFields)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    testutil::TempDir root;
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 60;
    spec.radiusLow = 6.0; // the default meniscus lies before the data
    testutil::WriteRun(root.path(), spec);
    testutil::ScriptedHost host;
    MainWindowWidget main(&host);
    main.Form().ChangeWorkingDirectory = false;
    EXPECT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    ASSERT_TRUE(main.SelectChannel("0*.RA1"));
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    const QLabel* warning = w->findChild<QLabel*>("EditPositionWarning");
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->wordWrap()) << "the whole text, however long";
    const std::string shown = warning->text().toStdString();
    EXPECT_EQ(shown, w->View()->Raw.EditPositionWarning);
    EXPECT_EQ(shown.rfind("the meniscus (5.9 cm) lies outside the first scan's radii", 0), 0u) << shown;
    EXPECT_EQ(warning->toolTip(), warning->text());
    w->close();
}

namespace {

// Records the cursor the program showed while it said something.
struct CursorHost : testutil::ScriptedHost {
    std::vector<Qt::CursorShape> Cursors;
    void ShowMessage(const std::string& text) override
    {
        const QCursor* busy = QApplication::overrideCursor();
        Cursors.push_back(busy ? busy->shape() : Qt::ArrowCursor);
        ScriptedHost::ShowMessage(text);
    }
};

} // namespace

TEST(Windows, PositionsTypedAreTakenAndProposedAgainOnTheNextLaunch)
{
    testutil::TempDir root, config;
    testutil::RunSpec spec;
    spec.scans = 8;
    spec.points = 60;
    testutil::WriteRun(root.path(), spec);
    CursorHost host;
    MainWindowWidget main(&host);
    main.Form().ChangeWorkingDirectory = false;
    main.Form().Positions.File = config / "positions.json";
    EXPECT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    ASSERT_TRUE(main.SelectChannel("0*.RA1"));
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    auto* meniscus = w->findChild<QLineEdit*>("EditMeniscus");
    ASSERT_NE(meniscus, nullptr);
    EXPECT_FALSE(meniscus->isReadOnly());
    EXPECT_TRUE(w->findChild<QLineEdit*>("EditJitter")->isReadOnly()) << "no jitter correction for absorbance";
    meniscus->selectAll();
    QTest::keyClicks(meniscus, "5.95");
    QTest::keyClick(meniscus, Qt::Key_Return);
    EXPECT_EQ(w->View()->Engine->Cell.Meniscus, 5.95);
    EXPECT_EQ(w->View()->Raw.Chart1.Series[0].Points.at(0).X, 5.95) << "the marker moved";
    // A text that is no radius: said (under the busy cursor of the handler), the position stays.
    meniscus->selectAll();
    QTest::keyClicks(meniscus, "5.9x");
    QTest::keyClick(meniscus, Qt::Key_Return);
    EXPECT_EQ(host.Cursors, std::vector<Qt::CursorShape> { Qt::WaitCursor });
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(meniscus->text(), "5.95");
    host.Messages.clear();
    w->close();

    SedDataViewWidget* again = main.Launch();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->findChild<QLineEdit*>("EditMeniscus")->text(), "5.95");
    EXPECT_EQ(again->findChild<QLabel*>("LabelPositionsRestored")->text(), RawTab::RestoredText);
    auto* defaults = again->findChild<QPushButton*>("ButtonDefaultPositions");
    ASSERT_TRUE(defaults->isEnabled());
    defaults->click();
    EXPECT_EQ(again->findChild<QLineEdit*>("EditMeniscus")->text(), "5.9");
    EXPECT_EQ(again->findChild<QLabel*>("LabelPositionsRestored")->text(), "");
    EXPECT_FALSE(defaults->isEnabled());
    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
    again->close();
}
