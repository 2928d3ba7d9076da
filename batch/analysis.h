// The analysis commands: a computational test log summarised in a new
// workbook, a bias test log extended by its totals and the probability of
// being rounded up by distance from the multiples of the base.
#pragma once

#include "host/hostcall.h"

// 0 when the analysis was written; 1 when the command ended early (the file
// dialog cancelled, or a failure shown in an alert).
QTB_EXPORT int QTBTXfAnalize(void);
QTB_EXPORT int QTBTXfAnalizeBias(void);
