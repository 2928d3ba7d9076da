// The process-wide request to stop every solve (XO_RequestStop), as the
// solvers inside this library read it: a plain load, cheap enough for every
// simplex iteration.
#pragma once

namespace qtb::opt {

bool StopRequested();

}  // namespace qtb::opt
