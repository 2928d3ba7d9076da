// Reading a workbook package part by part, XML in a canonical form (attributes
// sorted, blank text between elements left out), and checking a saved
// workbook against LibreOffice's recalculation of it.
#pragma once

#include <zip.h>

#include <algorithm>
#include <functional>
#include <map>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace hosttest {

inline std::map<std::string, std::string> readPackage(const std::string& path) {
    std::map<std::string, std::string> parts;
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!z) return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        if (!f) continue;
        std::string data(static_cast<size_t>(st.size), '\0');
        zip_int64_t got = zip_fread(f, data.data(), st.size);
        data.resize(got < 0 ? 0 : static_cast<size_t>(got));
        zip_fclose(f);
        parts[st.name] = data;
    }
    zip_close(z);
    return parts;
}

// Leaves out an element (and what it holds) from the canonical form when true.
using SkipNode = std::function<bool(const pugi::xml_node&)>;
// Rewrites an attribute's value for comparing ("" leaves it out).
using MapAttr = std::function<std::string(const pugi::xml_node&, const std::string& name,
                                          const std::string& value)>;

inline void canonicalNode(const pugi::xml_node& n, std::ostringstream& out, const SkipNode& skip,
                          const MapAttr& mapAttr) {
    for (pugi::xml_node c : n.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            std::string t = c.value();
            if (t.find_first_not_of(" \t\r\n") != std::string::npos) out << "T[" << t << "]";
            continue;
        }
        if (c.type() != pugi::node_element) continue;
        if (skip && skip(c)) continue;
        std::vector<std::pair<std::string, std::string>> attrs;
        for (pugi::xml_attribute a : c.attributes()) {
            std::string v = mapAttr ? mapAttr(c, a.name(), a.value()) : a.value();
            if (!mapAttr || !v.empty()) attrs.emplace_back(a.name(), v);
        }
        std::sort(attrs.begin(), attrs.end());
        out << "<" << c.name();
        for (auto& [k, v] : attrs) out << " " << k << "=\"" << v << "\"";
        out << ">";
        canonicalNode(c, out, skip, mapAttr);
        out << "</" << c.name() << ">";
    }
}

inline std::string canonicalXml(const std::string& xml, const SkipNode& skip = {},
                                const MapAttr& mapAttr = {}) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) return "(not XML)";
    std::ostringstream out;
    canonicalNode(doc, out, skip, mapAttr);
    return out.str();
}

inline bool isXmlPart(const std::string& name) {
    auto ends = [&](const char* e) {
        const std::string s = e;
        return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    return ends(".xml") || ends(".rels") || ends(".vml");
}

// The lines of a CSV file LibreOffice wrote, split at commas (quoted fields
// keep their commas; quotes are removed).
inline std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> row;
        std::string field;
        bool quoted = false;
        for (size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
            } else if (c == ',' && !quoted) {
                row.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace hosttest
