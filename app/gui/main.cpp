// morvane: the windowed program. Options let it start on a root, launch a view and, for
// documentation and checks, render a window to a PNG file without a display and exit.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <string>

#include "ui/ProgramWindows.h"
#include "ui/SedDataViewWidget.h"

int main(int argc, char* argv[])
{
    bool screenshot = false, help = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--screenshot" || arg.startsWith("--screenshot="))
            screenshot = true;
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all")
            help = true;
    }
    // A screenshot and the help text need no display; a window does, and without one the
    // toolkit's own complaint would not say what to do.
    const bool haveDisplay = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        if (screenshot || help) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        } else if (!haveDisplay) {
            std::fprintf(stderr,
                "morvane: no display (DISPLAY is not set). Run it in a desktop session or under xvfb-run, or use "
                "--screenshot FILE.png to render the windows without a display.\n");
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramWindows::ApplicationName);
    QCommandLineParser parser;
    parser.setApplicationDescription("Sedimentation-velocity g(s*) analysis");
    parser.addHelpOption();
    const QCommandLineOption rootOption("root", "Root data directory to scan at start.", "DIR");
    const QCommandLineOption launchOption("launch",
        "Channel entry to launch a data view for, e.g. 0*.RA1. Without --screenshot, a channel whose first file "
        "has not been written yet is launched as soon as it appears.",
        "MASK");
    const QCommandLineOption shotOption(
        "screenshot", "Render the data view (or the main window) to FILE and exit.", "FILE.png");
    const QCommandLineOption tabOption("tab", "Tab of the data view to show in the screenshot.", "NAME");
    const QCommandLineOption delayOption("delay",
        "Take the screenshot after the program has run this long, following a run that is still being written.",
        "SECONDS");
    parser.addOptions({ rootOption, launchOption, shotOption, tabOption, delayOption });
    parser.process(app);

    // Everything from the windows' creation on; an exception that reaches here is reported.
    const auto run = [&]() -> int {
        bool delayValid = true;
        const double delaySeconds = parser.isSet(delayOption) ? parser.value(delayOption).toDouble(&delayValid) : 0;
        if (!delayValid || delaySeconds < 0) {
            std::fprintf(
                stderr, "morvane: --delay needs a number of seconds, not %s\n", qPrintable(parser.value(delayOption)));
            return 1;
        }
        const bool screenshotNow = parser.isSet(shotOption) && delaySeconds <= 0;

        ProgramWindows windows;
        MainWindowWidget& main = windows.Main;
        // The settings file, before any view is launched; what it holds that cannot be used is said once.
        const std::string settingsReport
            = windows.Settings.ReadSettingsFiles(main.Form().DisplaySettings, main.Form().AnalysisSettings);
        main.show();
        if (!settingsReport.empty() && parser.isSet(shotOption))
            std::fprintf(stderr, "morvane: %s\n", settingsReport.c_str());
        else if (!settingsReport.empty())
            QTimer::singleShot(0, &main, [&main, settingsReport] { main.WindowPrompts().ShowMessage(settingsReport); });
        // The program changes its working directory to the chosen run, so a relative root is taken
        // from where the program started.
        const QString root = parser.isSet(rootOption) ? QDir(parser.value(rootOption)).absolutePath() : QString();
        if (parser.isSet(rootOption)) {
            const QString failure = main.SetRoot(root);
            if (!failure.isEmpty()) {
                std::fprintf(stderr, "morvane: %s\n", qPrintable(failure));
                return 1;
            }
        }

        SedDataViewWidget* view = nullptr;
        const QString mask = parser.value(launchOption);
        const auto launch = [&]() -> bool {
            view = main.Launch();
            if (!view) {
                std::fprintf(stderr, "morvane: could not launch %s\n", qPrintable(mask));
                return false;
            }
            if (parser.isSet(tabOption) && !view->SelectTab(parser.value(tabOption))) {
                std::fprintf(stderr, "morvane: no tab named %s\n", qPrintable(parser.value(tabOption)));
                return false;
            }
            return true;
        };
        if (parser.isSet(launchOption)) {
            if (main.SelectChannel(mask)) {
                if (!launch())
                    return 1;
            } else if (screenshotNow) {
                std::fprintf(
                    stderr, "morvane: channel %s not found in %s\n", qPrintable(mask), main.Form().EditDataDir.c_str());
                return 1;
            } else {
                // A run that has not written this channel yet, or whose run directory does not exist
                // yet: look again every detection period, scanning the root afresh for a newer run.
                std::fprintf(stderr, "morvane: channel %s not in %s yet; launching it when its first file appears\n",
                    qPrintable(mask), main.Form().EditDataDir.c_str());
                auto* wait = new QTimer(&main);
                QObject::connect(wait, &QTimer::timeout, &main, [&, wait] {
                    if (!main.SelectChannel(mask)) {
                        if (root.isEmpty() || !main.SetRoot(root).isEmpty() || !main.SelectChannel(mask))
                            return;
                    }
                    wait->stop();
                    launch();
                });
                wait->start(main.Form().Timer1.Interval);
            }
        }
        if (!parser.isSet(shotOption))
            return app.exec();

        const auto shoot = [&]() -> int {
            QWidget* target = view ? static_cast<QWidget*>(view) : static_cast<QWidget*>(&main);
            target->resize(1100, 760);
            target->show();
            QApplication::processEvents();
            if (view)
                view->PrepareScreenshot();
            QApplication::processEvents();
            const QString file = parser.value(shotOption);
            if (!target->grab().save(file, "PNG")) {
                std::fprintf(stderr, "morvane: cannot write %s\n", qPrintable(file));
                return 1;
            }
            return 0;
        };
        if (screenshotNow)
            return shoot();
        // The timers of the windows run meanwhile, as they would for a user.
        QTimer::singleShot(static_cast<int>(delaySeconds * 1000), &app, [&] { QCoreApplication::exit(shoot()); });
        return app.exec();
    };
    try {
        return run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morvane: %s\n", e.what());
        if (!screenshot)
            QMessageBox::critical(nullptr, ProgramWindows::ApplicationName, QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
