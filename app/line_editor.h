// Line editing and history for the interactive session, from libedit: the
// arrow keys move in the line and through the lines typed earlier in the
// session, Ctrl-R searches them. Used only when a person sits at a terminal.
#pragma once

#include <string>

namespace app {

// True when standard input and standard output are both terminals.
bool terminalAtBothEnds();

// Shows `prompt` and reads one edited line; false at the end of the input
// (Ctrl-D). A line that is not empty, and not the one before it, goes into
// the history.
bool readEditedLine(const std::string& prompt, std::string& line);

}  // namespace app
