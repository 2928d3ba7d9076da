// The script language of `quorant script FILE`: one action per line, words
// separated by blanks, texts with blanks in double quotes ("\"" and "\\"
// escapes), '#' starts a comment line. An action may own an indented block:
// a line ending in '{' opens it and a line holding only '}' closes it; the
// block's lines are handed to the action unparsed (blocks may nest).
//
// Actions are registered by name from the files that implement them, so new
// areas (workbooks, dialogs, the instance) add their own actions without
// touching the runner.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace app {

struct ScriptLine {
    int number = 0;                  // 1-based line number in the file
    std::vector<std::string> words;  // the action name is words[0]
    std::vector<ScriptLine> block;   // lines between '{' and '}', if any
    bool hasBlock = false;
};

struct ScriptContext {
    std::ostream* out = nullptr;  // where actions print (standard output)
    std::string scriptDir;        // folder of the script file (relative paths)
    std::string addinPath;        // the add-in library the program loads by default
};

// Returns true on success; on failure fills `error` with a message for the user
// (the runner adds the file name and line number) and the script stops.
using ScriptAction =
    std::function<bool(ScriptContext& ctx, const ScriptLine& line, std::string& error)>;

struct ScriptActionInfo {
    ScriptAction run;
    std::string usage;    // e.g. "set CELL VALUE"
    std::string summary;  // one line for `quorant script --help`
};

// The registry. Registration usually happens from a static initialiser in the
// file that implements the actions (see REGISTER_SCRIPT_ACTION).
std::map<std::string, ScriptActionInfo>& scriptActions();
bool registerScriptAction(const std::string& name, ScriptActionInfo info);

// Splits one line into words (quotes, escapes). False on an unterminated quote.
bool splitScriptWords(const std::string& text, std::vector<std::string>& words,
                      std::string& error);
// Parses a whole script. False with `error` ("line N: ...") on a syntax error.
bool parseScript(std::istream& in, std::vector<ScriptLine>& lines, std::string& error);
// Runs parsed lines; stops at the first failing action. Returns the process
// exit status (0 success, 1 failure) and prints failures to standard error.
int runScriptLines(ScriptContext& ctx, const std::vector<ScriptLine>& lines,
                   const std::string& fileName);

}  // namespace app

#define QUORANT_CONCAT_INNER(a, b) a##b
#define QUORANT_CONCAT(a, b) QUORANT_CONCAT_INNER(a, b)
// REGISTER_SCRIPT_ACTION("name", "usage", "summary", lambda)
#define REGISTER_SCRIPT_ACTION(name, usage, summary, fn)                       \
    static const bool QUORANT_CONCAT(scriptActionRegistered_, __LINE__) =    \
        ::app::registerScriptAction(name, ::app::ScriptActionInfo{fn, usage, summary})
