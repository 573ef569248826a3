#include "scanfiles/ScanData.h"

#include <cmath>

namespace morvane {

void ScanData::AllocatePoints(int32_t capacity)
{
    const size_t n = capacity > 0 ? static_cast<size_t>(capacity) : 0;
    Radius.assign(n, 0.0);
    Value.assign(n, 0.0);
    if (OpticalSystem == 1 || OpticalSystem == 2)
        Sigma.assign(n, 0.0);
    else
        std::vector<double>().swap(Sigma);
    NumberOfPoints = 0;
}

bool RadiiUsableAsGrid(const double* radius, int32_t n)
{
    if (!radius || n < 2)
        return false;
    for (int32_t i = 0; i < n; ++i)
        if (!std::isfinite(radius[i]) || (i > 0 && !(radius[i] > radius[i - 1])))
            return false;
    return true;
}

} // namespace morvane
