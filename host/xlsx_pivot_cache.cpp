// Pivot caches over cells that changed: the shared items and records written
// again from the cells' values, or, where that cannot be done soundly, their
// values removed and the cache marked to be refreshed when the spreadsheet
// program opens the file. Either way the cells the pivot tables fill (sums of
// the old values) are written without their values.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "host/address.h"
#include "host/xml_names.h"
#include "host/formula.h"
#include "host/value.h"
#include "host/xlsx_caches.h"
#include "host/zipfile.h"

namespace host {

namespace {

using xmlnames::attr;
using xmlnames::child;
using xmlnames::elements;
using xmlnames::endsWith;
using xmlnames::isNamed;
using xmlnames::localName;
using xmlnames::lower;
using xmlnames::prefixOf;

// A cell value as a cache item: its element name and text ("n", "1280").
struct Item {
    std::string kind, text;
    bool operator==(const Item& o) const { return kind == o.kind && text == o.text; }
    bool operator<(const Item& o) const { return kind != o.kind ? kind < o.kind : text < o.text; }
};

Item itemOf(const Value& v) {
    if (v.isNil()) return {"m", ""};
    if (v.isNum()) return {"n", numberToExactText(v.num)};
    if (v.isBool()) return {"b", v.boolean ? "1" : "0"};
    if (v.isErr()) return {"e", errorText(v.err)};
    return {"s", valueToText(v)};
}

// An item as the cache writes it, in the same form as itemOf.
Item itemOf(pugi::xml_node n) {
    const std::string kind = localName(n.name());
    const char* v = attr(n, "v");
    std::string text = v ? v : "";
    if (kind == "n") text = numberToExactText(std::strtod(text.c_str(), nullptr));
    if (kind == "b") text = (text == "1" || text == "true") ? "1" : "0";
    if (kind == "m") text.clear();
    return {kind, text};
}

pugi::xml_node appendItem(pugi::xml_node parent, const std::string& prefix, const Item& item) {
    pugi::xml_node n = parent.append_child((prefix + item.kind).c_str());
    if (item.kind != "m") n.append_attribute("v").set_value(item.text.c_str());
    return n;
}

// What a field's shared items say of their values, from the values.
void describe(pugi::xml_node shared, const std::vector<Item>& values, bool listed) {
    for (const char* a :
         {"containsSemiMixedTypes", "containsNonDate", "containsDate", "containsString",
          "containsBlank", "containsMixedTypes", "containsNumber", "containsInteger", "minValue",
          "maxValue", "minDate", "maxDate", "count", "longText"})
        shared.remove_attribute(a);
    bool str = false, num = false, blank = false, other = false, integer = true, longText = false;
    double lo = 0, hi = 0;
    for (const Item& i : values) {
        if (i.kind == "s") {
            str = true;
            longText = longText || i.text.size() > 255;
        } else if (i.kind == "m") {
            blank = true;
        } else if (i.kind == "n") {
            const double d = std::strtod(i.text.c_str(), nullptr);
            lo = num ? std::min(lo, d) : d;
            hi = num ? std::max(hi, d) : d;
            num = true;
            integer = integer && d == static_cast<double>(static_cast<long long>(d));
        } else {
            other = true;
        }
    }
    if (!str && !blank && !other) shared.append_attribute("containsSemiMixedTypes") = "0";
    if (!str) shared.append_attribute("containsString") = "0";
    if (blank) shared.append_attribute("containsBlank") = "1";
    if (int(str) + int(num) + int(other) > 1) shared.append_attribute("containsMixedTypes") = "1";
    if (num) {
        shared.append_attribute("containsNumber") = "1";
        if (integer) shared.append_attribute("containsInteger") = "1";
        shared.append_attribute("minValue") = numberToExactText(lo).c_str();
        shared.append_attribute("maxValue") = numberToExactText(hi).c_str();
    }
    if (longText) shared.append_attribute("longText") = "1";
    if (listed)
        shared.append_attribute("count") = static_cast<unsigned long long>(elements(shared).size());
}

class PivotCache {
  public:
    PivotCache(const PackageCells& cells, const PackageParts& parts, const std::string& definition,
               const std::vector<PivotTablePart>& tables, CachePlan& plan)
        : cells_(cells), parts_(parts), part_(definition), tables_(tables), plan_(plan) {}

    void refresh() {
        if (!parts_.load(part_, def_)) return;
        root_ = child(def_, "pivotCacheDefinition");
        pugi::xml_node source = child(child(root_, "cacheSource"), "worksheetSource");
        // Other sources (another file, a consolidation, a connection) hold no
        // cells of this workbook.
        if (!source || attr(source, "id")) return;
        for (const auto& [type, target] : parts_.related(part_))
            if (endsWith(type, "/pivotCacheRecords")) recordsPart_ = target;
        if (!recordsPart_.empty() && parts_.load(recordsPart_, records_))
            recordsRoot_ = child(records_, "pivotCacheRecords");

        std::string text;
        if (const char* name = attr(source, "name")) {
            text = name;
        } else if (attr(source, "sheet") && attr(source, "ref")) {
            text = sheetPrefix(attr(source, "sheet")) + attr(source, "ref");
        }
        std::vector<PackageCells::Area> areas;
        const PackageCells::Resolved r =
            text.empty() ? PackageCells::Resolved::Unknown : cells_.resolve(text, areas);
        if (r == PackageCells::Resolved::External) return;
        if (r == PackageCells::Resolved::Unknown) {
            if (cells_.bookChanged()) clear();
            return;
        }
        if (!cells_.touched(areas)) return;
        if (areas.size() != 1 || !rewrite(areas[0])) clear();
    }

  private:
    const PackageCells& cells_;
    const PackageParts& parts_;
    const std::string part_;
    const std::vector<PivotTablePart>& tables_;
    CachePlan& plan_;
    pugi::xml_document def_, records_;
    pugi::xml_node root_, recordsRoot_;
    std::string recordsPart_;

    // Whether a pivot table names the items of field `i` (by their positions).
    bool itemsUsed(size_t i) const {
        for (const PivotTablePart& t : tables_) {
            auto fields = elements(child(t.root, "pivotFields"), "pivotField");
            if (i < fields.size() && !elements(child(fields[i], "items"), "item").empty())
                return true;
        }
        return false;
    }

    bool rewrite(const PackageCells::Area& a) {
        auto fields = elements(child(root_, "cacheFields"), "cacheField");
        if (fields.size() != static_cast<size_t>(a.rect.cols()) || a.rect.rows() < 1) return false;
        const int first = a.rect.row1 + 1;  // the first row holds the fields' names
        const int count = a.rect.row2 - a.rect.row1;
        std::vector<std::vector<Item>> values(fields.size());
        std::vector<std::vector<Item>> listed(fields.size());
        std::vector<bool> isListed(fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            pugi::xml_node shared = child(fields[i], "sharedItems");
            // Computed and grouped fields and dates are left to the program.
            if (attr(fields[i], "formula") || child(fields[i], "fieldGroup") ||
                (attr(shared, "containsDate") &&
                 std::strcmp(attr(shared, "containsDate"), "1") == 0))
                return false;
            for (int k = 0; k < count; ++k) {
                Value v = cells_.value(*a.sheet, first + k, a.rect.col1 + static_cast<int>(i));
                if (isUnknown(v)) return false;
                values[i].push_back(itemOf(v));
            }
            std::vector<Item> old;
            for (pugi::xml_node n : elements(shared)) old.push_back(itemOf(n));
            isListed[i] = !old.empty();
            if (!isListed[i]) continue;
            // The old items still present keep their order (and positions,
            // which pivot tables name); new values follow.
            std::set<Item> present(values[i].begin(), values[i].end());
            for (const Item& o : old)
                if (present.count(o)) listed[i].push_back(o);
            std::set<Item> seen(listed[i].begin(), listed[i].end());
            for (const Item& v : values[i])
                if (seen.insert(v).second) listed[i].push_back(v);
            if (listed[i] != old && itemsUsed(i)) return false;
        }

        for (size_t i = 0; i < fields.size(); ++i) {
            pugi::xml_node shared = child(fields[i], "sharedItems");
            if (!shared) continue;
            const std::string prefix = prefixOf(shared);
            for (pugi::xml_node n : elements(shared)) shared.remove_child(n);
            for (const Item& item : listed[i]) appendItem(shared, prefix, item);
            describe(shared, values[i], isListed[i]);
        }
        root_.remove_attribute("recordCount");
        root_.append_attribute("recordCount") = count;
        if (recordsRoot_) {
            const std::string prefix = prefixOf(recordsRoot_);
            for (pugi::xml_node r : elements(recordsRoot_, "r")) recordsRoot_.remove_child(r);
            pugi::xml_node before = child(recordsRoot_, "extLst");
            for (int k = 0; k < count; ++k) {
                pugi::xml_node r =
                    before ? recordsRoot_.insert_child_before((prefix + "r").c_str(), before)
                           : recordsRoot_.append_child((prefix + "r").c_str());
                for (size_t i = 0; i < fields.size(); ++i) {
                    const Item& v = values[i][k];
                    if (!isListed[i]) {
                        appendItem(r, prefix, v);
                        continue;
                    }
                    size_t at = 0;
                    while (!(listed[i][at] == v)) ++at;
                    r.append_child((prefix + "x").c_str()).append_attribute("v") =
                        static_cast<unsigned long long>(at);
                }
            }
            setCount(recordsRoot_, count);
        }
        finish(false);
        return true;
    }

    // Removes every value the cache holds: the program refreshes it on opening.
    void clear() {
        // (a failed rewrite may have left the documents half done)
        def_.reset();
        records_.reset();
        if (!parts_.load(part_, def_)) return;
        root_ = child(def_, "pivotCacheDefinition");
        recordsRoot_ = {};
        if (!recordsPart_.empty() && parts_.load(recordsPart_, records_))
            recordsRoot_ = child(records_, "pivotCacheRecords");
        for (pugi::xml_node f : elements(child(root_, "cacheFields"), "cacheField")) {
            pugi::xml_node shared = child(f, "sharedItems");
            for (const char* a : {"minValue", "maxValue", "minDate", "maxDate"})
                shared.remove_attribute(a);
            const std::string prefix = prefixOf(shared);
            // Pivot tables name items by position: the count stays, the values go.
            for (pugi::xml_node n : elements(shared)) {
                shared.insert_child_before((prefix + "m").c_str(), n);
                shared.remove_child(n);
            }
        }
        root_.remove_attribute("recordCount");
        root_.append_attribute("recordCount") = 0;
        if (recordsRoot_) {
            for (pugi::xml_node r : elements(recordsRoot_, "r")) recordsRoot_.remove_child(r);
            setCount(recordsRoot_, 0);
        }
        finish(true);
    }

    static void setCount(pugi::xml_node n, int count) {
        pugi::xml_attribute a = n.attribute("count");
        if (!a) a = n.append_attribute("count");
        a = count;
    }

    void finish(bool cleared) {
        pugi::xml_attribute refresh = root_.attribute("refreshOnLoad");
        if (!refresh) refresh = root_.append_attribute("refreshOnLoad");
        refresh = "1";
        plan_.replaced[lower(part_)] = PackageParts::serialize(def_);
        if (recordsRoot_) plan_.replaced[lower(recordsPart_)] = PackageParts::serialize(records_);
        if (cleared) plan_.cleared.push_back(part_);
        // The values the tables show were computed from the old cells.
        for (const PivotTablePart& t : tables_) {
            if (!t.sheet) continue;
            auto& blank = plan_.blanked[t.sheet];
            const auto& cells = t.sheet->cells;
            auto end = cells.upper_bound(Sheet::key(t.location.row2, t.location.col2));
            for (auto it = cells.lower_bound(Sheet::key(t.location.row1, t.location.col1));
                 it != end; ++it) {
                const int col = static_cast<int>(it->first % kMaxCols);
                if (col >= t.location.col1 && col <= t.location.col2 && !it->second.formula &&
                    it->second.value.isNum())
                    blank.insert(it->first);
            }
        }
    }
};

}  // namespace

void refreshPivotCache(const PackageCells& cells, const PackageParts& parts,
                       const std::string& definition, const std::vector<PivotTablePart>& tables,
                       CachePlan& plan) {
    PivotCache(cells, parts, definition, tables, plan).refresh();
}

}  // namespace host
