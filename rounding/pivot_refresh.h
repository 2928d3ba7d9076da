// Rebuilding the pivot table of a database-style instance after rounding.
#pragma once

// Refreshes the one pivot table of the active sheet over the rounded block.
// 0 done or nothing to do; -1 when the old table's area could not be cleared.
int refreshPivotTable();
