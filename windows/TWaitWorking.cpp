#include "windows/TWaitWorking.h"

void TWaitWorking::SetText(const std::string& text)
{
    Edit1 = text;
    Repaint();
}

void TWaitWorking::Repaint()
{
    ++Repaints;
    if (OnRepaint)
        OnRepaint();
}
