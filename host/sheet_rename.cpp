// Sheet names inside formula texts, for sheets renamed since a package was
// read: the texts in the package keep their form, only the prefixes change.
#include <cctype>

#include "host/address.h"
#include "host/xlsx_package.h"

namespace host {

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::string renameSheetsInFormula(const std::string& text, const SheetRenames& renames) {
    if (renames.empty()) return text;
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {  // a text in quotes
            size_t j = i + 1;
            while (j < text.size()) {
                if (text[j] == '"' && j + 1 < text.size() && text[j + 1] == '"') {
                    j += 2;
                    continue;
                }
                if (text[j] == '"') break;
                ++j;
            }
            out += text.substr(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        const bool boundary = i == 0 || !(isWordChar(text[i - 1]) || text[i - 1] == ']');
        if (c == '\'' && boundary) {
            std::string name;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
                if (text[j] == '\'') {
                    if (j + 1 < text.size() && text[j + 1] == '\'') {
                        name += '\'';
                        ++j;
                        continue;
                    }
                    break;
                }
                name += text[j];
            }
            if (j + 1 < text.size() && text[j + 1] == '!') {
                auto it = name.empty() || name[0] == '[' ? renames.end() : renames.find(name);
                out += it == renames.end() ? text.substr(i, j + 2 - i) : sheetPrefix(it->second);
                i = j + 2;
                continue;
            }
            out += text.substr(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        if (isWordChar(c) && boundary) {
            size_t j = i;
            while (j < text.size() && isWordChar(text[j])) ++j;
            const std::string word = text.substr(i, j - i);
            if (j < text.size() && text[j] == '!') {
                auto it = renames.find(word);
                out += it == renames.end() ? word + "!" : sheetPrefix(it->second);
                i = j + 1;
                continue;
            }
            out += word;
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

}  // namespace host
