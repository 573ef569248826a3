#pragma once

namespace morvane {

// The parameters of one cell that a result depends on besides its scans and the analysis settings:
// the radial positions and the rule of the averaging window. One value type for the launch, the
// engine, the record and its reproduction, so that they are copied whole and compared whole.
struct CellParameters {
    // The weight the window follows until the user gives one: an antibody.
    static constexpr double DefaultAssumedMW = 150000; // g/mol

    double Meniscus = 0; // cm
    double Bottom = 0; // cm
    double JitterRadius = 0; // cm, reference of the interference baseline
    double FringeRadius = 0; // cm, reference of whole-fringe removal
    bool WindowByMW = false; // the averaging window follows AssumedMW (else the species at mid-cell)
    double AssumedMW = DefaultAssumedMW; // g/mol

    bool operator==(const CellParameters&) const = default;
};

// A molecular weight the window can follow, g/mol: both ends excluded, so 100 and 1,000,000 are refused.
constexpr bool MWAccepted(double mw) { return mw > 100 && mw < 1000000; }

// A meniscus and bottom that leave a cell to analyse: the meniscus positive and below the bottom.
constexpr bool CellSpanAccepted(double meniscus, double bottom) { return meniscus > 0 && bottom > meniscus; }

} // namespace morvane
