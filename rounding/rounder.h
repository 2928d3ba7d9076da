// The rounding command and the one-step command behind "&Rounder... (XPRESS)".
#pragma once

#include "host/hostcall.h"

// Rounds the instance and publishes the result. 0 success; the engine
// adapter's code when it failed; -1 when no output workbook could be made, a
// sheet had no id, or the old pivot table could not be cleared.
QTB_EXPORT int fRounder(void);
// Capture, sum detection with the options sheet, and rounding in one step.
// 0 success, -1 capture failed, -2 sum detection failed or cancelled, -3
// rounding failed.
QTB_EXPORT int fOne(void);
QTB_EXPORT int QTBTXfOne(void);
