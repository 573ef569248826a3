#pragma once
#include <QApplication>
#include <QCursor>

namespace morvane {

// The busy cursor over the program's windows while an action the user started holds the
// user-interface thread (a rebuild, a fit, an extrapolation, a load: anything that may take over
// a few tenths of a second). Nested ones stack. A dialog asked meanwhile shows the normal cursor
// (NormalCursor).
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The normal cursor for as long as a dialog waits for the user, also under a busy cursor.
class NormalCursor {
public:
    NormalCursor()
        : active_(QApplication::overrideCursor() != nullptr)
    {
        if (active_)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursor()
    {
        if (active_)
            QApplication::restoreOverrideCursor();
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    bool active_;
};

} // namespace morvane
