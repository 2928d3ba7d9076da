// The process clock of the add-in's commands: milliseconds since the process
// started (elapsed time, as the run timings and the options sheet use it).
#pragma once

#include <cstdint>

int32_t processClockMs();
