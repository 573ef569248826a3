#include "windows/TScanSelector.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "scanfiles/BeckmanFile.h"

namespace morvane {

void TScanSelector::FormCreate()
{
    Automatic = true;
    Visible = false;
}

void TScanSelector::SetUp(int32_t* flags, const ScanHeader* headers, int32_t n, int32_t step)
{
    Initializing = true;
    NumberOfScans = n < 0 ? 0 : n;
    Selection = flags;
    ScanHeaders = headers;
    const int32_t upper = std::max(NumberOfScans, 1);
    for (UpDownControl* u : { &UpDownStart, &UpDownStep, &UpDownEnd }) {
        u->Min = 1;
        u->Max = upper;
        u->SetPosition(u->Position);
    }
    UpDownStep.SetPosition(step);

    CheckListBox1Items.clear();
    CheckListBox1Checked.clear();
    int32_t lastTicked = 0;
    bool anyTicked = false;
    for (int32_t i = 0; i < NumberOfScans; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%i", headers ? FileNumberOf(headers[i].FileName) : i + 1);
        CheckListBox1Items.emplace_back(text);
        const bool ticked = flags && flags[i] > 0;
        CheckListBox1Checked.push_back(ticked);
        if (ticked) {
            if (!anyTicked) {
                UpDownStart.SetPosition(i + 1);
                EditStart = std::to_string(UpDownStart.Position);
            }
            anyTicked = true;
            lastTicked = i;
        }
    }
    UpDownEnd.SetPosition(lastTicked + 1);
    EditStep = std::to_string(UpDownStep.Position);
    EditEnd = std::to_string(UpDownEnd.Position);
    Initializing = false;
}

void TScanSelector::ApplyPattern()
{
    if (Initializing)
        return;
    std::fill(CheckListBox1Checked.begin(), CheckListBox1Checked.end(), false);
    const int32_t step = std::max(UpDownStep.Position, 1);
    const int32_t end = std::min<int32_t>(UpDownEnd.Position, static_cast<int32_t>(CheckListBox1Checked.size()));
    for (int32_t i = UpDownStart.Position - 1; i >= 0 && i < end; i += step)
        CheckListBox1Checked[static_cast<size_t>(i)] = true;
}

void TScanSelector::EditExit(std::string& edit, UpDownControl& upDown, int32_t& lastApplied, bool isStep)
{
    int32_t v = std::atoi(edit.c_str());
    if (v == 0) {
        edit = std::to_string(isStep ? 1 : 0);
        if (isStep)
            v = 1;
    }
    const int32_t clamped = std::clamp(v, upDown.Min, upDown.Max);
    if (clamped != v) {
        v = clamped;
        edit = std::to_string(v);
    }
    if (v != lastApplied) {
        lastApplied = v;
        upDown.SetPosition(v);
        ApplyPattern();
    }
}

void TScanSelector::UpDownClick(std::string& edit, UpDownControl& upDown, int32_t position)
{
    upDown.SetPosition(position);
    edit = std::to_string(upDown.Position);
    ApplyPattern();
}

void TScanSelector::ButtonSelectAllClick() { std::fill(CheckListBox1Checked.begin(), CheckListBox1Checked.end(), true); }

void TScanSelector::ButtonUnselectAllClick() { std::fill(CheckListBox1Checked.begin(), CheckListBox1Checked.end(), false); }

void TScanSelector::ButtonOKClick()
{
    if (NumberOfScans > 0 && Selection)
        for (int32_t i = 0; i < NumberOfScans && i < static_cast<int32_t>(CheckListBox1Checked.size()); ++i)
            Selection[i] = CheckListBox1Checked[static_cast<size_t>(i)] ? 1 : 0;
    OfferedCount = UpDownEnd.Max;
    ChosenStep = UpDownStep.Position;
    Automatic = false;
    Visible = false;
}

void TScanSelector::ButtonCancelClick()
{
    NumberOfScans = 0;
    Selection = nullptr;
    ScanHeaders = nullptr;
    OfferedCount = UpDownEnd.Max;
    Visible = false;
}

void TScanSelector::FormResize(int32_t width, int32_t height)
{
    const int32_t w = std::max(width - CheckListBox1Left - 20, 200);
    const int32_t h = std::max(height - CheckListBox1Top - 40, 200);
    CheckListBox1Width = w;
    CheckListBox1Height = h;
    CheckListBox1Columns = w / 45;
}

} // namespace morvane
