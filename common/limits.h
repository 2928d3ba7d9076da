// Limits that the host, the add-in and the program share, so that what one
// of them accepts the others can hold.
#pragma once

namespace common {

// Sheets of one workbook. Sheet lists travel between host and add-in as value
// arrays whose dimensions are 16-bit counts; this keeps every list well
// inside them, and the sheets of a workbook at what a person can still use.
constexpr int kMaxSheets = 10000;

}  // namespace common
