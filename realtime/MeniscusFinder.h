#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace morvane {

// Finds the meniscus in the first scans of a run from the artefact the optics draw there: a sharp
// spike in absorbance; in interference a steep narrow drop, or a baseline that steps down (or up)
// at the meniscus, often with a small dip after it. The artefact stays put while the boundaries
// move away from it, so the first scans are combined to bring it out of the noise, and an edge
// that moves from scan to scan is a boundary, never the meniscus.

// The spikes and drops to look for; steps are looked for on every channel.
enum class MeniscusArtefact {
    Spike, // above the signal on both sides (absorbance)
    Drop, // below the signal on both sides (interference)
    Either, // both
};

// The shape found.
enum class MeniscusShape { Spike, Drop, StepUp, StepDown };

// One scan: radii ascending, cm, and the signal there.
struct MeniscusScan {
    std::vector<double> radii;
    std::vector<double> values;
};

struct MeniscusSearch {
    MeniscusArtefact kind = MeniscusArtefact::Either;
    // Radii where the meniscus may lie, cm (the data on either side still serves as background).
    double from = -std::numeric_limits<double>::infinity();
    double to = std::numeric_limits<double>::infinity();
    int32_t firstScans = 5; // how many of the first scans are combined
    // An edge is sharp when it stands out of the edge profile between innerCm and outerCm on each
    // side: innerCm is wider than an edge of the artefact, outerCm short of the boundaries' curvature.
    // The same distances bound the signal compared before and after a candidate in time.
    double innerCm = 0.015;
    double outerCm = 0.04;
    // An edge must stand this many noise SDs out of the edge profile.
    double minimumSignalToNoise = 8;
};

struct MeniscusFinding {
    bool Found = false;
    // cm: the middle of a spike or drop at half its height, or where a step is halfway through
    double Radius = 0;
    MeniscusShape Shape = MeniscusShape::Spike;
    double Height = 0; // the spike, drop or step, signal units (negative: down)
    // After a step, the signal dips below (-1) or bumps above (+1) its new level before it settles; 0: neither seen.
    int32_t AfterStep = 0;
    double SignalToNoise = 0; // the sharpest edge of the artefact over the noise SD of the edge profile
    int32_t ScansUsed = 0;
    std::string WhyNot; // when not Found: why, in words
};

// The meniscus of the first scans. Where several artefacts stand out, the one followed by the
// signal that changes most with time (the boundaries leaving the meniscus) is taken.
MeniscusFinding FindMeniscus(const std::vector<MeniscusScan>& scans, const MeniscusSearch& search = {});

} // namespace morvane
