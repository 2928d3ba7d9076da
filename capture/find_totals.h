// Totals typed as numbers, found in the captured workbook and added to the
// instance as equations the user can keep or remove.
#pragma once

// Searches the workbook of the instance held for typed totals and adds each
// one not yet an equation at the head of the SumList (not from a formula,
// marked found), listing it in a status text. Returns how many were added.
int findTypedTotals();
