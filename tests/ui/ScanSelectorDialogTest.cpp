#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/MainWindowWidget.h"
#include "ui/ScanSelectorDialog.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

namespace {

QPushButton* PushButtonNamed(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

int DrawnScans(const TSedDataView& view)
{
    int drawn = 0;
    for (int s = 2; s < view.Raw.Chart1.SeriesCount(); ++s)
        drawn += view.Raw.Chart1.Series[static_cast<size_t>(s)].Active ? 1 : 0;
    return drawn;
}

} // namespace

TEST(ScanSelectorDialog, EscCloseBoxAndCancelAllRunTheCancelHandler)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    std::vector<int32_t> flags { 1, 0, 1, 0, 1 };
    const struct {
        const char* name;
        void (*leave)(ScanSelectorDialog&);
    } ways[] = {
        { "Esc", [](ScanSelectorDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); } },
        { "close box", [](ScanSelectorDialog& d) { d.close(); } },
        { "Cancel", [](ScanSelectorDialog& d) { PushButtonNamed(&d, "Cancel")->click(); } },
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        TScanSelector selector;
        selector.SetUp(flags.data(), nullptr, 5, 1);
        selector.OfferedCount = 2; // left from an earlier, smaller run
        ScanSelectorDialog dialog(selector);
        dialog.show();
        selector.ButtonUnselectAllClick();
        way.leave(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(selector.OfferedCount, 5);
        EXPECT_EQ(selector.NumberOfScans, 0);
        EXPECT_EQ(selector.Selection, nullptr);
        EXPECT_EQ(flags, (std::vector<int32_t> { 1, 0, 1, 0, 1 })) << "the ticks are not written";
    }
}

TEST(ScanSelectorDialog, BelongsToItsViewAndEscKeepsTheViewsDisplay)
{
    testutil::TempDir root;
    testutil::RunSpec spec;
    spec.scans = 25;
    spec.points = 40;
    testutil::WriteRun(root.path(), spec);
    testutil::ScriptedHost host;
    MainWindowWidget main(&host);
    main.Form().ChangeWorkingDirectory = false;
    ASSERT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    TSedDataView& view = *w->View();
    // An earlier choice of the user's on a smaller run, whose count a stale dialog would keep.
    view.Raw.ScanSelector.Automatic = false;
    view.Raw.ScanSelector.OfferedCount = 3;
    const int drawn = DrawnScans(view);

    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        EXPECT_EQ(modal->parentWidget(), w) << "the dialog belongs to the view that asked";
        seen = true;
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QPushButton* choose = PushButtonNamed(w, "Choose Display");
    ASSERT_NE(choose, nullptr);
    choose->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(view.Raw.ScanSelector.OfferedCount, 25);
    EXPECT_EQ(DrawnScans(view), drawn);
    w->close();
}

TEST(ScanSelectorDialog, EnterAppliesTheFieldAndSelectsNothingElse)
{
    std::vector<int32_t> flags(45, 1);
    TScanSelector selector;
    selector.SetUp(flags.data(), nullptr, 45, 1);
    ScanSelectorDialog dialog(selector);
    dialog.show();
    QApplication::processEvents();
    auto spins = dialog.findChildren<QSpinBox*>();
    ASSERT_EQ(spins.size(), 3);
    QSpinBox* step = spins[1];
    step->setFocus();
    step->selectAll();
    QTest::keyClicks(step, "4");
    QTest::keyClick(step, Qt::Key_Return);
    ASSERT_TRUE(dialog.isVisible()) << "Enter leaves the dialog open";
    std::vector<bool> want(45, false);
    for (size_t i = 0; i < 45; i += 4)
        want[i] = true;
    EXPECT_EQ(selector.CheckListBox1Checked, want) << "every fourth scan, not Select All";
    dialog.reject();
}
