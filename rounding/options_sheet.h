// The options property sheet shown by sum detection before a rounding.
#pragma once

// Builds the sheet "QTB_PropSheet" with its five pages, runs it modally and
// takes the user's options. Returns true on OK (with `boundsEdited` from the
// Bounds page, `protectionEdited` 1 when user-defined protection levels were
// chosen, and the seconds spent in the sheet), false on Cancel.
bool runOptionsSheet(int& boundsEdited, int& protectionEdited, double& seconds);
