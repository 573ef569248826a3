#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// The toolkit's controls as plain data: window logic reads and writes these fields, the Qt layer
// builds its widgets from them and copies them back and forth.

// A window's timer: the Qt layer runs a real timer from these fields and calls the window's tick
// handler; tests call the handler themselves.
struct Timer {
    int32_t Interval = 1000; // ms
    bool Enabled = true;
};

// An up-down control: a position kept within Min..Max, no wrapping.
struct UpDownControl {
    int32_t Min = 1;
    int32_t Max = 999;
    int32_t Position = 1;
    void SetPosition(int32_t v) { Position = v < Min ? Min : (v > Max ? Max : v); }
};

// A scroll bar.
struct ScrollBarControl {
    int32_t Min = 0;
    int32_t Max = 1;
    int32_t Position = 0;
};

// One row of a key/value grid.
struct ValueListRow {
    std::string Key;
    std::string Value;
    bool ReadOnly = false; // shown, not editable
    std::string Hint; // what the value means or takes, shown on demand
    bool operator==(const ValueListRow&) const = default;
};

// A key/value grid: its rows and the widths of its two columns in pixels.
struct ValueListEditor {
    std::vector<ValueListRow> Rows;
    int32_t KeyColumnWidth = 150;
    int32_t ValueColumnWidth = 141;
    bool UniqueKeys = false;
};

} // namespace morvane
