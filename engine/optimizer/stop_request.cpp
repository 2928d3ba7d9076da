// The process-wide stop request of optimizer.h.
#include <atomic>

#include "engine/optimizer/optimizer.h"

namespace {
std::atomic<int> stopRequest{0};
}

extern "C" {

void XOrequeststop(void) { stopRequest.store(1, std::memory_order_relaxed); }

int XOstoprequested(void) { return stopRequest.load(std::memory_order_relaxed); }

void XOclearstop(void) { stopRequest.store(0, std::memory_order_relaxed); }

}  // extern "C"
