#pragma once
#include <string>

#include "windows/Controls.h"

namespace morvane {

// The small progress window of a long piece of work. It hides itself at every tick of its
// timer, so it cannot stay on screen when the work that showed it forgets to hide it. Its owner
// asks the host to paint it after each new text (WindowHost::RepaintWaitWindow).
class TWaitWorking {
public:
    std::string Caption = "WaitWorking";
    std::string Label1 = "Please Wait, the program is working";
    std::string Edit1; // the progress text
    bool Visible = false;
    Timer Timer1 { 20000, true }; // runs from creation; not restarted by Show

    void Show() { Visible = true; }
    void Hide() { Visible = false; }
    void SetText(const std::string& text) { Edit1 = text; }
    void Timer1Timer() { Hide(); }
};

} // namespace morvane
