// Which parts of a package keep copies of cells that changed, and their new
// texts: found through the content types (charts, pivot caches), with the
// defined names and tables of the package to resolve their references.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>

#include "host/address.h"
#include "host/xml_names.h"
#include "host/xlsx_caches.h"
#include "host/xlsx_text.h"
#include "host/zipfile.h"

namespace host {

namespace {

const char* const kChartType = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
const char* const kChartExType = "application/vnd.ms-office.chartex+xml";
const char* const kPivotCacheType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml";

using xmlnames::attr;
using xmlnames::child;
using xmlnames::endsWith;
using xmlnames::localName;
using xmlnames::lower;

std::vector<pugi::xml_node> children(pugi::xml_node n, const char* local) {
    return xmlnames::elements(n, local);
}

}  // namespace

bool PackageParts::load(const std::string& part, pugi::xml_document& doc) const {
    std::string text, ignored;
    return zip.read(part, text, ignored) &&
           doc.load_buffer(
               text.data(), text.size(),
               pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
}

std::string PackageParts::serialize(const pugi::xml_document& doc) {
    std::ostringstream s;
    doc.save(s, "", pugi::format_raw | pugi::format_no_declaration);
    return s.str();
}

std::vector<std::pair<std::string, std::string>> PackageParts::related(
    const std::string& part) const {
    std::vector<std::pair<std::string, std::string>> out;
    pugi::xml_document doc;
    if (!load(relationshipsPart(part), doc)) return out;
    for (pugi::xml_node r : children(child(doc, "Relationships"), "Relationship")) {
        const char* type = attr(r, "Type");
        const char* target = attr(r, "Target");
        const char* mode = attr(r, "TargetMode");
        if (!type || !target || (mode && std::strcmp(mode, "External") == 0)) continue;
        out.emplace_back(type, resolvePartName(part, target));
    }
    return out;
}

std::vector<std::string> PackageParts::ofType(const char* contentType) const {
    std::vector<std::string> out;
    pugi::xml_document doc;
    if (!load("[Content_Types].xml", doc)) return out;
    for (pugi::xml_node o : children(child(doc, "Types"), "Override")) {
        const char* type = attr(o, "ContentType");
        const char* name = attr(o, "PartName");
        if (type && name && std::strcmp(type, contentType) == 0 &&
            zip.has(resolvePartName("", name)))
            out.push_back(resolvePartName("", name));
    }
    return out;
}

bool planCaches(Model& m, Workbook& book, const ZipFile& zip, const SheetResolver& original,
                CachePlan& plan, std::string& error) {
    (void)error;
    PackageCells cells(m, book, original);
    // Nothing changed, nothing can be out of date.
    if (!cells.bookChanged()) return true;
    const SourcePackage& pkg = *book.package;
    PackageParts parts{zip};

    pugi::xml_document wb;
    if (parts.load(pkg.workbookPart, wb))
        for (pugi::xml_node d :
             children(child(child(wb, "workbook"), "definedNames"), "definedName"))
            if (const char* name = attr(d, "name")) {
                const char* local = attr(d, "localSheetId");
                cells.addName(name, d.child_value(), local ? std::atoi(local) : -1);
            }
    std::map<std::string, std::vector<PivotTablePart>> pivots;  // by lower-case cache part
    for (const SourceSheet& s : pkg.sheets) {
        if (s.part.empty()) continue;
        for (const auto& [type, target] : parts.related(s.part)) {
            if (endsWith(type, "/pivotTable")) {
                PivotTablePart t;
                t.part = target;
                t.sheet = cells.sheetNamed(s.name);
                t.doc = std::make_shared<pugi::xml_document>();
                if (!parts.load(target, *t.doc)) continue;
                t.root = child(*t.doc, "pivotTableDefinition");
                const char* ref = attr(child(t.root, "location"), "ref");
                auto rect = ref ? parseA1Area(ref) : std::nullopt;
                if (rect)
                    t.location = *rect;
                else
                    t.sheet = nullptr;
                for (const auto& [ctype, cache] : parts.related(target))
                    if (endsWith(ctype, "/pivotCacheDefinition")) pivots[lower(cache)].push_back(t);
                continue;
            }
            if (!endsWith(type, "/table")) continue;
            pugi::xml_document t;
            if (!parts.load(target, t)) continue;
            pugi::xml_node table = child(t, "table");
            const char* name = attr(table, "displayName");
            if (!name) name = attr(table, "name");
            if (name && attr(table, "ref")) cells.addTable(name, s.name, attr(table, "ref"));
        }
    }

    for (const char* type : {kChartType, kChartExType})
        for (const std::string& part : parts.ofType(type)) {
            pugi::xml_document doc;
            if (!parts.load(part, doc)) continue;
            CacheOutcome o = refreshChartCaches(cells, doc);
            if (o == CacheOutcome::Kept) continue;
            plan.replaced[lower(part)] = PackageParts::serialize(doc);
            if (o == CacheOutcome::Cleared) plan.cleared.push_back(part);
        }
    for (const std::string& part : parts.ofType(kPivotCacheType))
        refreshPivotCache(cells, parts, part, pivots[lower(part)], plan);
    return true;
}

}  // namespace host
