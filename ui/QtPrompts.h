#pragma once
#include <QString>
#include <string>

#include "windows/Prompts.h"

class QWidget;

// Real dialogs for the window logic's questions and messages.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr)
        : parent_(parent)
    {
    }
    void ShowMessage(const std::string& text) override;
    bool SaveDialog(FileDialogRequest& request) override;
    bool OpenDialog(FileDialogRequest& request) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

    // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as "Text Files (*.txt);;All Files (*.*)".
    static QString QtFilter(const std::string& filter);

private:
    QWidget* parent_;
};
