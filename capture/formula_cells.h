// Sum detection's reading of formulas, and what it reports about them.
#pragma once

#include "instance/instance.h"

// Reads the formula of every cell of the instance: formulas that add and
// subtract cells become Sums at the head of the SumList. For a scanned
// workbook, cells whose formulas are anything else, totals that add such
// cells or numbers outside the table, and every cell outside the table's
// ranges leave the instance (they are recorded in the capture record).
void readFormulaSums(InstanceState& s);

// Status texts listing the formula cells that keep their formulas, by reason.
void reportKeptFormulas();
