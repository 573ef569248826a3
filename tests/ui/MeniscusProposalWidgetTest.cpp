#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

TEST(Windows, FindMeniscusShowsWhatItFoundAndEnablesAcceptOnlyWithAProposal)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    testutil::TempDir root;
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 60;
    testutil::WriteRun(root.path(), spec);
    testutil::ScriptedHost host;
    MainWindowWidget main(&host);
    main.Form().ChangeWorkingDirectory = false;
    EXPECT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    ASSERT_TRUE(main.SelectChannel("0*.RA1"));
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    auto* find = w->findChild<QPushButton*>("ButtonFindMeniscus");
    auto* accept = w->findChild<QPushButton*>("ButtonAcceptMeniscus");
    const QLabel* found = w->findChild<QLabel*>("EditMeniscusProposal");
    ASSERT_TRUE(find && accept && found);
    EXPECT_EQ(find->text(), "Find meniscus");
    EXPECT_FALSE(accept->isEnabled());
    find->click();
    EXPECT_EQ(found->text().toStdString(), w->View()->Raw.EditMeniscusProposal);
    EXPECT_TRUE(found->wordWrap() && found->toolTip() == found->text()) << "the whole finding";
    EXPECT_EQ(found->text().toStdString().rfind("no meniscus found: ", 0), 0u) << found->text().toStdString();
    EXPECT_FALSE(accept->isEnabled());
    w->close();
}
