#include "app/commands.h"

#include <cctype>
#include <filesystem>
#include <iostream>

#include "app/options_flags.h"
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

namespace {
std::map<std::string, CommandHelp>& helps() {
    static std::map<std::string, CommandHelp> all;
    return all;
}
}  // namespace

bool registerCommandHelp(const std::string& name, CommandHelp help) {
    helps()[name] = std::move(help);
    return true;
}

std::string commandHelp(const std::string& name) {
    auto it = commands().find(name);
    if (it == commands().end()) return "";
    std::string text = "usage: quorant " + it->second.usage + "\n\n";
    std::string summary = it->second.summary;
    for (char& c : summary)
        if (c == '\n') c = ' ';
    if (!summary.empty()) summary[0] = char(std::toupper(static_cast<unsigned char>(summary[0])));
    text += summary + ".\n";
    auto h = helps().find(name);
    if (h != helps().end()) {
        if (!h->second.details.empty()) text += "\n" + h->second.details;
        if (h->second.roundingOptions) text += "\n" + optionFlagsHelp();
    }
    text += "\nMore in docs/commands.md; every command: quorant --help.\n";
    return text;
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
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--help") {
            std::cout << commandHelp(words[0]);
            status = 0;
            return true;
        }
    }
    status = it->second.run(std::vector<std::string>(words.begin() + 1, words.end()), quiet);
    return true;
}

bool outputIsInput(const std::string& command, const std::string& output,
                   const std::string& input) {
    std::error_code ec;
    if (!std::filesystem::equivalent(output, input, ec) || ec) return false;
    std::cerr << "quorant " << command << ": " << output
              << " is the input file, which is only read; name another file to write\n";
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
