#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "windows/Timer.h"

// The small progress window of a long piece of work. It hides itself at every tick of its
// timer, so it cannot stay on screen when the work that showed it forgets to hide it.
class TWaitWorking {
public:
    std::string Caption = "WaitWorking";
    std::string Label1 = "Please Wait, the program is working";
    std::string Edit1;              // the progress text
    bool Visible = false;
    Timer Timer1 { 20000, true };   // runs from creation; not restarted by Show
    // Called after a new text so a window on the busy user-interface thread can paint it.
    std::function<void()> OnRepaint;
    uint64_t Repaints = 0;

    void Show() { Visible = true; }
    void Hide() { Visible = false; }
    void SetText(const std::string& text);
    void Repaint();
    void Timer1Timer() { Hide(); }
};
