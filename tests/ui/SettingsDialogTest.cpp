// The settings window as a user meets it: a value typed into a grid's editor, "Save", and what the
// main window and the settings file then hold.
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "ui/ProgramWindows.h"

using namespace morvane;

namespace fs = std::filesystem;

namespace {

// Types `text` into the editor of row `row`'s value, as a double-click and typing would.
void Type(QTableWidget* grid, int row, const QString& text)
{
    grid->setCurrentCell(row, 1);
    grid->editItem(grid->item(row, 1));
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr) << "the value is editable";
    editor->selectAll();
    QTest::keyClicks(editor, text);
}

} // namespace

TEST(SettingsDialog, AValueTypedAndSavedReachesTheMainWindowAndTheFile)
{
    testutil::TempDir dir;
    fs::create_directory(dir / "bin");
    testutil::ScriptedHost host;
    ProgramWindows windows(&host);
    windows.Settings.Files = SettingsFileLocations::Of(dir / "bin/morvane", (dir / "config").c_str(), nullptr);
    SettingsDialog& dialog = windows.SettingsWindow;

    bool refused = false, closed = false;
    QTimer::singleShot(0, [&] {
        ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
        QTableWidget* gui = dialog.GUISettingsGrid();
        ASSERT_EQ(gui->item(0, 0)->text(), "DefaultMeniscus");
        EXPECT_FALSE(dialog.CustomSettingsGrid()->item(3, 1)->flags() & Qt::ItemIsEditable) << "LowLogS is derived";
        EXPECT_FALSE(gui->item(0, 0)->flags() & Qt::ItemIsEditable) << "keys stay";

        Type(gui, 0, "9");
        dialog.SaveButton()->click();
        refused = dialog.isVisible() && host.Messages.size() == 1 && gui->item(0, 1)->text() == "9";
        Type(gui, 0, "6.05");
        dialog.SaveButton()->click();
        closed = !dialog.isVisible();
        if (!closed)
            dialog.reject();
    });
    windows.Main.Form().S11Click();

    EXPECT_TRUE(refused) << "a value out of range keeps the window open and is reported";
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].find("DefaultMeniscus takes a number from 4 to 8 cm"), std::string::npos);
    EXPECT_TRUE(closed);
    EXPECT_EQ(windows.Main.Form().DisplaySettings.DefaultMeniscus, 6.05) << "what the next launch copies";
    std::ifstream file(dir / "bin/morvane.INI", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("\r\nDefaultMeniscus=6.05\r\n"), std::string::npos) << text.str();
}
