// Sub-commands of the quorant program beyond shell, menu and script (round,
// load, generate, ...). Each registers itself from the file that implements it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace app {

struct CommandInfo {
    std::string usage;    // "round BOOK.xlsx [--out DIR] [options]"
    std::string summary;  // what it does, for quorant --help (may span lines)
    // Runs with the words after the command name; returns the exit status.
    std::function<int(const std::vector<std::string>& args, bool quiet)> run;
};

std::map<std::string, CommandInfo>& commands();
bool registerCommand(const std::string& name, CommandInfo info);

// What `quorant COMMAND --help` adds to the command's usage and summary: its
// arguments and options explained, and whether it takes the rounding options
// (listed after them).
struct CommandHelp {
    std::string details;
    bool roundingOptions = false;
};
bool registerCommandHelp(const std::string& name, CommandHelp help);
// The whole help of a command ("" for one that is not registered).
std::string commandHelp(const std::string& name);

// The usage lines of every registered command, for quorant --help.
std::string commandsUsage();
// Runs `words[0]` when it is a registered command: true with its exit status.
// With --help among its words the command's help is printed instead (status 0).
bool runCommandLine(const std::vector<std::string>& words, bool quiet, int& status);

// True, with a message on standard error, when `output` is the file `input`
// (by any name): a command only reads its input and never writes over it.
bool outputIsInput(const std::string& command, const std::string& output,
                   const std::string& input);

// Selects a block of the active workbook: "Sheet1!A1:C40" or
// "'My sheet'!A1:C40" on that sheet, "A1:C40" on the active one.
bool selectBlock(const std::string& text, std::string& error);

}  // namespace app

#define REGISTER_COMMAND(name, usage, summary, fn)                                   \
    static const bool QUORANT_COMMAND_CONCAT(commandRegistered_, __LINE__) =        \
        ::app::registerCommand(name, ::app::CommandInfo{usage, summary, fn})
#define REGISTER_COMMAND_HELP(name, details, roundingOptions)                     \
    static const bool QUORANT_COMMAND_CONCAT(commandHelpRegistered_, __LINE__) =    \
        ::app::registerCommandHelp(name, ::app::CommandHelp{details, roundingOptions})
#define QUORANT_COMMAND_CONCAT_INNER(a, b) a##b
#define QUORANT_COMMAND_CONCAT(a, b) QUORANT_COMMAND_CONCAT_INNER(a, b)
