// Reading the parts of a zip package (an .xlsx file) with size limits.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/xml_pull.h"

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

    // Opens the package and checks the unpacked sizes of its parts and that
    // no part name stands twice. The file is read into memory once (it stays
    // available through bytes(), for writing the package again).
    bool open(const std::string& path, std::string& error);
    bool openBytes(std::shared_ptr<const std::string> bytes, std::string& error);
    const std::shared_ptr<const std::string>& bytes() const { return bytes_; }
    // The names of the entries in the order of the archive.
    std::vector<std::string> names() const;
    bool has(const std::string& part) const;
    // Reads a whole part ("xl/workbook.xml"); the name is matched exactly,
    // then without regard to letter case.
    bool read(const std::string& part, std::string& out, std::string& error) const;

    // A source for XmlPull that unpacks the part piece by piece (the
    // ZipFile must outlive it); null with an error when it cannot be opened.
    XmlPull::Source stream(const std::string& part, std::string& error) const;
    struct zip* handle() const { return zip_; }

  private:
    struct zip* zip_ = nullptr;
    std::shared_ptr<const std::string> bytes_;
    long long locate(const std::string& part) const;
};

// The part a relationship target names, seen from the part that holds the
// relationships: "worksheets/sheet1.xml" from "xl/workbook.xml" is
// "xl/worksheets/sheet1.xml"; "/xl/x.xml" is absolute; ".." steps up.
std::string resolvePartName(const std::string& fromPart, const std::string& target);
// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string relationshipsPart(const std::string& part);

}  // namespace host
