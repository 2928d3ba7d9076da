#include "capture/capture_record.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "shell/host_api.h"
#include "shell/host_values.h"

CaptureSettings gCaptureSettings;
CaptureRecord gCapture;

namespace {

// Status texts hold 255 characters after the reserved one.
constexpr size_t kStatusLimit = 250;

std::string columnLetters(int32_t col) {
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters;
}

std::string sheetPrefix(int32_t sheet) {
    const auto& names = gCapture.sheetNames.empty() ? gInstance.sheetNames : gCapture.sheetNames;
    if (sheet < 0 || size_t(sheet) >= names.size()) return "?!";
    // The host names sheets "[Book]Sheet"; a user names them without the book.
    std::string name = names[size_t(sheet)];
    if (!name.empty() && name[0] == '[') {
        const size_t close = name.find(']');
        if (close != std::string::npos) name = name.substr(close + 1);
    }
    bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    for (char c : name)
        plain &=
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (plain) return name + "!";
    std::string quoted = "'";
    for (char c : name) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'!";
}

bool truthy(const std::string& v, int& into) {
    if (v == "on" || v == "1" || v == "yes" || v == "true") {
        into = 1;
        return true;
    }
    if (v == "off" || v == "0" || v == "no" || v == "false") {
        into = 0;
        return true;
    }
    return false;
}

}  // namespace

void beginCaptureRecord(const std::vector<std::string>& sheetNames) {
    gCapture = CaptureRecord{};
    gCapture.fromWorkbook = true;
    gCapture.sheetNames = sheetNames;
    gCapture.sheets.resize(sheetNames.size());
}

ScannedEntry* scannedEntry(int32_t sheet, int32_t row, int32_t col) {
    if (sheet < 0 || size_t(sheet) >= gCapture.sheets.size()) return nullptr;
    auto& m = gCapture.sheets[size_t(sheet)];
    auto it = m.find(gridKey(row, col));
    return it == m.end() ? nullptr : &it->second;
}

bool insideTable(int32_t sheet, int32_t row, int32_t col) {
    if (gCapture.tableAreas.empty()) return true;
    for (const TableArea& a : gCapture.tableAreas)
        if (a.sheet == sheet && row >= a.row1 && row <= a.row2 && col >= a.col1 && col <= a.col2)
            return true;
    return false;
}

std::string cellAddress(int32_t sheet, int32_t row, int32_t col) {
    return sheetPrefix(sheet) + columnLetters(col) + std::to_string(row + 1);
}

std::string cellAddress(const GridPos& p) {
    return cellAddress(p.sheet, p.row, p.col);
}

std::vector<std::string> rangeTexts(std::vector<GridPos> cells) {
    std::sort(cells.begin(), cells.end(), [](const GridPos& a, const GridPos& b) {
        return std::tie(a.sheet, a.row, a.col) < std::tie(b.sheet, b.row, b.col);
    });
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    // Runs along each row, then runs of equal column spans on following rows.
    struct Rect {
        int32_t sheet, row1, col1, row2, col2;
    };
    std::vector<Rect> rects;
    std::map<std::tuple<int32_t, int32_t, int32_t>, size_t> open;  // sheet, col1, col2 -> rect
    for (size_t i = 0; i < cells.size();) {
        size_t j = i;
        while (j + 1 < cells.size() && cells[j + 1].sheet == cells[i].sheet &&
               cells[j + 1].row == cells[i].row && cells[j + 1].col == cells[j].col + 1)
            ++j;
        const GridPos& a = cells[i];
        const int32_t col2 = cells[j].col;
        auto key = std::make_tuple(a.sheet, a.col, col2);
        auto it = open.find(key);
        if (it != open.end() && rects[it->second].row2 + 1 == a.row) {
            rects[it->second].row2 = a.row;
        } else {
            rects.push_back({a.sheet, a.row, a.col, a.row, col2});
            open[key] = rects.size() - 1;
        }
        i = j + 1;
    }
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
        return std::tie(a.sheet, a.row1, a.col1) < std::tie(b.sheet, b.row1, b.col1);
    });
    std::vector<std::string> texts;
    for (const Rect& r : rects) {
        std::string t = cellAddress(r.sheet, r.row1, r.col1);
        if (r.row2 != r.row1 || r.col2 != r.col1)
            t += ":" + columnLetters(r.col2) + std::to_string(r.row2 + 1);
        texts.push_back(t);
    }
    return texts;
}

std::vector<GridPos> numbersInNoEquation() {
    if (!gCapture.fromWorkbook) return {};
    const InstanceState& s = gInstance;
    if (!s.cellList || s.origin != InstanceOrigin::Worksheet) return gCapture.unrounded;
    std::vector<GridPos> out;
    for (const GridPos& p : gCapture.typedNumbers) {
        const Cell* c = cellAt(p.sheet, p.row, p.col);
        if (!c || (c->useCount == 0 && !gCaptureSettings.allCells)) out.push_back(p);
    }
    return out;
}

void showListed(const std::string& head, const std::vector<std::string>& items) {
    std::string line = " " + head;
    bool first = true;
    for (const std::string& item : items) {
        const std::string piece = (first ? "" : ", ") + item;
        if (line.size() + piece.size() > kStatusLimit && !first) {
            ShowStatus((line + ",").c_str());
            line = "  " + item;
        } else {
            line += piece;
        }
        first = false;
    }
    ShowStatus(line.substr(0, kStatusLimit + 4).c_str());
}

bool resolveTableRanges() {
    gCapture.tableAreas.clear();
    const std::string& text = gCaptureSettings.table;
    if (text.empty()) return true;
    std::vector<std::string> pieces;
    std::string cur;
    bool quoted = false;
    for (char c : text) {
        if (c == '\'') quoted = !quoted;
        if (c == ',' && !quoted) {
            pieces.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    pieces.push_back(cur);
    // Sheet ids of the workbook's sheets, by position.
    std::vector<uint32_t> ids;
    for (const std::string& name : gCapture.sheetNames) {
        CountedText n(name);
        HostResult id;
        ids.push_back(CallHost(xlSheetId, id.get(), 1, n.value()) == xlretSuccess && !id.isError()
                          ? sheetIdOf(*id)
                          : 0);
    }
    for (std::string piece : pieces) {
        piece.erase(0, piece.find_first_not_of(' '));
        piece.erase(piece.find_last_not_of(' ') + 1);
        CountedText refText(piece);
        HostResult ref;
        XLREF area{};
        int32_t sheet = -1;
        if (!piece.empty() &&
            CallHost(xlfTextref, ref.get(), 2, refText.value(), ScratchBool(true)) ==
                xlretSuccess &&
            !ref.isError() && firstAreaOf(*ref, area)) {
            const uint32_t id = sheetIdOf(*ref);
            for (size_t i = 0; i < ids.size(); ++i)
                if (ids[i] == id && id != 0) sheet = int32_t(i);
        }
        if (sheet < 0) {
            const std::string alert = " The table range \"" + piece +
                                      "\" names no cells of this workbook: give ranges such as "
                                      "Sheet1!B5:M60, separated by commas.";
            ShowAlert(alert.c_str(), 1);
            gCapture.tableAreas.clear();
            return false;
        }
        gCapture.tableAreas.push_back(
            {sheet, area.rwFirst, area.colFirst, area.rwLast, area.colLast});
    }
    return true;
}

QTB_EXPORT int QTBTXfCaptureSetting(const char* assignment) {
    if (!assignment) return 1;
    const std::string a = assignment;
    const size_t eq = a.find('=');
    if (eq == std::string::npos) return 1;
    const std::string name = a.substr(0, eq), value = a.substr(eq + 1);
    if (name == "find-totals") return truthy(value, gCaptureSettings.findTotals) ? 0 : 1;
    if (name == "all-cells") return truthy(value, gCaptureSettings.allCells) ? 0 : 1;
    if (name == "table") {
        gCaptureSettings.table = value == "none" ? "" : value;
        return 0;
    }
    return 1;
}
