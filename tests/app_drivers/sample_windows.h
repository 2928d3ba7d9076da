// Sample windows on the add-in's templates, with small behaviours of their
// own, for driving through every kind of event: a five-page options sheet,
// a test-file dialog (file dialog, list, progress bars) and a generator dialog
// that opens the test dialog as a child.
#pragma once

#include <string>
#include <vector>

#include "gui/gui.h"

namespace sample {

struct Options {
    std::string base = "10";
    int timelim = 10;
    int maxJump = 0;
    int keep = 0, audit = 1, weights = 0, pivot = 0;
    std::string lowerFloor = "0";
    bool lowerFloorInf = false;
    int userDefined = 0;
    std::string boxResult;  // what the host dialog box behind 12011 returned
};

extern std::vector<std::string> events;  // what the sample windows saw, in order

// Runs the five-page sheet; the options are loaded and stored back on OK.
int runOptionsSheet(Options& options);
// Runs the test dialog (parent: the main window) and returns its result;
// `listed` receives the lines of the list box at the end.
int runTestsDialog(std::vector<std::string>* listed = nullptr);
// Runs the generator dialog; returns its result.
int runGeneratorDialog(std::string* resultLine = nullptr);

}  // namespace sample
