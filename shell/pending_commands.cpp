// Registered commands whose work arrives in later versions of the add-in.
// Each shows an alert saying so and fails, so a user who picks the menu item
// learns why nothing happened.
#include "shell/host_api.h"

namespace {
int notAvailable() {
    ShowAlert(" This command is not available yet in this version of the add-in.", 1);
    return 1;
}
}  // namespace

QTB_EXPORT int QTBTXfCompute(void) { return notAvailable(); }
QTB_EXPORT int QTBTXfAnalize(void) { return notAvailable(); }
QTB_EXPORT int QTBTXfAnalizeBias(void) { return notAvailable(); }
QTB_EXPORT int QTBTXfBiasTest(void) { return notAvailable(); }
