#include "ui/QtWindowHost.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <filesystem>

#include "ui/BusyCursor.h"
#include "ui/CompareWindow.h"
#include "ui/RecomposeDialog.h"
#include "ui/ScanSelectorDialog.h"
#include "ui/SedDataViewWidget.h"
#include "ui/SettingsDialog.h"
#include "ui/SimpleShowTextWindow.h"
#include "ui/ViewAScanWindow.h"

namespace morvane {

namespace {

// Hands the keyboard focus back to the window that asked once its modal dialog closes, rather
// than to whichever window the toolkit picks. Meanwhile the dialog shows the normal cursor, also
// when it was asked during a busy one.
class FocusBack {
public:
    explicit FocusBack(QWidget* parent)
        : window_(parent ? parent->window() : nullptr)
    {
    }
    ~FocusBack()
    {
        if (window_ && window_->isVisible())
            window_->activateWindow();
    }
    FocusBack(const FocusBack&) = delete;
    FocusBack& operator=(const FocusBack&) = delete;

private:
    QPointer<QWidget> window_;
    NormalCursor cursor_;
};

} // namespace

QString QtWindowHost::QtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        if (!name.contains('('))
            name += " (" + patterns + ")";
        out << name;
    }
    return out.join(";;");
}

std::string QtWindowHost::WithDefaultExt(const std::string& file, const std::string& defaultExt)
{
    const std::string ext = !defaultExt.empty() && defaultExt[0] == '.' ? defaultExt.substr(1) : defaultExt;
    if (ext.empty() || file.empty() || std::filesystem::path(file).has_extension())
        return file;
    return file + "." + ext;
}

namespace {

// The nearest directory of a file's path that exists, and the rest of the path below it.
std::pair<std::filesystem::path, std::filesystem::path> NearestExistingDirectory(const std::filesystem::path& file)
{
    std::filesystem::path dir = file.parent_path();
    std::filesystem::path rest = file.filename();
    std::error_code ec;
    while (dir.has_relative_path() && !std::filesystem::is_directory(dir, ec)) {
        rest = dir.filename() / rest;
        dir = dir.parent_path();
    }
    return { dir, rest };
}

} // namespace

QString QtWindowHost::StartPath(const FileDialogRequest& request)
{
    const std::filesystem::path name(request.FileName);
    if (request.InitialDir.empty() || name.is_absolute())
        return QString::fromStdString(request.FileName);
    return QString::fromStdString((std::filesystem::path(request.InitialDir) / name).string());
}

void QtWindowHost::ShowMessage(const std::string& text)
{
    if (standIn_)
        return standIn_->ShowMessage(text);
    const FocusBack back(parent_);
    QMessageBox::information(parent_, QStringLiteral("Morvane"), QString::fromStdString(text));
}

bool QtWindowHost::SaveDialog(FileDialogRequest& request)
{
    if (standIn_)
        return standIn_->SaveDialog(request);
    const FocusBack back(parent_);
    // A proposed directory that is made only once the user confirms (an export's): the dialog
    // opens in the nearest directory that exists, the rest of the path in its name field.
    const auto [existing, rest] = NearestExistingDirectory(StartPath(request).toStdString());
    QFileDialog dialog(parent_, QString::fromStdString(request.Title), StartPath(request), QtFilter(request.Filter));
    if (rest.has_parent_path()) {
        dialog.setDirectory(QString::fromStdString(existing.string()));
        dialog.selectFile(QString::fromStdString(rest.string()));
    }
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
    // The dialog adds the extension itself, so that it asks about overwriting the file it will write.
    QString suffix = QString::fromStdString(request.DefaultExt);
    if (suffix.startsWith('.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString file = dialog.selectedFiles().first();
    if (file.isEmpty())
        return false;
    // A platform dialog may ignore the default suffix.
    request.FileName = WithDefaultExt(file.toStdString(), request.DefaultExt);
    return true;
}

bool QtWindowHost::OpenDialog(FileDialogRequest& request)
{
    if (standIn_)
        return standIn_->OpenDialog(request);
    const FocusBack back(parent_);
    const QString file = QFileDialog::getOpenFileName(
        parent_, QString::fromStdString(request.Title), StartPath(request), QtFilter(request.Filter));
    if (file.isEmpty())
        return false;
    request.FileName = file.toStdString();
    return true;
}

bool QtWindowHost::SelectDirectory(FileDialogRequest& request)
{
    if (standIn_)
        return standIn_->SelectDirectory(request);
    const FocusBack back(parent_);
    // Files are shown too, so that the user sees which directory holds the scans.
    const QString dir = QFileDialog::getExistingDirectory(parent_, QString::fromStdString(request.Title),
        QString::fromStdString(request.InitialDir), QFileDialog::Options());
    if (dir.isEmpty())
        return false;
    request.FileName = dir.toStdString();
    return true;
}

bool QtWindowHost::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    if (standIn_)
        return standIn_->InputQuery(caption, prompt, value);
    const FocusBack back(parent_);
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, QString::fromStdString(caption), QString::fromStdString(prompt),
        QLineEdit::Normal, QString::fromStdString(value), &ok);
    if (ok)
        value = text.toStdString();
    return ok;
}

void QtWindowHost::ShowScanSelector(TScanSelector& selector)
{
    const FocusBack back(parent_);
    ScanSelectorDialog dialog(selector, parent_);
    dialog.exec();
}

void QtWindowHost::ShowSettingsWindow(TMorvaneSettings& settings)
{
    const FocusBack back(parent_);
    if (settingsWindow_ && &settingsWindow_->Settings() == &settings) {
        settingsWindow_->Refresh();
        settingsWindow_->exec();
        return;
    }
    SettingsDialog dialog(settings, parent_, standIn_);
    dialog.exec();
}

void QtWindowHost::ShowDataView(TSedDataView& view)
{
    auto* window = new SedDataViewWidget(view, standIn_);
    window->show();
}

void QtWindowHost::RepaintWaitWindow(TWaitWorking& window)
{
    (void)window;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

namespace {

    // Shows a window of the program's logic again, in front: the program's own, or one made for this
    // call when the program's shows other logic.
    template <typename Window, typename Logic>
    void ShowInFront(Window* programWindow, Logic& logic, Logic& (Window::*logicOf)() const, WindowHost* standIn)
    {
        Window* window = programWindow;
        if (!window || &(window->*logicOf)() != &logic) {
            window = new Window(logic, standIn);
            window->setAttribute(Qt::WA_DeleteOnClose);
        }
        window->Refresh();
        window->show();
        window->raise();
        window->activateWindow();
    }

} // namespace

void QtWindowHost::ShowScanViewer(TViewAScan& viewer)
{
    ShowInFront(scanViewerWindow_, viewer, &ViewAScanWindow::Viewer, standIn_);
}

void QtWindowHost::ShowTextViewer(TSimpleShowText& viewer)
{
    ShowInFront(textViewerWindow_, viewer, &SimpleShowTextWindow::Viewer, standIn_);
}

void QtWindowHost::ShowRecomposeTool(Trecompose& tool)
{
    const FocusBack back(parent_);
    RecomposeDialog dialog(tool, parent_, standIn_);
    dialog.exec();
}

void QtWindowHost::RepaintRecomposeTool(Trecompose& tool)
{
    (void)tool;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtWindowHost::ShowComparisonWindow(TMorvaneCompare& compare)
{
    ShowInFront(comparisonWindow_, compare, &CompareWindow::Compare, standIn_);
}

} // namespace morvane
