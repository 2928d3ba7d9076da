// The instance model's cells and sums as a table for the rounding checker.
#pragma once

#include <vector>

#include "instance/instance.h"
#include "tests/support/rounding_check.h"

namespace roundcheck {

// The instance's table (cells in list order, bounds, levels, status, every
// sum as an equation with right-hand side 0) and the cells' rounded values.
Table TableOfInstance(const InstanceState& instance, std::vector<double>* rounded = nullptr);

}  // namespace roundcheck
