// Instance files: whatever the bytes, the load either builds a consistent
// instance or refuses and leaves none; a loaded instance saved again loads.
#include <map>
#include <set>

#include "files/instance_file.h"
#include "fuzz/targets.h"
#include "host/host.h"
#include "instance/instance.h"

namespace fuzz {

namespace {

// The instance the reader built agrees with its counters and its index.
void checkLoaded(InstanceFormat format) {
    const InstanceState& s = gInstance;
    std::set<const Cell*> cells;
    long ncells = 0;
    for (const Cell* c = s.cellList; c; c = c->next, ++ncells) {
        cells.insert(c);
        if (!c->name) fail("a loaded cell has a name");
        if (format == InstanceFormat::Qtb && cellAt(c->sheet, c->row, c->col) == nullptr)
            fail("every .qtb cell is found at its position");
    }
    if (ncells != s.ncells) fail("ncells counts the cell list", std::to_string(ncells));
    std::map<const Cell*, long> uses;
    long nsums = 0;
    for (const Sum* sum = s.sumList; sum; sum = sum->next, ++nsums) {
        long terms = 0;
        for (const SumTerm* t = sum->terms; t; t = t->next, ++terms) {
            if (!cells.count(t->cell)) fail("every term names a cell of the list");
            if (t->coef != 1 && t->coef != -1) fail("coefficients are 1 or -1");
            ++uses[t->cell];
        }
        if (terms != sum->termCount) fail("termCount counts the terms of a sum");
    }
    if (nsums != s.nsums) fail("nsums counts the sum list");
    for (const Cell* c = s.cellList; c; c = c->next)
        if (c->useCount != uses[c]) fail("useCount counts the terms that name the cell");
    if (s.sheetCount < 1) fail("a loaded instance spans at least one sheet");
}

void unloadAndCheck() {
    unloadInstance();
    if (instanceRecordsOutstanding() != 0) fail("an unloaded instance leaves no record");
    host::clearJournal();
}

}  // namespace

void instanceFile(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("input.qtb");
    static const std::string again = scratchPath("again.qtb");
    unloadAndCheck();
    gOptions = RoundingOptions{};
    writeScratch(path, data, size);
    bool opened = false;
    const InstanceFormat format = instanceFileFormat(path, opened);
    if (!opened) fail("the scratch file opens");
    if (format == InstanceFormat::Unknown) return;
    if (readInstanceFile(path, format) != 0) {
        if (gInstance.cellList || gInstance.sumList || gInstance.ncells || gInstance.nsums)
            fail("a refused file leaves no instance");
        unloadAndCheck();
        return;
    }
    checkLoaded(format);
    const int32_t cells = gInstance.ncells, sums = gInstance.nsums;
    // Saved in the same format and loaded again: the same counts. Values are
    // written with six decimals, so a sum that balanced only within the
    // tolerance may now fail its check; that refusal is sound.
    if (writeInstanceFile(again, format) != 0) fail("a loaded instance can be saved");
    unloadAndCheck();
    if (readInstanceFile(again, format) == 0) {
        checkLoaded(format);
        if (gInstance.ncells != cells || gInstance.nsums != sums)
            fail("a saved instance loads with the same counts");
    }
    unloadAndCheck();
}

}  // namespace fuzz
