// The host's table-driven dialog box as drivers see it: reading its rows,
// playing answer steps on it, and listing it for a person.
#pragma once

#include <string>
#include <vector>

#include "app/drivers/answers.h"
#include "host/host.h"

namespace app::drivers {

// Item types of the table (the hundreds mark a dimmed item).
enum BoxItem {
    kBoxDefaultOk = 1,
    kBoxCancel = 2,
    kBoxOk = 3,
    kBoxText = 5,
    kBoxEdit = 6,
    kBoxIntegerEdit = 7,
    kBoxNumberEdit = 8,
    kBoxReferenceEdit = 10,
    kBoxOptionGroup = 11,
    kBoxOption = 12,
    kBoxCheck = 13,
    kBoxGroup = 14,
    kBoxList = 15,
};

int boxItemType(const host::DialogTable& table, int row);  // with the dimmed hundreds
inline int boxBaseType(const host::DialogTable& table, int row) {
    return boxItemType(table, row) % 100;
}
inline bool boxDimmed(const host::DialogTable& table, int row) {
    return boxItemType(table, row) >= 200;
}
std::string boxCaption(const host::DialogTable& table);

// Outcome of playing steps: the box was closed by a button (pressed set),
// cancelled, or left open (the steps ran out).
enum class BoxOutcome { Pressed, Cancelled, Open };

// Plays the steps; false with `error` (naming the row, expected and actual
// value) when a step cannot be done or a check fails.
bool playBoxSteps(host::DialogTable& table, const std::vector<BoxStep>& steps, BoxOutcome& outcome,
                  std::string& error);
// Plays one step (the terminal uses it for what a person types).
bool playBoxStep(host::DialogTable& table, const BoxStep& step, BoxOutcome& outcome,
                 std::string& error);

// The box as lines for a person: one line per row that can be seen.
std::string boxListing(const host::DialogTable& table);

}  // namespace app::drivers
