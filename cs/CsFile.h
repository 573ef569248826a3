#pragma once
#include <string>

#include "cs/CsFit.h"

namespace morvane::cs {

// The c(s) file that morvane-cli cs writes: tab-separated, CR LF line ends, numbers as the g(s*)
// file writes them (FloatToStr).
//
//   # Morvane: c(s) distribution
//   # run: <run directory>
//   # channel: <channel entry>
//   # scans: <n>; radii <first> to <last> cm (<points> points); meniscus <m> cm, bottom <b> cm
//   # f/f0: <ratio> (fitted on <n> scans | given); rms residual <rms>
//   # regularisation: Tikhonov-Phillips, second derivative, confidence <p> (alpha <a>); noise: <terms>
//   # solvent: vbar <v> ml/g, density <d> g/ml, viscosity <eta> cP, temperature <T> C
//   # peak: s <s> S, s20,w <s20w> S, fraction <f>, M <m> g/mol      one line per peak, by s
//   # note: <text>                                                   one line per note
//   # s (S)<TAB>c(s) (signal per S)<TAB>s20,w (S)
//   <s><TAB><c(s)><TAB><s20,w>                                       one row per grid point
//
// Readers may take every line that begins with "#" as a comment.
std::string CsFileText(const CsResult& result, const CsOptions& options, const std::string& runDir,
    const std::string& channel);

// The noise terms in words: "time-invariant and radially invariant", "baseline", "none".
std::string NoiseTermsText(const NoiseTerms& noise);

} // namespace morvane::cs
