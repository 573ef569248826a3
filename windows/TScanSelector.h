#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scanfiles/ScanHeader.h"
#include "windows/Controls.h"

namespace morvane {

// The modal dialog that picks which raw scans a data view draws: one tick per scan, a regular
// pattern (start, step, end; positions 1-based, end inclusive) and free ticking. It works on the
// raw store's Visible flags, which OK overwrites and Cancel leaves alone.
class TScanSelector {
public:
    std::string Caption = "ScanSelector";
    bool Initializing = false;
    int32_t NumberOfScans = 0;
    int32_t* Selection = nullptr;           // the raw store's Visible flags, > 0: drawn
    const ScanHeader* ScanHeaders = nullptr;
    int32_t ChosenStep = 0;
    int32_t OfferedCount = 0;
    bool Automatic = false;

    std::vector<std::string> CheckListBox1Items;
    std::vector<bool> CheckListBox1Checked;
    int32_t CheckListBox1Columns = 10;
    int32_t CheckListBox1Left = 88;
    int32_t CheckListBox1Top = 8;
    int32_t CheckListBox1Width = 200;
    int32_t CheckListBox1Height = 200;
    std::string EditStart = "1";
    std::string EditStep = "1";
    std::string EditEnd = "1";
    UpDownControl UpDownStart;
    UpDownControl UpDownStep;
    UpDownControl UpDownEnd;
    bool Visible = false;

    // The values last applied from each edit field; program-wide, shared by every selector.
    static inline int32_t LastStartApplied = 0;
    static inline int32_t LastStepApplied = 0;
    static inline int32_t LastEndApplied = 0;

    TScanSelector() { FormCreate(); }
    void FormCreate();

    // Fills the dialog from n flags and headers; the caller then shows it modally.
    void SetUp(int32_t* flags, const ScanHeader* headers, int32_t n, int32_t step);
    // Ticks start-1, start-1+step, ... below end (unless Initializing).
    void ApplyPattern();

    void EditStartExit() { EditExit(EditStart, UpDownStart, LastStartApplied, false); }
    void EditStepExit() { EditExit(EditStep, UpDownStep, LastStepApplied, true); }
    void EditEndExit() { EditExit(EditEnd, UpDownEnd, LastEndApplied, false); }
    void EditStartKeyPress(char key) { if (key == 13) EditStartExit(); }
    void EditStepKeyPress(char key) { if (key == 13) EditStepExit(); }
    void EditEndKeyPress(char key) { if (key == 13) EditEndExit(); }
    void UpDownStartClick(int32_t position) { UpDownClick(EditStart, UpDownStart, position); }
    void UpDownStepClick(int32_t position) { UpDownClick(EditStep, UpDownStep, position); }
    void UpDownEndClick(int32_t position) { UpDownClick(EditEnd, UpDownEnd, position); }

    void ButtonSelectAllClick();
    void ButtonUnselectAllClick();
    void ButtonOKClick();
    void ButtonCancelClick();
    void ButtonAutomaticClick() { Automatic = true; }
    void FormResize(int32_t width, int32_t height);

private:
    void EditExit(std::string& edit, UpDownControl& upDown, int32_t& lastApplied, bool isStep);
    void UpDownClick(std::string& edit, UpDownControl& upDown, int32_t position);
};

} // namespace morvane
