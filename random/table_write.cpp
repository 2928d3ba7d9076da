// Random tables: the request checks, the index tuples, the drawing of the
// values and the writing of the internal cells into the active sheet.
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "random/tables.h"
#include "shell/host_api.h"
#include "shell/host_values.h"
#include "shell/texts.h"

namespace {

const char* const kTitleDim = " Dim ";  // the first character becomes the length byte
const char* const kTitleValue = " Value";

// N = the product of the counts and the cells with all marginals = the
// product of (count + 1); false when a count is not positive or a product
// passes `limit`.
bool tableSizes(int k, const std::vector<int32_t>& dim, int64_t limit, int64_t& internal,
                int64_t& all) {
    if (k < 1 || dim.size() < size_t(k)) return false;
    internal = all = 1;
    for (int d = 0; d < k; ++d) {
        if (dim[size_t(d)] < 1) return false;
        internal *= dim[size_t(d)];
        all *= int64_t(dim[size_t(d)]) + 1;
        if (internal > limit || all > limit) return false;
    }
    return true;
}

// The integer range the values are drawn from, when it can be drawn from.
bool integerRange(const TableParams& p, int32_t& low, int32_t& high) {
    const double lo = std::floor(p.from + 0.5), hi = std::floor(p.to + 0.5);
    // nextInRange needs the width high - low + 1 to stay a positive 32-bit count.
    if (!(lo >= -2147483647.0 && hi <= 2147483647.0 && hi - lo <= 2147483646.0)) return false;
    low = int32_t(lo);
    high = int32_t(hi);
    return true;
}

// The first problem of the drawing parameters (null when there is none).
const char* parameterProblem(const TableParams& p) {
    if (!(p.pzeroinp >= 0 && p.pzeroinp <= 100)) return kAlertPercentRange;
    if (!(p.to >= p.from)) return kAlertToBelowFrom;
    if (!std::isfinite(p.from) || !std::isfinite(p.to) || !std::isfinite(p.to - p.from))
        return kAlertRangeUnusable;
    int32_t low = 0, high = 0;
    if (p.randint == 1 && !integerRange(p, low, high)) return kAlertRangeUnusable;
    return nullptr;
}

bool activeSheetId(uint32_t& id) {
    HostResult ref;
    if (CallHost(xlSheetId, ref.get(), 0) != xlretSuccess || ref.isError()) return false;
    id = sheetIdOf(*ref);
    return true;
}

// A label text is written as a number when the whole text is one decimal
// number, else as text (a text like "1,5" stays apart from the number 1).
void writeLabel(uint32_t sheetId, const TablePlace& at, const std::string& text) {
    RefValue ref(sheetId, at.row, at.col);
    double number = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (!text.empty() && isDecimalText(text.c_str())) {
        auto [end, ec] = std::from_chars(first, last, number);
        if (ec == std::errc() && end == last) {
            CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(number));
            return;
        }
    }
    CountedText counted(text);
    CallHost(xlSet, nullptr, 2, ref.get(), counted.value());
}

// Whether this table's "too big" alert was shown (once per table).
bool tooBigShown = false;

}  // namespace

bool tableWritingStopped() {
    return tooBigShown;
}

void reportTableBeyondSheet() {
    if (tooBigShown) return;
    tooBigShown = true;
    ShowAlert(kAlertTooBigForSheet, 1);
}

TablePlace tablePlace(int64_t position, int k, int d) {
    const int64_t block = position / kBlockPositions;
    const int64_t r = position - kBlockPositions * block;
    TablePlace place;
    place.row = int32_t(gInstance.dbFirstRow + r + 1);
    const int64_t col = gInstance.dbFirstCol + int64_t(k + 1) * block + d;
    place.col = col > INT32_MAX ? INT32_MAX : int32_t(col);
    return place;
}

bool acceptTableRequest(int k, const std::vector<int32_t>& dim, const TableParams* params) {
    const char* problem = nullptr;
    int64_t internal = 0, all = 0;
    bool countsPositive = k >= 1 && dim.size() >= size_t(k);
    for (int d = 0; countsPositive && d < k; ++d) countsPositive = dim[size_t(d)] >= 1;
    if (!countsPositive) {
        problem = kAlertCategoryCount;
    } else if (k > kMaxDimensions) {
        problem = kAlertTooManyDimensions;
    } else if (!tableSizes(k, dim, kMaxTableCells, internal, all) ||
               internal * ((int64_t{1} << k) - 1) + (all - internal) > kMaxTableTerms) {
        problem = kAlertTableTooLarge;
    } else if (params) {
        problem = parameterProblem(*params);
    }
    if (!problem) return true;
    ShowAlert(problem, 2);
    return false;
}

std::optional<TupleTable> enumerateTuples(int k, const std::vector<int32_t>& dim) {
    int64_t internal = 0, all = 0;
    if (k > kMaxDimensions || !tableSizes(k, dim, kMaxTableCells, internal, all)) return {};
    TupleTable t;
    try {
        t.k = k;
        t.dim.assign(dim.begin(), dim.begin() + k);
        t.count = int32_t(internal);
        t.entries.resize(size_t(internal) * size_t(k));
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::vector<int32_t> tuple(size_t(k), 1);
    for (int32_t i = 0; i < t.count; ++i) {
        std::memcpy(&t.entries[size_t(i) * size_t(k)], tuple.data(), sizeof(int32_t) * size_t(k));
        // The next tuple: the last dimension runs fastest.
        for (int d = k - 1; d >= 0; --d) {
            if (++tuple[size_t(d)] <= t.dim[size_t(d)]) break;
            tuple[size_t(d)] = 1;
        }
    }
    return t;
}

int writeTitles(int k, int block) {
    if (gInstance.origin == InstanceOrigin::DbTable) return 0;
    uint32_t sheetId = 0;
    if (!activeSheetId(sheetId)) return 1;
    for (int d = 0; d <= k; ++d) {
        std::string title = d < k ? kTitleDim + std::to_string(d + 1) : kTitleValue;
        RefValue ref(sheetId, 0, gInstance.dbFirstCol + (k + 1) * block + d);
        if (CallHost(xlSet, nullptr, 2, ref.get(), ScratchString(title.data())) != xlretSuccess)
            return 1;
    }
    return 0;
}

bool drawTableValues(RanrotGenerator& rg, RanrotGenerator& rg2, const TableParams& params,
                     std::vector<double>& values) {
    if (rg.failed() || rg2.failed()) return false;
    const int64_t n = int64_t(values.size());
    std::fill(values.begin(), values.end(), -1.0);
    int64_t zeros = int64_t(std::floor(params.pzeroinp / 100.0 * double(n) + 0.5));
    if (zeros > n) zeros = n;
    for (int64_t placed = 0; placed < zeros;) {
        const int32_t c = rg2.nextInRange(0, int32_t(n - 1));
        if (rg2.failed()) return false;
        if (values[size_t(c)] != 0) {
            values[size_t(c)] = 0;
            ++placed;
        }
    }
    int32_t low = 0, high = 0;
    if (params.randint == 1 && !integerRange(params, low, high)) return false;
    for (double& v : values) {
        if (v == 0) continue;
        v = params.randint == 1 ? double(rg.nextInRange(low, high))
                                : params.from + rg.nextDouble() * (params.to - params.from);
        if (rg.failed()) return false;
    }
    return true;
}

std::optional<std::vector<double>> writeTable(const TupleTable& tuples, const TableParams& params,
                                              const std::vector<std::string>* labels,
                                              const std::vector<double>* givenValues,
                                              TableWriteFailure* failure) {
    TableWriteFailure ignored;
    TableWriteFailure& why = failure ? *failure : ignored;
    why = TableWriteFailure::None;
    tooBigShown = false;
    ShowStatus(kStatusWritingResults);
    const int k = tuples.k;
    const int32_t n = tuples.count;
    if (!givenValues && parameterProblem(params)) {
        why = TableWriteFailure::BadRequest;
        return {};
    }
    int64_t labelCount = 0;
    for (int d = 0; d < k; ++d) labelCount += tuples.dim[size_t(d)];
    if ((givenValues && givenValues->size() != size_t(n)) ||
        (labels && labels->size() != size_t(labelCount))) {
        why = TableWriteFailure::BadRequest;
        return {};
    }
    RanrotGenerator rg(params.seed), rg2(params.zeroseed);
    std::vector<double> values;
    try {
        values.resize(size_t(n));
    } catch (const std::bad_alloc&) {
        why = TableWriteFailure::NoMemory;
        return {};
    }
    if (writeTitles(k, 0) != 0) {
        why = TableWriteFailure::Titles;
        return {};
    }
    uint32_t sheetId = 0;
    if (!activeSheetId(sheetId)) {
        why = TableWriteFailure::NoSheet;
        return {};
    }
    if (givenValues) {
        values = *givenValues;
    } else if (!drawTableValues(rg, rg2, params, values)) {
        why = TableWriteFailure::Generator;
        return {};
    }

    bool writing = true;
    auto stopWriting = [&writing] {
        reportTableBeyondSheet();
        writing = false;
    };
    for (int32_t i = 0; i < n && writing; ++i) {
        if (!tablePlace(i, k, k).onSheet()) {
            stopWriting();
            break;
        }
        int64_t offset = 0;
        for (int d = 0; d < k; ++d) {
            const TablePlace at = tablePlace(i, k, d);
            if (labels) {
                writeLabel(sheetId, at, (*labels)[size_t(offset + tuples.at(i, d) - 1)]);
                offset += tuples.dim[size_t(d)];
            } else {
                RefValue ref(sheetId, at.row, at.col);
                CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(tuples.at(i, d)));
            }
        }
        const TablePlace at = tablePlace(i, k, k);
        RefValue ref(sheetId, at.row, at.col);
        CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(values[size_t(i)]));

        // The last row of a block is written: the next block opens.
        const int64_t block = i / kBlockPositions;
        if (i - kBlockPositions * block == kBlockPositions - 1) {
            const int64_t nextValueCol = gInstance.dbFirstCol + int64_t(k + 1) * (block + 1) + k;
            if (nextValueCol > kLastSheetCol)
                stopWriting();
            else if (writeTitles(k, int(block + 1)) != 0)
                ShowStatus(kStatusCantWriteTitles);
        }
    }
    gInstance.maxCol = k + 1;
    gInstance.maxRow = n;
    return values;
}
