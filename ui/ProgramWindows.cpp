#include "ui/ProgramWindows.h"

#include <QApplication>

ProgramWindows::ProgramWindows(Prompts* standIn)
    : Main(standIn)
    , ScanSelectorWindow(ScanSelector)
    , WaitWindowWidget(WaitWindow)
    , SettingsWindow(Settings, &Main)
{
    QApplication::setApplicationName(ApplicationName);
    Main.Form().SettingsWindow = &Settings;
    Main.WindowPrompts().UseSettingsWindow(&SettingsWindow);
}
