#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "species/GaussianModel.h"
#include "species/SetModel.h"
#include "species/SpeciesTypes.h"
#include "species/StartingGuess.h"

namespace morvane {

// What the fit driver needs of a model: the points to fit, one species' curve for its three
// parameters, where to start and how to read the parameters. Parameters are kept in units of
// order one: s in S, D in 1e-7 cm^2/s (or a width in S), an amount in signal units.
using SpeciesParameters = std::array<double, 3>;

struct SpeciesQuantities {
    double SStar = 0; // S, where its g(s*) peaks in the model
    double S = 0; // S, corrected for the method's bias
    double D = 0; // cm^2/s; NaN when the model has no time
    double Sigma = 0; // S
    double Area = 0; // signal units, at the curve's time
    double Loading = 0; // signal units, before sedimentation
};

class SpeciesProblem {
public:
    virtual ~SpeciesProblem() = default;
    // A copy for a fit on another thread (a problem keeps the curves it computed lately).
    virtual std::unique_ptr<SpeciesProblem> Clone() const = 0;
    // Whether a fit of it is long enough (milliseconds and more) to pay for threads of its own.
    virtual bool Costly() const { return false; }

    std::vector<double> SStar; // S, the fitted points
    std::vector<double> Data; // s* g(s*) there

    // The species' curve at the fitted points; false outside the model's domain.
    virtual bool Species(const SpeciesParameters& p, std::vector<double>& out) const = 0;
    // The species' curve's derivatives by its three parameters at the fitted points (points x 3,
    // row by row), exact; false where the model has none (the fit then takes differences).
    virtual bool SpeciesSlopes(const SpeciesParameters&, std::vector<double>&) const { return false; }
    virtual SpeciesParameters Start(const PeakGuess& peak) const = 0;
    virtual SpeciesParameters Scale() const = 0;
    virtual SpeciesQuantities Quantities(const SpeciesParameters& p) const = 0;
    // The curve a real species of these parameters gives (the Lamm boundaries of SetModel.h taken
    // through the engine's arithmetic), where the model is only an approximation of it: what the
    // model's bias is measured against. False for a model that is exact or has no set to do it in.
    virtual bool Reference(const SpeciesParameters&, std::vector<double>&) const { return false; }
    // Whether the model's D is biased (an approximation of the boundary's shape, with a time).
    virtual bool Biased() const { return false; }
};

// The model of an engine set; empty with the reason in `why` when the set cannot be had.
std::unique_ptr<SpeciesProblem> MakeSetProblem(
    const SetLayout& layout, const SpeciesFitOptions& options, std::string& why);

// The Gaussian model of a plain curve.
std::unique_ptr<SpeciesProblem> MakeCurveProblem(
    const GofsCurve& curve, const SpeciesFitOptions& options, std::string& why);

} // namespace morvane
