#pragma once
#include <QWidget>

#include "windows/TWaitWorking.h"

class QLineEdit;
class QTimer;

namespace morvane {

// The wait window: binds a TWaitWorking (caption, label, progress text) and runs its timer, which
// hides the window at every tick.
class WaitWorkingWidget : public QWidget {
    Q_OBJECT
public:
    explicit WaitWorkingWidget(TWaitWorking& logic, QWidget* parent = nullptr);

    // Copies the progress text and shows or hides the window as the logic says; never shown while
    // `allowed` is false (its owner is not on screen).
    void Refresh(bool allowed = true);
    QString Text() const;

private:
    TWaitWorking& logic_;
    QLineEdit* edit1_;
    QTimer* timer1_;
};

} // namespace morvane
