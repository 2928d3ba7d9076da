// Ids of the add-in's dialog templates. Control ids are the numbers of the
// templates themselves (several templates reuse the same numbers).
#pragma once

#include <vector>

namespace gui {
struct DialogTemplate;
}

namespace res {

constexpr int IDD_INSTANCE_INFO = 106;        // options sheet, page 1
constexpr int IDD_GENERAL_OPTIONS = 12008;    // page 2
constexpr int IDD_BOUNDS = 12009;             // page 3
constexpr int IDD_PROTECTION_LEVELS = 12010;  // page 4
constexpr int IDD_EDIT_EQUATIONS = 12012;     // page 5
constexpr int IDD_RESOLUTION_INFO = 12007;
constexpr int IDD_RANDOM_INSTANCE = 12001;
constexpr int IDD_COMPUTATIONAL_TESTS = 12006;

// Registers every template above with the dialog framework. Safe to call more
// than once; the add-in calls it when it starts. Returns false when an id is
// already taken by a different template.
bool registerAddinTemplates();

// The templates as data, in id order (for checks and tools).
const std::vector<gui::DialogTemplate>& addinTemplates();

}  // namespace res
