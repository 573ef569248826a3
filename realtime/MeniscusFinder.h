#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// Finds the meniscus in the first scans of a run from the artefact the optics draw there: a sharp
// spike in absorbance, a steep narrow drop in interference. The artefact stays put while the
// boundaries move away from it, so the first scans are averaged to bring it out of the noise.

// The shape to look for.
enum class MeniscusArtefact {
    Spike, // above the signal on both sides (absorbance)
    Drop, // below the signal on both sides (interference)
    Either, // whichever stands out more
};

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
    int32_t firstScans = 5; // how many of the first scans are averaged
    // The background of a radius is the median of the signal between innerCm and outerCm on each
    // side: innerCm is wider than half an artefact, outerCm short of the boundaries' curvature.
    double innerCm = 0.015;
    double outerCm = 0.04;
    // An artefact must stand this many noise SDs above (or below) its background.
    double minimumSignalToNoise = 8;
};

struct MeniscusFinding {
    bool Found = false;
    double Radius = 0; // cm: the middle of the artefact at half its height
    double Height = 0; // the artefact against its background, signal units (negative: a drop)
    double SignalToNoise = 0; // |Height| over the noise SD of the averaged background-free signal
    int32_t ScansUsed = 0;
    std::string WhyNot; // when not Found: why, in words
};

// The meniscus of the first scans. Where several artefacts stand out, the one followed by the
// signal that changes most with time (the boundaries leaving the meniscus) is taken.
MeniscusFinding FindMeniscus(const std::vector<MeniscusScan>& scans, const MeniscusSearch& search = {});
