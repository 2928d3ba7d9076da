// Elements and attributes of package parts found by their local names, so
// that a part reads the same whatever namespace prefix its writer chose.
#pragma once

#include <pugixml.hpp>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace host::xmlnames {

inline std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

inline const char* localName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

inline bool isNamed(pugi::xml_node n, const char* local) {
    return n.type() == pugi::node_element && std::strcmp(localName(n.name()), local) == 0;
}

inline pugi::xml_node child(pugi::xml_node n, const char* local) {
    for (pugi::xml_node c : n.children())
        if (isNamed(c, local)) return c;
    return {};
}

// The element children of n, or those of one local name.
inline std::vector<pugi::xml_node> elements(pugi::xml_node n, const char* local = nullptr) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : n.children())
        if (c.type() == pugi::node_element && (!local || isNamed(c, local))) out.push_back(c);
    return out;
}

inline const char* attr(pugi::xml_node n, const char* local) {
    for (pugi::xml_attribute a : n.attributes())
        if (std::strcmp(localName(a.name()), local) == 0) return a.value();
    return nullptr;
}

// The namespace prefix of n's name with its colon ("c:"), or "".
inline std::string prefixOf(pugi::xml_node n) {
    const char* colon = std::strchr(n.name(), ':');
    return colon ? std::string(n.name(), colon + 1) : std::string();
}

inline bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace host::xmlnames
