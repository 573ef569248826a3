// morvane: the windowed program. Options let it start on a root, launch a view and, for
// documentation and checks, render a window to a PNG file without a display and exit.
#include <QApplication>
#include <QBuffer>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "MorvaneVersion.h"
#include "discovery/RunDiscovery.h"
#include "scanfiles/FileSystem.h"
#include "ui/ProgramWindows.h"
#include "ui/SedDataViewWidget.h"

using namespace morvane;

namespace {

// The longest delay a single-shot timer takes: its interval is an int of milliseconds.
constexpr double MaxDelaySeconds = 2147483;

// A tab name as the user may type it: case and spaces do not count.
QString TabKey(const QString& name)
{
    QString key = name.toLower();
    key.remove(QRegularExpression(QStringLiteral("\\s")));
    return key;
}

// Selects the view's tab that `name` names, ignoring case and spaces; false with the names of
// the tabs in `names` when none matches.
bool SelectTabNamed(SedDataViewWidget& view, const QString& name, QString& names)
{
    const QTabWidget* tabs = view.findChild<QTabWidget*>();
    QStringList all;
    for (int i = 0; tabs && i < tabs->count(); ++i) {
        const QString text = tabs->tabText(i);
        if (TabKey(text) == TabKey(name))
            return view.SelectTab(text);
        all << "'" + text + "'";
    }
    names = all.join(", ");
    return false;
}

// Why `file` must not be written: it would replace or add a scan file of a run the program reads
// (the data directory of the main window or the root), or of any directory that holds scan files.
// Empty when it may be written.
std::string ScanRefusalOf(const QString& file, MainWindowWidget& main, const QString& root)
{
    const std::string path = file.toStdString();
    if (IsScanFileOfRun(path, main.Form().EditDataDir) || (!root.isEmpty() && IsScanFileOfRun(path, root.toStdString())))
        return "it is a scan file of the run being read";
    return ScanOverwriteReason(path);
}

// Renders `widget` to the PNG file `file` through a temporary file and a rename, as every file the
// program writes; what failed, or empty.
std::string WriteScreenshot(QWidget& widget, const QString& file)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !widget.grab().save(&buffer, "PNG"))
        return "the picture cannot be encoded";
    return WriteFileAtomically(file.toStdString(), std::string(png.constData(), static_cast<size_t>(png.size())));
}

// The --delay value; false, with the message written, when it is no number of seconds a
// single-shot timer takes.
bool DelayOf(const QCommandLineParser& parser, const QCommandLineOption& option, double& seconds)
{
    bool valid = true;
    seconds = parser.isSet(option) ? parser.value(option).toDouble(&valid) : 0;
    if (valid && std::isfinite(seconds) && seconds >= 0 && seconds <= MaxDelaySeconds)
        return true;
    std::fprintf(stderr, "morvane: --delay needs a number of seconds, not %s (0 to 2147483)\n",
        qPrintable(parser.value(option)));
    return false;
}

// Makes root the main window's root; false when its scan failed. After a complete scan the
// message names the symbolic link loops it skipped; the rest is listed.
bool ScanStartRoot(MainWindowWidget& main, const QString& root)
{
    const QString message = main.SetRoot(root);
    if (!message.isEmpty())
        std::fprintf(stderr, "morvane: %s\n", qPrintable(message));
    return message.toStdString() != UnexpectedDirectoryError;
}

// Without a user (a screenshot), what the windows would say goes to stderr and no dialog waits.
class StderrHost : public SilentHost {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "morvane: %s\n", text.c_str()); }
};

} // namespace

int main(int argc, char* argv[])
{
    bool screenshot = false, help = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--screenshot" || arg.startsWith("--screenshot="))
            screenshot = true;
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all" || arg == "--version" || arg == "-v")
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
    // The program makes the chosen run its working directory; a relative path of the command line
    // means the directory it was started in.
    const QDir startDir = QDir::current();
    QApplication::setApplicationName(ProgramWindows::ApplicationName);
    QApplication::setApplicationVersion(MORVANE_VERSION_TEXT);
    QCommandLineParser parser;
    parser.setApplicationDescription("Sedimentation-velocity g(s*) analysis");
    parser.addHelpOption();
    parser.addVersionOption();
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
    const QCommandLineOption fitOption("fit-species",
        "Before the screenshot, press \"Fit species\" with N (1 to 3) species on the tab shown (corrected or "
        "extrapolation).",
        "N");
    const QCommandLineOption openOption("open",
        "Open the analysis of an output's record (its .json sidecar): a data view of the recorded run and channel "
        "with the recorded parameters and settings, saying which scan files changed since.",
        "RECORD.json");
    parser.addOptions({ rootOption, launchOption, shotOption, tabOption, delayOption, fitOption, openOption });
    parser.process(app);

    // Everything from the windows' creation on; an exception that reaches here is reported.
    const auto run = [&]() -> int {
        double delaySeconds = 0;
        if (!DelayOf(parser, delayOption, delaySeconds))
            return 1;
        bool speciesOk = true;
        const int fitSpecies = parser.isSet(fitOption) ? parser.value(fitOption).toInt(&speciesOk) : 0;
        if (!speciesOk || (parser.isSet(fitOption) && (fitSpecies < 1 || fitSpecies > 3))) {
            std::fprintf(stderr, "morvane: --fit-species takes 1 to 3, not %s\n", qPrintable(parser.value(fitOption)));
            return 1;
        }
        const bool screenshotNow = parser.isSet(shotOption) && delaySeconds <= 0;
        const QString shotFile
            = parser.isSet(shotOption) ? startDir.absoluteFilePath(parser.value(shotOption)) : QString();

        StderrHost stderrHost;
        ProgramWindows windows(parser.isSet(shotOption) ? &stderrHost : nullptr);
        MainWindowWidget& main = windows.Main;
        // A picture shows the settings' positions: it must not depend on what this user clicked before.
        if (!parser.isSet(shotOption))
            main.Form().Positions.File = PositionMemory::DefaultFile();
        // The settings file, before any view is launched; what it holds that cannot be used is said once.
        const std::string settingsReport = windows.Settings.ReadSettingsFiles(
            main.Form().DisplaySettings, main.Form().AnalysisSettings, main.Form().SpeciesDefaults);
        main.show();
        if (!settingsReport.empty() && parser.isSet(shotOption))
            std::fprintf(stderr, "morvane: %s\n", settingsReport.c_str());
        else if (!settingsReport.empty())
            QTimer::singleShot(0, &main, [&main, settingsReport] { main.Host().ShowMessage(settingsReport); });
        const QString root = parser.isSet(rootOption)
            ? QDir::cleanPath(startDir.absoluteFilePath(parser.value(rootOption)))
            : QString();
        if (!root.isEmpty() && !ScanStartRoot(main, root))
            return 1;
        const auto refuseShot = [&]() -> bool {
            const std::string why = shotFile.isEmpty() ? std::string() : ScanRefusalOf(shotFile, main, root);
            if (why.empty())
                return false;
            std::fprintf(stderr, "morvane: will not write %s: %s\n", qPrintable(shotFile), why.c_str());
            return true;
        };
        if (refuseShot())
            return 1;

        SedDataViewWidget* view = nullptr;
        if (parser.isSet(openOption)) {
            if (parser.isSet(launchOption)) {
                std::fprintf(stderr, "morvane: --open and --launch each open a data view: give one of them\n");
                return 1;
            }
            // The messages of the opening go to stderr when no one is there to read them.
            const std::vector<SedDataViewWidget*> opened
                = main.OpenAnalysis(startDir.absoluteFilePath(parser.value(openOption)));
            if (opened.empty())
                return 1;
            view = opened.front();
            QString names;
            if (parser.isSet(tabOption) && !SelectTabNamed(*view, parser.value(tabOption), names)) {
                std::fprintf(stderr, "morvane: no tab named %s; the tabs are %s\n", qPrintable(parser.value(tabOption)),
                    qPrintable(names));
                return 1;
            }
        }
        bool launchFailed = false; // said on stderr when it failed
        const QString mask = parser.value(launchOption);
        const auto launch = [&]() -> bool {
            view = main.Launch();
            if (!view) {
                std::fprintf(stderr, "morvane: could not launch %s\n", qPrintable(mask));
                launchFailed = true;
                return false;
            }
            QString names;
            if (parser.isSet(tabOption) && !SelectTabNamed(*view, parser.value(tabOption), names)) {
                std::fprintf(stderr, "morvane: no tab named %s; the tabs are %s\n", qPrintable(parser.value(tabOption)),
                    qPrintable(names));
                launchFailed = true;
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
                        // A failed scan selects nothing; the links a scan skips do not stop the launch.
                        if (root.isEmpty())
                            return;
                        main.SetRoot(root);
                        if (!main.SelectChannel(mask))
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
            // A picture of the main window (or of the wrong tab) is not what --launch asked for.
            if (launchFailed)
                return 1;
            if (parser.isSet(launchOption) && !view) {
                std::fprintf(stderr, "morvane: channel %s did not appear in %s within %g s; no screenshot taken\n",
                    qPrintable(mask), main.Form().EditDataDir.c_str(), delaySeconds);
                return 1;
            }
            QWidget* target = view ? static_cast<QWidget*>(view) : static_cast<QWidget*>(&main);
            target->resize(1100, 760);
            target->show();
            QApplication::processEvents();
            if (view)
                view->PrepareScreenshot();
            if (view && fitSpecies > 0) {
                const auto source = view->findChild<QTabWidget*>()->currentIndex() == 3
                    ? TSedDataView::SpeciesSource::Extrapolated
                    : TSedDataView::SpeciesSource::Corrected;
                QPushButton* fit = view->FitSpeciesButton(source);
                fit->parentWidget()->findChild<QSpinBox*>()->setValue(fitSpecies);
                fit->click();
                view->FinishSpeciesFit(); // the fit runs off the window thread: its result in the picture
            }
            QApplication::processEvents();
            if (refuseShot())
                return 1;
            if (const std::string failure = WriteScreenshot(*target, shotFile); !failure.empty()) {
                std::fprintf(stderr, "morvane: cannot write %s: %s\n", qPrintable(shotFile), failure.c_str());
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
