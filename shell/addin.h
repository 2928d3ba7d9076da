// Entry points the host calls, and the add-in's own lifecycle commands.
#pragma once

#include "host/hostcall.h"

QTB_EXPORT int xlAutoOpen(void);
QTB_EXPORT int xlAutoClose(void);
QTB_EXPORT XLOPER* xlAutoRegister(XLOPER* name);
QTB_EXPORT int xlAutoAdd(void);
QTB_EXPORT int xlAutoRemove(void);
QTB_EXPORT XLOPER* xlAddInManagerInfo(XLOPER* action);

// Registered commands of the add-in spine.
QTB_EXPORT int QTBTXfExit(void);
QTB_EXPORT int QTBTXfUnload(void);
QTB_EXPORT int QTBTXfAbout(void);
