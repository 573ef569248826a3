#pragma once
#include <string>

// What a window must tell the user or ask: message box, file dialogs, input query. The Qt layer
// answers with real dialogs; tests script the answers.
struct FileDialogRequest {
    std::string Title;
    std::string Filter;       // toolkit style: "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"
    std::string DefaultExt;
    std::string InitialDir;
    std::string FileName;     // proposed name in, chosen full path out
    bool OverwritePrompt = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // True when the user confirmed; the chosen path is then in request.FileName.
    virtual bool SaveDialog(FileDialogRequest& request) = 0;
    virtual bool OpenDialog(FileDialogRequest& request) = 0;
    // True when confirmed; value holds the proposed text in and the answer out.
    virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

// Answers nothing: messages are dropped, dialogs cancelled. For windows without a user.
class SilentPrompts : public Prompts {
public:
    void ShowMessage(const std::string&) override { }
    bool SaveDialog(FileDialogRequest&) override { return false; }
    bool OpenDialog(FileDialogRequest&) override { return false; }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
};
