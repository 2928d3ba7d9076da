// Writing a workbook into the package it was read from: every part the host
// does not model passes through unchanged; the sheets' cell data, sheet names
// (wherever the package names them), the parts lists and the calculation
// settings are what changes.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "host/state.h"
#include "host/xml_pull.h"

namespace host {

// Original sheet name (compared without regard to case) -> its new name.
using SheetRenames = std::map<std::string, std::string, CaseLess>;

// The formula text with every sheet prefix of a renamed sheet ("Old!",
// "'Old name'!") naming the new one; texts in quotes and references into
// other files stay as they are.
std::string renameSheetsInFormula(const std::string& text, const SheetRenames& renames);

struct SheetPatch {
    Model* model = nullptr;
    Sheet* sheet = nullptr;
    const SheetRenames* renames = nullptr;
    // Reads the sheet's formulas as the file wrote them (sheet names as in
    // the package), resolved to the sheets of the workbook being written.
    SheetResolver original;
};

// Copies a worksheet part from `in` to `out` with the sheet's cells as the
// model holds them now. False with a reason when the part cannot be read.
bool patchWorksheet(const SheetPatch& p, XmlPull& in, std::FILE* out, std::string& error);
// A worksheet part holding only the sheet's cells (for sheets the package
// does not have).
bool newWorksheet(const SheetPatch& p, std::FILE* out, std::string& error);

// Writes the workbook with its source package to `path`.
bool writePackageXlsx(Model& m, Workbook& book, const std::string& path, std::string& error);

}  // namespace host
