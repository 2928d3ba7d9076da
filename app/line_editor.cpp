#include "app/line_editor.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
// libedit's readline interface (after <cstdio>: it uses FILE).
#include <editline/readline.h>

namespace app {

bool terminalAtBothEnds() {
    return isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
}

bool readEditedLine(const std::string& prompt, std::string& line) {
    std::fflush(stdout);
    char* text = readline(prompt.c_str());
    if (text == nullptr) return false;
    line = text;
    std::free(text);
    if (!line.empty()) {
        const HIST_ENTRY* last =
            history_length > 0 ? history_get(history_base + history_length - 1) : nullptr;
        if (last == nullptr || last->line == nullptr || line != last->line)
            add_history(line.c_str());
    }
    return true;
}

}  // namespace app
