// References of package parts resolved to the workbook's cells, and the
// caches of charts written again from them.
#include "host/xlsx_caches.h"

#include <algorithm>
#include <cstring>

#include "host/address.h"
#include "host/xml_names.h"

namespace host {

namespace {

using xmlnames::child;
using xmlnames::isNamed;
using xmlnames::localName;
using xmlnames::lower;
using xmlnames::prefixOf;

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// Splits "A,B" at the commas outside apostrophes, brackets and parentheses.
std::vector<std::string> splitUnion(const std::string& text) {
    std::vector<std::string> parts;
    std::string cur;
    bool quoted = false;
    int depth = 0;
    for (char c : text) {
        if (c == '\'') quoted = !quoted;
        if (!quoted) {
            if (c == '(' || c == '[') ++depth;
            if (c == ')' || c == ']') --depth;
            if (c == ',' && depth == 0) {
                parts.push_back(trim(cur));
                cur.clear();
                continue;
            }
        }
        cur += c;
    }
    parts.push_back(trim(cur));
    return parts;
}

// Areas larger than this are not read point by point (a cache of a million
// points is no chart anybody draws); such a cache is cleared instead.
constexpr long long kMaxCachePoints = 1 << 20;

}  // namespace

CacheOutcome worse(CacheOutcome a, CacheOutcome b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

PackageCells::PackageCells(Model& m, Workbook& book, SheetResolver original)
    : m_(m), book_(book), original_(std::move(original)) {
    bookChanged_ = m_.bookChanged(book_);
}

void PackageCells::addName(const std::string& name, const std::string& formula, int localSheet) {
    names_.emplace(lower(name), Name{formula, localSheet});
}

void PackageCells::addTable(const std::string& name, const std::string& sheet,
                            const std::string& ref) {
    tables_[lower(name)] = {sheet, ref};
}

PackageCells::Resolved PackageCells::resolve(const std::string& text,
                                             std::vector<Area>& out) const {
    out.clear();
    return resolveOne(text, out, 0);
}

PackageCells::Resolved PackageCells::resolveOne(const std::string& input, std::vector<Area>& out,
                                                int depth) const {
    std::string text = trim(input);
    if (!text.empty() && text[0] == '=') text = trim(text.substr(1));
    if (text.empty() || depth > 4) return Resolved::Unknown;
    if (text.rfind("[0]!", 0) == 0) return resolveName("", text.substr(4), out, depth);
    if (text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    std::vector<std::string> parts = splitUnion(text);
    if (parts.size() > 1) {
        for (const std::string& p : parts) {
            Resolved r = resolveOne(p, out, depth + 1);
            if (r != Resolved::Cells) return r;
        }
        return Resolved::Cells;
    }
    std::string book, sheet, ref;
    if (!splitSheetReference(text, book, sheet, ref)) return Resolved::Unknown;
    if (!book.empty() && book != "0") return Resolved::External;
    if (!parseA1Area(ref)) {
        // Whole columns and rows, names, table names.
        std::string error;
        FormulaPtr f = parseFormula(text, Notation::A1, 0, 0, original_, error);
        if (f && !f->raw && f->root.kind == Node::Kind::Ref && f->root.ref.sheetId != 0) {
            bool any = false;
            forEachReference(*f, 0, 0, 0, [&](uint32_t id, const Rect& r) {
                Sheet* s = m_.sheetById(id);
                if (!s) return;
                Rect clipped = r;
                auto last = s->lastUsed();
                clipped.row2 = std::min(clipped.row2, last ? last->first : 0);
                clipped.col2 = std::min(clipped.col2, last ? last->second : 0);
                if (clipped.row2 < clipped.row1 || clipped.col2 < clipped.col1)
                    clipped.row2 = clipped.row1, clipped.col2 = clipped.col1;
                out.push_back({s, clipped});
                any = true;
            });
            return any ? Resolved::Cells : Resolved::Unknown;
        }
        return resolveName(sheet, ref.empty() ? text : ref, out, depth);
    }
    uint32_t id = 0;
    if (sheet.empty() || !original_("", sheet, id)) return Resolved::Unknown;
    Sheet* s = m_.sheetById(id);
    if (!s) return Resolved::Unknown;
    out.push_back({s, *parseA1Area(ref)});
    return Resolved::Cells;
}

PackageCells::Resolved PackageCells::resolveName(const std::string& sheet, const std::string& name,
                                                 std::vector<Area>& out, int depth) const {
    const std::string key = lower(trim(name));
    // A table ("Regions", "Regions[#All]" reads as the whole table).
    std::string table = key.substr(0, key.find('['));
    if (auto t = tables_.find(table); t != tables_.end()) {
        const std::string spec = key.size() > table.size() ? key.substr(table.size()) : "";
        if (!spec.empty() && spec != "[#all]") return Resolved::Unknown;
        return resolveOne(sheetPrefix(t->second.first) + t->second.second, out, depth + 1);
    }
    // A defined name: the one of the named sheet, else the workbook's.
    auto [from, to] = names_.equal_range(key);
    const Name* global = nullptr;
    const Name* local = nullptr;
    for (auto it = from; it != to; ++it) {
        if (it->second.localSheet < 0) {
            global = &it->second;
            continue;
        }
        const auto& sheets = book_.package->sheets;
        const int at = it->second.localSheet;
        if (!sheet.empty() && at < static_cast<int>(sheets.size()) &&
            sameText(sheets[at].name, sheet))
            local = &it->second;
    }
    const Name* n = local ? local : global;
    if (!n || (!sheet.empty() && !local && names_.count(key) > 1)) return Resolved::Unknown;
    return resolveOne(n->formula, out, depth + 1);
}

bool PackageCells::touched(const std::vector<Area>& areas) const {
    for (const Area& a : areas) {
        auto& cells = a.sheet->cells;
        auto end = cells.upper_bound(Sheet::key(a.rect.row2, a.rect.col2));
        for (auto it = cells.lower_bound(Sheet::key(a.rect.row1, a.rect.col1)); it != end; ++it) {
            const int col = static_cast<int>(it->first % kMaxCols);
            if (col < a.rect.col1 || col > a.rect.col2) continue;
            if (m_.changedSinceRead(*a.sheet, static_cast<int>(it->first / kMaxCols), col))
                return true;
        }
    }
    return false;
}

Sheet* PackageCells::sheetNamed(const std::string& name) const {
    uint32_t id = 0;
    return original_("", name, id) ? m_.sheetById(id) : nullptr;
}

Value PackageCells::value(Sheet& s, int row, int col) const {
    if (!s.find(row, col)) return Value::nil();
    return m_.result(s, row, col);
}

// ---- charts ---------------------------------------------------------------------

namespace {

// One reference of a chart with its cache: the element holding both.
class ChartCache {
  public:
    ChartCache(const PackageCells& cells, pugi::xml_node ref, pugi::xml_node formula,
               pugi::xml_node cache, bool extension)
        : cells_(cells), ref_(ref), f_(formula), cache_(cache), ext_(extension) {
        if (ext_ && !cache_) cache_ = child(ref_, "lvl");
    }

    CacheOutcome refresh() {
        std::vector<PackageCells::Area> areas;
        PackageCells::Resolved r = cells_.resolve(f_.child_value(), areas);
        if (r == PackageCells::Resolved::External) return CacheOutcome::Kept;
        if (r == PackageCells::Resolved::Unknown)
            return cells_.bookChanged() ? clear() : CacheOutcome::Kept;
        if (!cells_.touched(areas)) return CacheOutcome::Kept;
        long long count = 0;
        for (const auto& a : areas) count += static_cast<long long>(a.rect.rows()) * a.rect.cols();
        if (count > kMaxCachePoints) return clear();
        const bool multiLevel = isNamed(cache_, "multiLvlStrCache") ||
                                (ext_ && isNamed(ref_, "strDim") && levels() > 1);
        if (multiLevel) return rewriteLevels(areas);
        std::vector<Value> values;
        for (const auto& a : areas)
            for (int row = a.rect.row1; row <= a.rect.row2; ++row)
                for (int col = a.rect.col1; col <= a.rect.col2; ++col)
                    values.push_back(cells_.value(*a.sheet, row, col));
        for (const Value& v : values)
            if (isUnknown(v)) return clear();
        writePoints(cache_, values, numeric());
        return CacheOutcome::Rewritten;
    }

  private:
    const PackageCells& cells_;
    pugi::xml_node ref_, f_, cache_;
    bool ext_;  // a chart extension: <cx:lvl> levels, point values as text

    bool numeric() const {
        return isNamed(cache_, "numCache") || (ext_ && isNamed(ref_, "numDim"));
    }

    int levels() const {
        int n = 0;
        for (pugi::xml_node c : ref_.children())
            if (isNamed(c, "lvl")) ++n;
        return n;
    }

    // Removes every point (and level) but keeps the counts and formats.
    CacheOutcome clear() {
        if (ext_) {
            for (pugi::xml_node l : ref_.children())
                if (isNamed(l, "lvl")) removePoints(l);
        } else if (isNamed(cache_, "multiLvlStrCache")) {
            std::vector<pugi::xml_node> gone;
            for (pugi::xml_node l : cache_.children())
                if (isNamed(l, "lvl")) gone.push_back(l);
            for (pugi::xml_node l : gone) cache_.remove_child(l);
        } else {
            removePoints(cache_);
        }
        return CacheOutcome::Cleared;
    }

    static void removePoints(pugi::xml_node n) {
        std::vector<pugi::xml_node> gone;
        for (pugi::xml_node p : n.children())
            if (isNamed(p, "pt")) gone.push_back(p);
        for (pugi::xml_node p : gone) n.remove_child(p);
    }

    static std::string pointText(const Value& v, bool numeric, bool& skip) {
        skip = false;
        if (numeric) {
            skip = !v.isNum();
            return v.isNum() ? numberToExactText(v.num) : "";
        }
        skip = v.isNil();
        return v.isNil() ? "" : valueToText(v);
    }

    // The points of one level: a point per cell that holds something.
    void writePoints(pugi::xml_node level, const std::vector<Value>& values, bool numeric) {
        removePoints(level);
        const std::string prefix = prefixOf(level);
        pugi::xml_node count = ext_ ? pugi::xml_node() : child(level, "ptCount");
        if (ext_) {
            pugi::xml_attribute a = level.attribute("ptCount");
            if (!a) a = level.append_attribute("ptCount");
            a.set_value(static_cast<unsigned long long>(values.size()));
        } else {
            if (!count) count = level.prepend_child((prefix + "ptCount").c_str());
            pugi::xml_attribute a = count.attribute("val");
            if (!a) a = count.append_attribute("val");
            a.set_value(static_cast<unsigned long long>(values.size()));
        }
        // Points go after the count (and what precedes it), before any extension list.
        pugi::xml_node before = child(level, "extLst");
        for (size_t i = 0; i < values.size(); ++i) {
            bool skip = false;
            const std::string text = pointText(values[i], numeric, skip);
            if (skip) continue;
            pugi::xml_node pt = before ? level.insert_child_before((prefix + "pt").c_str(), before)
                                       : level.append_child((prefix + "pt").c_str());
            pt.append_attribute("idx").set_value(static_cast<unsigned long long>(i));
            if (ext_)
                pt.text().set(text.c_str());
            else
                pt.append_child((prefix + "v").c_str()).text().set(text.c_str());
        }
    }

    // Categories of several levels over one block of cells: the block's
    // longer side runs along the points; the level next to the data (the
    // last column, or the last row) comes first.
    CacheOutcome rewriteLevels(const std::vector<PackageCells::Area>& areas) {
        if (areas.size() != 1) return clear();
        const auto& a = areas[0];
        const bool down = a.rect.rows() >= a.rect.cols();
        const int points = down ? a.rect.rows() : a.rect.cols();
        const int count = down ? a.rect.cols() : a.rect.rows();
        std::vector<std::vector<Value>> levels(count);
        for (int l = 0; l < count; ++l)
            for (int p = 0; p < points; ++p) {
                const int row = down ? a.rect.row1 + p : a.rect.row2 - l;
                const int col = down ? a.rect.col2 - l : a.rect.col1 + p;
                Value v = cells_.value(*a.sheet, row, col);
                if (isUnknown(v)) return clear();
                levels[l].push_back(v);
            }
        pugi::xml_node holder = ext_ ? ref_ : cache_;
        std::vector<pugi::xml_node> old;
        for (pugi::xml_node l : holder.children())
            if (isNamed(l, "lvl")) old.push_back(l);
        pugi::xml_node after = old.empty() ? pugi::xml_node() : old.front().previous_sibling();
        const std::string prefix = prefixOf(holder);
        for (pugi::xml_node l : old) holder.remove_child(l);
        if (!ext_) {
            pugi::xml_node ptCount = child(holder, "ptCount");
            if (!ptCount) ptCount = holder.prepend_child((prefix + "ptCount").c_str());
            pugi::xml_attribute v = ptCount.attribute("val");
            if (!v) v = ptCount.append_attribute("val");
            v.set_value(points);
            if (!after) after = ptCount;
        }
        for (const auto& values : levels) {
            pugi::xml_node l = after ? holder.insert_child_after((prefix + "lvl").c_str(), after)
                                     : holder.prepend_child((prefix + "lvl").c_str());
            writePoints(l, values, false);
            after = l;
        }
        return CacheOutcome::Rewritten;
    }
};

void walk(const PackageCells& cells, pugi::xml_node n, CacheOutcome& outcome) {
    for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        pugi::xml_node f = child(c, "f");
        if (f) {
            pugi::xml_node cache;
            for (pugi::xml_node k : c.children()) {
                const char* name = localName(k.name());
                const size_t len = std::strlen(name);
                if (k.type() == pugi::node_element && len > 5 &&
                    std::strcmp(name + len - 5, "Cache") == 0)
                    cache = k;
            }
            const bool extension = isNamed(c, "numDim") || isNamed(c, "strDim");
            if (cache || (extension && child(c, "lvl"))) {
                outcome = worse(outcome, ChartCache(cells, c, f, cache, extension).refresh());
                continue;
            }
        }
        walk(cells, c, outcome);
    }
}

}  // namespace

CacheOutcome refreshChartCaches(const PackageCells& cells, pugi::xml_node root) {
    CacheOutcome outcome = CacheOutcome::Kept;
    walk(cells, root, outcome);
    return outcome;
}

}  // namespace host
