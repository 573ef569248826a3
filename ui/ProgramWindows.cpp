#include "ui/ProgramWindows.h"

#include <QApplication>

ProgramWindows::ProgramWindows(Prompts* prompts)
    : Main(prompts)
    , ScanSelectorWindow(ScanSelector)
    , WaitWindowWidget(WaitWindow)
    , SettingsWindow(Settings, &Main)
{
    QApplication::setApplicationName(ApplicationName);
    WaitWindow.OnRepaint = [this] { WaitWindowWidget.Refresh(); };
    TMorvaneForm& form = Main.Form();
    form.SettingsWindow = &Settings;
    form.ShowSettingsWindow = [this](TMorvaneSettings&) {
        SettingsWindow.Refresh();
        SettingsWindow.exec();
    };
}
