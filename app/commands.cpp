#include "app/commands.h"


#include "host/host.h"

namespace app {

std::map<std::string, CommandInfo>& commands() {
    static std::map<std::string, CommandInfo> all;
    return all;
}

bool registerCommand(const std::string& name, CommandInfo info) {
    commands()[name] = std::move(info);
    return true;
}

std::string commandsUsage() {
    std::string text;
    for (const auto& [name, info] : commands()) {
        std::string usage = "  " + info.usage;
        if (usage.size() < 22) usage.resize(22, ' ');
        else usage += "\n" + std::string(22, ' ');
        text += usage;
        // Indent the summary's further lines under its first.
        for (char c : info.summary) {
            text += c;
            if (c == '\n') text += std::string(22, ' ');
        }
        text += "\n";
    }
    return text;
}

bool runCommandLine(const std::vector<std::string>& words, bool quiet, int& status) {
    if (words.empty()) return false;
    auto it = commands().find(words[0]);
    if (it == commands().end()) return false;
    status = it->second.run(std::vector<std::string>(words.begin() + 1, words.end()), quiet);
    return true;
}

bool selectBlock(const std::string& text, std::string& error) {
    const size_t bang = text.rfind('!');
    if (bang != std::string::npos) {
        std::string sheet = text.substr(0, bang);
        if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'')
            sheet = sheet.substr(1, sheet.size() - 2);
        if (!host::selectSheet(sheet, error)) return false;
    }
    return host::selectRange(bang == std::string::npos ? text : text.substr(bang + 1), error);
}

}  // namespace app
