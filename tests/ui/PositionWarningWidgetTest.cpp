#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedPrompts.h"
#include "ui/MainWindowWidget.h"
#include "ui/SedDataViewWidget.h"

TEST(Windows, RawTabShowsThePositionWarningBesideTheFields)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    testutil::TempDir root;
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 60;
    spec.radiusLow = 6.0; // the default meniscus lies before the data
    testutil::WriteRun(root.path(), spec);
    testutil::ScriptedPrompts prompts;
    MainWindowWidget main(&prompts);
    main.Form().ChangeWorkingDirectory = false;
    EXPECT_EQ(main.SetRoot(QString::fromStdString(root.path())), "");
    ASSERT_TRUE(main.SelectChannel("0*.RA1"));
    SedDataViewWidget* w = main.Launch();
    ASSERT_NE(w, nullptr);
    const QLineEdit* warning = w->findChild<QLineEdit*>("EditPositionWarning");
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->isReadOnly());
    const std::string shown = warning->text().toStdString();
    EXPECT_EQ(shown, w->View()->EditPositionWarning);
    EXPECT_EQ(shown.rfind("the meniscus (5.9 cm) lies outside the first scan's radii", 0), 0u) << shown;
    EXPECT_EQ(warning->toolTip(), warning->text());
    w->close();
}
