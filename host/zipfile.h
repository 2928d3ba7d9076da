// Reading the parts of a zip package (an .xlsx file) with size limits.
#pragma once

#include <string>

struct zip;

namespace host {

// No part may unpack to more than this, nor all parts together.
constexpr unsigned long long kMaxUnpackedBytes = 512ull << 20;

class ZipFile {
  public:
    ZipFile() = default;
    ~ZipFile();
    ZipFile(const ZipFile&) = delete;
    ZipFile& operator=(const ZipFile&) = delete;

    // Opens the package and checks the unpacked sizes of its parts.
    bool open(const std::string& path, std::string& error);
    bool has(const std::string& part) const;
    // Reads a whole part ("xl/workbook.xml"); the name is matched exactly,
    // then without regard to letter case.
    bool read(const std::string& part, std::string& out, std::string& error) const;

  private:
    struct zip* zip_ = nullptr;
    long long locate(const std::string& part) const;
};

// The part a relationship target names, seen from the part that holds the
// relationships: "worksheets/sheet1.xml" from "xl/workbook.xml" is
// "xl/worksheets/sheet1.xml"; "/xl/x.xml" is absolute; ".." steps up.
std::string resolvePartName(const std::string& fromPart, const std::string& target);
// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string relationshipsPart(const std::string& part);

}  // namespace host
