#pragma once
#include <QDialog>
#include <QElapsedTimer>

#include "recomposewindow/Trecompose.h"
#include "ui/QtWindowHost.h"

class QLineEdit;
class QPushButton;

namespace morvane {

class RecomposeDialog;

// The recompose tool's dialogs belong to its window, and its status is painted while it works.
class RecomposeHost : public QtWindowHost {
public:
    RecomposeHost(RecomposeDialog& dialog, WindowHost* standIn);
    // Copies the status into the window and paints it, at most every 100 ms.
    void RepaintRecomposeTool(Trecompose& tool) override;

private:
    RecomposeDialog& dialog_;
    QElapsedTimer sincePaint_;
};

// The recompose tool's window: binds a Trecompose (the three directories and the status, "Read
// Paradigm", "Set Output Dir", "Recompose" and "Close").
class RecomposeDialog : public QDialog {
    Q_OBJECT
public:
    RecomposeDialog(Trecompose& tool, QWidget* parent = nullptr, WindowHost* standIn = nullptr);
    ~RecomposeDialog() override;

    Trecompose& Tool() const { return tool_; }
    // Copies the logic's fields into the controls.
    void Refresh();
    // Esc and the close box: as "Close".
    void reject() override;

private:
    Trecompose& tool_;
    RecomposeHost host_;
    QLineEdit* editDataDir_;
    QLineEdit* editParadigm_;
    QLineEdit* editOutput_;
    QLineEdit* editUpdate_;
    QPushButton* buttonRecompose_;
};

} // namespace morvane
