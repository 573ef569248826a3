#include "scanfiles/ScanData.h"

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
