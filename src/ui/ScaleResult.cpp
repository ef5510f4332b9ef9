// The main window's scaling factor; see ScaleResult.h.
#include "ui/ScaleResult.h"

#include <cmath>

namespace vt {

namespace {

double GScaleResult = 1.0;

// Far below a pixel, far above the error of a product of two doubles of this size.
constexpr double RoundingSlack = 1e-9;

}  // namespace

double ScaleResult() { return GScaleResult; }

void SetScaleResult(double Factor) { GScaleResult = Factor; }

int ScaleUp(int Pixels, double Factor) { return static_cast<int>(std::ceil(Pixels * Factor - RoundingSlack)); }

}  // namespace vt
