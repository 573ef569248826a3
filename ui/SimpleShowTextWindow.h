#pragma once
#include <QWidget>
#include <cstdint>

#include "ui/QtWindowHost.h"
#include "windows/TSimpleShowText.h"

class QLineEdit;
class QPlainTextEdit;

namespace morvane {

// The text viewer's window: binds a TSimpleShowText (the path and the file's lines, read-only).
// The controls sit where the logic places them; a resize goes through its FormResize.
class SimpleShowTextWindow : public QWidget {
    Q_OBJECT
public:
    // standIn: answers the message box instead of a real one (tests).
    explicit SimpleShowTextWindow(TSimpleShowText& viewer, WindowHost* standIn = nullptr, QWidget* parent = nullptr);
    ~SimpleShowTextWindow() override;

    TSimpleShowText& Viewer() const { return viewer_; }
    QPlainTextEdit* Memo() const { return memo1_; }
    // Copies the logic's fields into the controls.
    void Refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();

    TSimpleShowText& viewer_;
    QtWindowHost host_;
    QLineEdit* editFileName_;
    QPlainTextEdit* memo1_;
    uint64_t shownLoad_ = UINT64_MAX;
};

} // namespace morvane
