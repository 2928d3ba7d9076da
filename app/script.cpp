// The script runner: parsing lines into words and blocks, and running the
// registered actions in order.
#include "app/script.h"

#include "app/drivers/script_driver.h"

#include <iostream>
#include <istream>
#include <sstream>

namespace app {

std::map<std::string, ScriptActionInfo>& scriptActions() {
    static std::map<std::string, ScriptActionInfo> actions;
    return actions;
}

bool registerScriptAction(const std::string& name, ScriptActionInfo info) {
    scriptActions()[name] = std::move(info);
    return true;
}

bool splitScriptWords(const std::string& text, std::vector<std::string>& words,
                      std::string& error) {
    words.clear();
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
        if (i >= n) break;
        std::string word;
        if (text[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                char c = text[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < n) {
                    char e = text[i++];
                    word += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    word += c;
                }
            }
            if (!closed) {
                error = "unterminated quoted text";
                return false;
            }
        } else {
            while (i < n && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') word += text[i++];
        }
        words.push_back(std::move(word));
    }
    return true;
}

namespace {

bool isBlank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

bool isComment(const std::string& line) {
    size_t p = line.find_first_not_of(" \t\r");
    return p != std::string::npos && line[p] == '#';
}

// Reads lines into `out` until the end of input or a closing '}' (when
// `inBlock`). Returns false on a syntax error.
bool parseLines(std::istream& in, int& lineNo, bool inBlock, std::vector<ScriptLine>& out,
                std::string& error) {
    std::string text;
    while (std::getline(in, text)) {
        ++lineNo;
        if (isBlank(text) || isComment(text)) continue;
        ScriptLine line;
        line.number = lineNo;
        std::string wordError;
        if (!splitScriptWords(text, line.words, wordError)) {
            error = "line " + std::to_string(lineNo) + ": " + wordError;
            return false;
        }
        if (line.words.size() == 1 && line.words[0] == "}") {
            if (inBlock) return true;
            error = "line " + std::to_string(lineNo) + ": '}' without a block to close";
            return false;
        }
        if (!line.words.empty() && line.words.back() == "{") {
            line.words.pop_back();
            line.hasBlock = true;
            if (!parseLines(in, lineNo, true, line.block, error)) return false;
        }
        if (line.words.empty()) {
            error = "line " + std::to_string(lineNo) + ": a block needs an action before '{'";
            return false;
        }
        out.push_back(std::move(line));
    }
    if (inBlock) {
        error = "line " + std::to_string(lineNo) + ": block not closed with '}'";
        return false;
    }
    return true;
}

}  // namespace

bool parseScript(std::istream& in, std::vector<ScriptLine>& lines, std::string& error) {
    int lineNo = 0;
    lines.clear();
    error.clear();
    return parseLines(in, lineNo, false, lines, error);
}

int runScriptLines(ScriptContext& ctx, const std::vector<ScriptLine>& lines,
                   const std::string& fileName) {
    for (const ScriptLine& line : lines) {
        auto it = scriptActions().find(line.words[0]);
        std::string error;
        if (it == scriptActions().end()) {
            error = "unknown action '" + line.words[0] + "' (see quorant script --help)";
        } else if (!it->second.run(ctx, line, error)) {
            if (error.empty()) error = "action failed";
            std::string unanswered;  // the root cause, when a window went unanswered
            if (!drivers::checkScriptDriver(unanswered)) error = unanswered;
        } else if (drivers::checkScriptDriver(error)) {
            continue;  // no window the action opened went unanswered
        }
        std::cerr << fileName << ":" << line.number << ": " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace app
