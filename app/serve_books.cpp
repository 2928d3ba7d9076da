#include "app/serve_books.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#include "app/serve_format.h"
#include "host/address.h"
#include "host/host.h"

namespace app {

namespace {

using Json = nlohmann::json;

// The number after " key " in a line; false when it is not there.
bool field(const std::string& line, const std::string& key, int& out) {
    const std::string mark = " " + key + " ";
    const std::size_t at = line.find(mark);
    if (at == std::string::npos) return false;
    const char* start = line.c_str() + at + mark.size();
    char* end = nullptr;
    const long v = std::strtol(start, &end, 10);
    if (end == start) return false;
    out = static_cast<int>(v);
    return true;
}

std::string kindOf(const host::Value& v) {
    if (v.isNum()) return "n";
    if (v.isBool()) return "b";
    if (v.isErr()) return "e";
    return "s";
}

bool within(const std::map<std::string, std::vector<host::Rect>>& areas, const std::string& sheet,
            int row, int col) {
    auto it = areas.find(sheet);
    if (it == areas.end()) return false;
    for (const host::Rect& r : it->second)
        if (r.contains(row, col)) return true;
    return false;
}

// What a number of the captured workbook is for the rounding.
const char* markOf(const CapturedTable& t, int sheetIndex, const std::string& sheet, int row,
                   int col) {
    auto it = t.marks.find({sheetIndex, row, col});
    if (it != t.marks.end()) return it->second == CellMark::Total ? "total" : "part";
    if (!t.haveRecord) return "free";
    if (within(t.unrounded, sheet, row, col)) return "free";
    if (within(t.kept, sheet, row, col)) return "kept";
    return nullptr;
}

}  // namespace

std::string referenceName(const std::string& sheet, int row, int col) {
    return host::sheetPrefix(sheet) + host::columnLetters(col) + std::to_string(row + 1);
}

void readCaptureReport(const std::string& report, CapturedTable& t) {
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        t.haveRecord = true;
        const std::string key = line.substr(0, tab);
        if (key != "unrounded-range" && key != "kept-formula") continue;
        std::string book, sheet, ref;
        if (!host::splitSheetReference(line.substr(tab + 1), book, sheet, ref)) continue;
        const std::optional<host::Rect> area = host::parseA1Area(ref);
        if (!area) continue;
        (key == "kept-formula" ? t.kept : t.unrounded)[sheet].push_back(*area);
    }
}

// This reads the lines of QTBTXfInstanceReport:
//   instance: 56 cells, 32 sums, origin worksheet, base 10
//   cell 12 cell0_1_2 sheet 0 row 1 col 2 nominal ...
//   sum =SUM(B2:D2) at sheet 0 row 1 col 4: +cell0_1_1 +cell0_1_2 -cell0_1_4
CapturedTable capturedTable(const std::string& report) {
    CapturedTable t;
    std::map<std::string, std::tuple<int, int, int>> where;
    std::istringstream lines(report);
    std::string line;
    std::vector<std::string> sums;
    while (std::getline(lines, line)) {
        if (line.rfind("instance: ", 0) == 0) {
            std::istringstream head(line.substr(10));
            std::string word;
            head >> t.cells >> word >> t.sumCount;
            const std::size_t o = line.find("origin ");
            const std::size_t b = line.find(", base");
            if (o != std::string::npos && b != std::string::npos && b > o)
                t.origin = line.substr(o + 7, b - o - 7);
        } else if (line.rfind("cell ", 0) == 0) {
            std::istringstream words(line);
            std::string cell, number, name;
            words >> cell >> number >> name;
            int sheet = 0, row = 0, col = 0;
            if (field(line, "sheet", sheet) && field(line, "row", row) && field(line, "col", col))
                where[name] = {sheet, row, col};
        } else if (line.rfind("sum", 0) == 0) {
            sums.push_back(line);
        }
    }
    if (t.origin != "worksheet" && t.origin != "db-style table") return t;
    t.present = t.cells > 0;
    for (const std::string& sum : sums) {
        const std::size_t colon = sum.rfind(": ");
        if (colon == std::string::npos) continue;
        std::istringstream terms(sum.substr(colon + 2));
        std::vector<std::pair<char, std::string>> parsed;
        for (std::string term; terms >> term;) {
            if (term.size() > 1) parsed.emplace_back(term[0], term.substr(1));
        }
        std::vector<TermPosition> positions;
        for (const auto& [sign, name] : parsed) {
            auto it = where.find(name);
            if (it == where.end()) continue;
            const auto [sheet, row, col] = it->second;
            positions.push_back(TermPosition{sign == '-' ? -1 : 1, sheet, row, col});
            if (parsed.size() < 2) continue;  // a one-term equation binds nothing
            auto [mark, fresh] = t.marks.emplace(it->second, CellMark::Part);
            if (sign == '-') mark->second = CellMark::Total;
        }
        t.sums.push_back(std::move(positions));
    }
    return t;
}

std::string equationNames(const std::vector<TermPosition>& sum,
                          const std::vector<std::string>& sheetNames) {
    std::string parts, totals;
    for (const TermPosition& t : sum) {
        std::string name = t.sheet >= 0 && t.sheet < static_cast<int>(sheetNames.size())
                               ? sheetNames[static_cast<std::size_t>(t.sheet)]
                               : "sheet " + std::to_string(t.sheet + 1);
        std::string& side = t.sign > 0 ? parts : totals;
        side += (side.empty() ? "" : " + ") + referenceName(name, t.row, t.col);
    }
    return parts + " = " + totals;
}

bool sheetView(const std::string& book, int sheetIndex, const SheetViewOptions& options,
               Json& view, std::string& error) {
    const std::vector<std::string> sheets = host::sheetNames(book);
    if (sheetIndex < 0 || sheetIndex >= static_cast<int>(sheets.size())) {
        error = "the workbook " + book + " has no sheet " + std::to_string(sheetIndex + 1);
        return false;
    }
    const std::string& name = sheets[static_cast<std::size_t>(sheetIndex)];
    std::vector<host::SheetCellInfo> cells;
    if (!host::readSheet("[" + book + "]" + name, cells, error)) return false;

    std::map<std::pair<int, int>, host::SheetCellInfo> original;
    if (!options.original.empty()) {
        std::vector<host::SheetCellInfo> before;
        std::string ignored;
        if (host::readSheet(options.original, before, ignored)) {
            for (auto& c : before) original[{c.row, c.col}] = std::move(c);
        }
    }

    Json out = Json::array();
    int rows = 0, cols = 0;
    bool truncated = false;
    for (const host::SheetCellInfo& c : cells) {
        if (c.row >= options.maxRows) {
            truncated = true;
            continue;
        }
        rows = std::max(rows, c.row + 1);
        cols = std::max(cols, c.col + 1);
        const ShownValue shown = formatValue(c.info.value, c.info.format);
        Json cell{{"r", c.row}, {"c", c.col}, {"t", shown.text}, {"k", kindOf(c.info.value)}};
        if (c.info.value.isNum()) cell["v"] = c.info.value.num;
        if (!c.info.formulaA1.empty()) cell["f"] = c.info.formulaA1;
        if (c.info.format != "General") cell["fmt"] = c.info.format;
        if (!shown.color.empty()) cell["color"] = shown.color;
        if (options.table != nullptr && c.info.value.isNum()) {
            const char* mark = markOf(*options.table, sheetIndex, name, c.row, c.col);
            if (mark != nullptr) cell["m"] = mark;
        }
        auto before = original.find({c.row, c.col});
        if (before != original.end() && before->second.info.value.isNum() &&
            c.info.value.isNum()) {
            const double moved = c.info.value.num - before->second.info.value.num;
            if (std::fabs(moved) > 1e-9) {
                cell["d"] = moved;
                cell["o"] = formatValue(before->second.info.value, before->second.info.format).text;
            }
        }
        out.push_back(std::move(cell));
    }
    view = Json{{"book", book},   {"sheet", name},          {"index", sheetIndex},
                {"rows", rows},   {"cols", cols},           {"truncated", truncated},
                {"cells", out},   {"marked", options.table != nullptr},
                {"compared", !options.original.empty()}};
    return true;
}

}  // namespace app
