#include "ui/QtPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

QString QtPrompts::QtFilter(const std::string& filter)
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

void QtPrompts::ShowMessage(const std::string& text)
{
    QMessageBox::information(parent_, QStringLiteral("Morvane"), QString::fromStdString(text));
}

bool QtPrompts::SaveDialog(FileDialogRequest& request)
{
    QFileDialog::Options options;
    if (!request.OverwritePrompt)
        options |= QFileDialog::DontConfirmOverwrite;
    const QString file = QFileDialog::getSaveFileName(parent_, QString::fromStdString(request.Title),
        QString::fromStdString(request.FileName), QtFilter(request.Filter), nullptr, options);
    if (file.isEmpty())
        return false;
    request.FileName = file.toStdString();
    return true;
}

bool QtPrompts::OpenDialog(FileDialogRequest& request)
{
    const QString file = QFileDialog::getOpenFileName(parent_, QString::fromStdString(request.Title),
        QString::fromStdString(request.FileName), QtFilter(request.Filter));
    if (file.isEmpty())
        return false;
    request.FileName = file.toStdString();
    return true;
}

bool QtPrompts::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, QString::fromStdString(caption),
        QString::fromStdString(prompt), QLineEdit::Normal, QString::fromStdString(value), &ok);
    if (ok)
        value = text.toStdString();
    return ok;
}
