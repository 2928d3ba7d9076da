// Copies of cell values that a package keeps outside the sheets: the caches of
// charts, the items and records of pivot caches. A copy of a workbook whose
// cells changed must not carry the old values in them. Where a reference
// resolves to cells of the workbook, the copy is written again from the
// values the cells hold now; where it cannot be, the cached values are
// removed, the spreadsheet program builds them again when it opens the file,
// and the part is named (the program says so in its notes).
#pragma once

#include <map>
#include <memory>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "host/state.h"

namespace host {

// References as the package writes them (sheet names as they were read),
// resolved to the cells of the workbook being written.
class PackageCells {
  public:
    struct Area {
        Sheet* sheet = nullptr;
        Rect rect;
    };
    enum class Resolved { Cells, External, Unknown };

    PackageCells(Model& m, Workbook& book, SheetResolver original);
    // A defined name of the package (as in its workbook part); localSheet is
    // the position of its sheet in the package, or -1.
    void addName(const std::string& name, const std::string& formula, int localSheet);
    // An Excel table of the package: its name and the cells it covers.
    void addTable(const std::string& name, const std::string& sheet, const std::string& ref);

    // A reference text as charts and pivot caches hold it: "Sheet!$B$3:$B$6",
    // "'My sheet'!B3", a union "(Sheet!A1:A3,Sheet!A5)", a defined name or a
    // table name. References into other files are External; anything else
    // that does not name cells of this workbook is Unknown. Whole rows and
    // columns end at the sheet's last used cell.
    Resolved resolve(const std::string& text, std::vector<Area>& out) const;

    // Whether any cell of the areas, or anything it is computed from,
    // changed since the file was read (an emptied cell counts).
    bool touched(const std::vector<Area>& areas) const;
    // The value a cell holds now; kErrUnknown for a result the host cannot
    // compute; nil for an empty cell.
    Value value(Sheet& s, int row, int col) const;
    // Whether any cell of the workbook changed since it was read.
    bool bookChanged() const { return bookChanged_; }
    // The workbook's sheet that the package names `name`, or null.
    Sheet* sheetNamed(const std::string& name) const;

  private:
    Model& m_;
    Workbook& book_;
    SheetResolver original_;
    bool bookChanged_ = false;
    struct Name {
        std::string formula;
        int localSheet = -1;
    };
    std::multimap<std::string, Name> names_;                             // key: lower-case name
    std::map<std::string, std::pair<std::string, std::string>> tables_;  // lower-case name

    Resolved resolveOne(const std::string& text, std::vector<Area>& out, int depth) const;
    Resolved resolveName(const std::string& sheet, const std::string& name, std::vector<Area>& out,
                         int depth) const;
};

enum class CacheOutcome {
    Kept,       // nothing to change
    Rewritten,  // written again from the cells' values
    Cleared     // some cached values removed, left for the spreadsheet program
};
CacheOutcome worse(CacheOutcome a, CacheOutcome b);

// The caches of a chart part (c:numCache, c:strCache, c:multiLvlStrCache,
// data label ranges, and the data levels of chart extensions).
CacheOutcome refreshChartCaches(const PackageCells& cells, pugi::xml_node root);

class ZipFile;

// What saving a workbook into its package changes in the parts that keep
// copies of cell values.
struct CachePlan {
    std::map<std::string, std::string> replaced;  // lower-case part name -> its new text
    std::vector<std::string> cleared;             // parts left for the spreadsheet program
    // Cells written without their value (the output of a pivot table whose
    // cache was rebuilt, which the spreadsheet program fills again).
    std::map<const Sheet*, std::set<uint32_t>> blanked;
};

// Reading the parts of a package for the plan.
struct PackageParts {
    const ZipFile& zip;
    bool load(const std::string& part, pugi::xml_document& doc) const;
    static std::string serialize(const pugi::xml_document& doc);
    // The relationships of a part with targets inside the package: (type, part).
    std::vector<std::pair<std::string, std::string>> related(const std::string& part) const;
    // The parts the content types give the type.
    std::vector<std::string> ofType(const char* contentType) const;
};

// A pivot table of the package: its part, the sheet it fills and where.
struct PivotTablePart {
    std::string part;
    Sheet* sheet = nullptr;
    Rect location;
    pugi::xml_node root;  // of `doc`
    std::shared_ptr<pugi::xml_document> doc;
};

// A pivot cache (definition and records) whose source holds changed cells,
// written again from the cells; the cells its tables fill are written
// without values, and the spreadsheet program fills them again.
void refreshPivotCache(const PackageCells& cells, const PackageParts& parts,
                       const std::string& definition, const std::vector<PivotTablePart>& tables,
                       CachePlan& plan);

// Finds the parts of the package that keep copies of cells changed since
// the workbook was read and says how to write them. `original` resolves
// sheet names as the package writes them.
bool planCaches(Model& m, Workbook& book, const ZipFile& zip, const SheetResolver& original,
                CachePlan& plan, std::string& error);

}  // namespace host
