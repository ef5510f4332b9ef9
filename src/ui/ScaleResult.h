// The monitor scaling factor of the main window (percent / 100), which the shell takes
// when it sizes the commander window and by which some controls multiply their pixel
// sizes. 1 until the shell sets it. GUI thread only.
#pragma once

namespace vt {

double ScaleResult();
void SetScaleResult(double Factor);

// Pixels x Factor, rounded up (30 x 1.1 is 33, not 34 through the factor's binary error).
int ScaleUp(int Pixels, double Factor);

}  // namespace vt
