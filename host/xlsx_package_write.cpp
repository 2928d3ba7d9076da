// The package of a workbook read from a file, written again: parts the host
// does not model are copied as they were; the workbook part gets the sheet
// list and names as they are now and asks for a full calculation on loading;
// the calculation chain is dropped (it lists the cells of the old formulas);
// the relationships and content types follow sheets added or removed; parts
// that name sheets in formulas (charts, tables, pivot caches) follow renamed
// sheets.
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "host/address.h"
#include "host/xlsx_caches.h"
#include "host/xlsx_package.h"
#include "host/zipfile.h"

namespace host {

namespace {

const char* localPart(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

const char* const kWorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char* const kWorksheetContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const char* localName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

// A relationship to the calculation chain, told by the end of its type as the
// reader tells every relationship (a type that merely holds the word is not).
bool isCalcChainType(const char* type) {
    static constexpr char kTail[] = "/calcChain";
    const size_t n = std::strlen(type), t = sizeof kTail - 1;
    return n >= t && std::strcmp(type + n - t, kTail) == 0;
}

pugi::xml_node child(pugi::xml_node n, const char* name) {
    for (pugi::xml_node c : n.children())
        if (std::strcmp(localName(c.name()), name) == 0) return c;
    return {};
}

pugi::xml_attribute attribute(pugi::xml_node n, const char* name) {
    for (pugi::xml_attribute a : n.attributes())
        if (std::strcmp(localName(a.name()), name) == 0) return a;
    return {};
}

std::string serialize(const pugi::xml_document& doc) {
    std::ostringstream s;
    doc.save(s, "", pugi::format_raw | pugi::format_no_declaration);
    return s.str();  // with the declaration the part had
}

bool parse(const std::string& text, pugi::xml_document& doc) {
    return doc.load_buffer(
        text.data(), text.size(),
        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
}

// Renames in the formula texts of a part's elements (charts, tables, pivot
// caches); false when nothing changed.
bool renameInTree(pugi::xml_node n, const SheetRenames& renames) {
    bool changed = false;
    for (pugi::xml_node c : n.children()) {
        const char* name = localName(c.name());
        if (c.type() == pugi::node_element &&
            (!std::strcmp(name, "f") || !std::strcmp(name, "formula") ||
             !std::strcmp(name, "calculatedColumnFormula") ||
             !std::strcmp(name, "totalsRowFormula"))) {
            std::string text = c.child_value();
            std::string renamed = renameSheetsInFormula(text, renames);
            if (renamed != text) {
                c.text().set(renamed.c_str());
                changed = true;
            }
        }
        if (!std::strcmp(name, "worksheetSource"))
            if (pugi::xml_attribute a = attribute(c, "sheet")) {
                auto it = renames.find(a.value());
                if (it != renames.end()) {
                    a.set_value(it->second.c_str());
                    changed = true;
                }
            }
        changed = renameInTree(c, renames) || changed;
    }
    return changed;
}

class PackageWriter {
  public:
    PackageWriter(Model& m, Workbook& book) : m_(m), book_(book), pkg_(*book.package) {}

    bool write(const std::string& path, std::string& error) {
        if (!src_.openBytes(pkg_.bytes, error)) return false;
        plan();
        if (!planCaches(m_, book_, src_, originalResolver(), caches_, error)) return false;
        int code = 0;
        out_ = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (!out_) {
            error = "the file cannot be created";
            return false;
        }
        bool ok = parts(error);
        if (ok && zip_close(out_) != 0) {
            error = std::string("the package cannot be written: ") + zip_strerror(out_);
            ok = false;
        }
        if (!ok) zip_discard(out_);
        out_ = nullptr;
        if (ok) book_.cachesCleared = caches_.cleared;
        return ok;
    }

  private:
    Model& m_;
    Workbook& book_;
    const SourcePackage& pkg_;
    ZipFile src_;
    zip_t* out_ = nullptr;
    std::vector<int> sourceOf_;           // per model sheet: package sheet, or -1
    std::vector<std::string> newParts_;   // per model sheet: part of a new sheet
    std::vector<std::string> newRelIds_;  // per model sheet: its new relationship
    std::set<std::string> droppedParts_;  // lower-case part names not written
    std::string calcChain_;               // the calculation chain part, if any
    SheetRenames renames_;
    std::map<std::string, uint32_t, CaseLess> originalIds_;  // original name -> sheet id
    CachePlan caches_;  // parts that keep copies of cell values, written again

    // Which package sheet each model sheet writes, renames, removed and new sheets.
    void plan() {
        std::set<int> used;
        for (auto& s : book_.sheets) {
            int src = s->source;
            if (src < 0 || src >= static_cast<int>(pkg_.sheets.size()) || used.count(src)) src = -1;
            // A sheet the package holds no worksheet part for (its part is
            // missing, or it is a chart sheet) cannot take cells: with cells
            // it is written as a new sheet.
            if (src >= 0 && (pkg_.sheets[src].part.empty() ||
                             (!pkg_.sheets[src].worksheet && !s->cells.empty())))
                src = -1;
            if (src >= 0) {
                used.insert(src);
                const std::string& old = pkg_.sheets[src].name;
                if (old != s->name) renames_[old] = s->name;
                originalIds_[old] = s->id;
            }
            sourceOf_.push_back(src);
        }
        // A sheet left out takes its part along, unless that part is the
        // workbook itself (a damaged relationship can point a sheet there).
        for (size_t i = 0; i < pkg_.sheets.size(); ++i)
            if (!used.count(static_cast<int>(i)) && !pkg_.sheets[i].part.empty() &&
                lower(pkg_.sheets[i].part) != lower(pkg_.workbookPart)) {
                droppedParts_.insert(lower(pkg_.sheets[i].part));
                droppedParts_.insert(lower(relationshipsPart(pkg_.sheets[i].part)));
            }
        std::set<std::string> names;
        for (const std::string& n : src_.names()) names.insert(lower(n));
        int number = 1;
        for (size_t i = 0; i < sourceOf_.size(); ++i) {
            std::string part, rel;
            if (sourceOf_[i] < 0) {
                do {
                    part = "xl/worksheets/sheet" + std::to_string(number++) + ".xml";
                } while (names.count(lower(part)));
                names.insert(lower(part));
                rel = "rIdQ" + std::to_string(i + 1);
            }
            newParts_.push_back(part);
            newRelIds_.push_back(rel);
        }
    }

    SheetResolver originalResolver() {
        return [this](const std::string& book, const std::string& sheet, uint32_t& id) {
            if (!book.empty()) return false;
            auto it = originalIds_.find(sheet);
            if (it == originalIds_.end()) return false;
            id = it->second;
            return true;
        };
    }

    bool addBuffer(const std::string& name, std::string data, std::string& error) {
        void* copy = std::malloc(data.size() ? data.size() : 1);
        if (!copy) {
            error = "out of memory";
            return false;
        }
        std::memcpy(copy, data.data(), data.size());
        zip_source_t* s = zip_source_buffer(out_, copy, data.size(), 1);
        if (!s) {
            std::free(copy);
            error = "the package cannot be written";
            return false;
        }
        return add(name, s, error);
    }

    // The time of an entry: the one the package gave the part, else the time
    // SOURCE_DATE_EPOCH gives, else 1980-01-01; never the clock's, so that
    // the same workbook always gives the same bytes.
    time_t entryTime(const std::string& name) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(zipOf(), name.c_str(), 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME))
            return st.mtime;
        const char* text = std::getenv("SOURCE_DATE_EPOCH");
        if (text && *text && std::strspn(text, "0123456789") == std::strlen(text) &&
            std::strlen(text) <= 12 && std::atoll(text) > 0)
            return static_cast<time_t>(std::atoll(text));
        return 315532800;
    }

    bool add(const std::string& name, zip_source_t* s, std::string& error) {
        zip_int64_t i = zip_file_add(out_, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            error = std::string("the part ") + name + " cannot be added: " + zip_strerror(out_);
            return false;
        }
        zip_set_file_compression(out_, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 6);
        zip_file_set_mtime(out_, static_cast<zip_uint64_t>(i), entryTime(name), 0);
        return true;
    }

    // A worksheet written to a temporary file, which the package then reads.
    bool addSheet(const std::string& name, Sheet& sheet, const std::string* sourcePart,
                  std::string& error) {
        std::FILE* f = std::tmpfile();
        if (!f) {
            error = "no temporary file can be made";
            return false;
        }
        SheetPatch p;
        p.model = &m_;
        p.sheet = &sheet;
        p.renames = &renames_;
        p.original = originalResolver();
        if (auto it = caches_.blanked.find(&sheet); it != caches_.blanked.end())
            p.blanked = &it->second;
        bool ok;
        if (sourcePart) {
            XmlPull::Source s = src_.stream(*sourcePart, error);
            if (!s) {
                std::fclose(f);
                return false;
            }
            XmlPull in(std::move(s));
            ok = patchWorksheet(p, in, f, error);
        } else {
            ok = newWorksheet(p, f, error);
        }
        if (!ok || std::fflush(f) != 0 || std::fseek(f, 0, SEEK_SET) != 0) {
            std::fclose(f);
            if (ok) error = "a temporary file cannot be written";
            return false;
        }
        zip_source_t* s = zip_source_filep(out_, f, 0, -1);
        if (!s) {
            std::fclose(f);
            error = "the package cannot be written";
            return false;
        }
        return add(name, s, error);
    }

    bool parts(std::string& error) {
        std::map<std::string, int> sheetByPart;  // lower-case part -> model sheet
        for (size_t i = 0; i < sourceOf_.size(); ++i)
            if (sourceOf_[i] >= 0 && pkg_.sheets[sourceOf_[i]].worksheet)
                sheetByPart[lower(pkg_.sheets[sourceOf_[i]].part)] = static_cast<int>(i);
        const std::string workbookRels = relationshipsPart(pkg_.workbookPart);
        calcChain_ = findCalcChain(workbookRels);
        const std::vector<std::string> names = src_.names();
        for (size_t index = 0; index < names.size(); ++index) {
            const std::string& name = names[index];
            const std::string key = lower(name);
            if (droppedParts_.count(key) || (!calcChain_.empty() && key == lower(calcChain_)))
                continue;
            if (auto it = sheetByPart.find(key); it != sheetByPart.end()) {
                if (!addSheet(name, *book_.sheets[it->second], &name, error)) return false;
                continue;
            }
            std::string patched;
            bool changed = false;
            if (key == lower(pkg_.workbookPart)) {
                if (!workbookPart(name, patched, error)) return false;
                changed = true;
            } else if (key == lower(workbookRels)) {
                if (!relationships(name, patched, error)) return false;
                changed = true;
            } else if (key == "[content_types].xml") {
                if (!contentTypes(name, patched, error)) return false;
                changed = true;
            } else if (key == "docprops/app.xml" && sheetListChanged()) {
                changed = documentProperties(name, patched);
            } else if (auto it = caches_.replaced.find(key); it != caches_.replaced.end()) {
                patched = it->second;
                if (!renames_.empty() && namesSheets(key)) renamedPart(patched, patched);
                changed = true;
            } else if (!renames_.empty() && namesSheets(key)) {
                std::string text, ignored;
                changed = src_.read(name, text, ignored) && renamedPart(text, patched);
            }
            if (changed) {
                if (!addBuffer(name, patched, error)) return false;
                continue;
            }
            zip_source_t* s =
                zip_source_zip(out_, zipOf(), static_cast<zip_uint64_t>(index), 0, 0, -1);
            if (!s) {
                error = "the part " + name + " cannot be copied";
                return false;
            }
            if (!add(name, s, error)) return false;
        }
        for (size_t i = 0; i < sourceOf_.size(); ++i)
            if (sourceOf_[i] < 0 && !addSheet(newParts_[i], *book_.sheets[i], nullptr, error))
                return false;
        // Lists the package lacked are made, so that new sheets are found.
        std::set<std::string> have;
        for (const std::string& n : names) have.insert(lower(n));
        std::string made;
        if (!have.count(lower(workbookRels)) &&
            (!relationships("", made, error) || !addBuffer(workbookRels, made, error)))
            return false;
        if (!have.count("[content_types].xml") &&
            (!contentTypes("", made, error) || !addBuffer("[Content_Types].xml", made, error)))
            return false;
        return true;
    }

    zip_t* zipOf() { return src_.handle(); }

    static bool namesSheets(const std::string& key) {
        return key.rfind("xl/charts/", 0) == 0 || key.rfind("xl/tables/", 0) == 0 ||
               key.rfind("xl/pivotcache/", 0) == 0;
    }

    // Whether the copy's sheets are not the package's, in its order and names.
    bool sheetListChanged() const {
        if (!renames_.empty() || !droppedParts_.empty()) return true;
        for (size_t i = 0; i < sourceOf_.size(); ++i)
            if (sourceOf_[i] != static_cast<int>(i)) return true;
        return sourceOf_.size() != pkg_.sheets.size();
    }

    // The document properties list the sheets' titles (and names of ranges)
    // as they were; when the sheets differ, the lists go, and the
    // spreadsheet program writes them again when it saves the file.
    bool documentProperties(const std::string& name, std::string& out) {
        std::string text, ignored;
        pugi::xml_document doc;
        if (!src_.read(name, text, ignored) || !parse(text, doc)) return false;
        pugi::xml_node root = doc.document_element();
        bool removed = false;
        for (const char* list : {"HeadingPairs", "TitlesOfParts"}) {
            std::vector<pugi::xml_node> gone;
            for (pugi::xml_node c : root.children())
                if (c.type() == pugi::node_element && std::strcmp(localPart(c.name()), list) == 0)
                    gone.push_back(c);
            for (pugi::xml_node c : gone) removed = root.remove_child(c) || removed;
        }
        if (!removed) return false;
        out = serialize(doc);
        return true;
    }

    bool renamedPart(const std::string& text, std::string& out) {
        pugi::xml_document doc;
        if (!parse(text, doc)) return false;
        if (!renameInTree(doc, renames_)) return false;
        out = serialize(doc);
        return true;
    }

    std::string findCalcChain(const std::string& relsPart) {
        std::string text, ignored;
        pugi::xml_document doc;
        if (!src_.read(relsPart, text, ignored) || !parse(text, doc)) return "";
        for (pugi::xml_node r : child(doc, "Relationships").children()) {
            const char* type = attribute(r, "Type").value();
            if (isCalcChainType(type))
                return resolvePartName(pkg_.workbookPart, attribute(r, "Target").value());
        }
        return "";
    }

    bool load(const std::string& name, pugi::xml_document& doc, std::string& error) {
        std::string text;
        if (!src_.read(name, text, error)) return false;
        if (!parse(text, doc)) {
            error = "its part " + name + " cannot be read again";
            return false;
        }
        return true;
    }

    bool workbookPart(const std::string& name, std::string& out, std::string& error) {
        pugi::xml_document doc;
        if (!load(name, doc, error)) return false;
        pugi::xml_node wb = child(doc, "workbook");
        pugi::xml_node sheets = child(wb, "sheets");
        std::vector<pugi::xml_node> old;
        // The sheets as the reader takes them; other elements stay where they are.
        for (pugi::xml_node s : sheets.children())
            if (s.type() == pugi::node_element && std::strcmp(localName(s.name()), "sheet") == 0)
                old.push_back(s);
        std::string prefix = sheets.name();
        prefix = prefix.substr(0, prefix.find(':') == std::string::npos ? 0 : prefix.find(':') + 1);
        unsigned maxId = 0;
        for (pugi::xml_node s : old) maxId = std::max(maxId, attribute(s, "sheetId").as_uint());
        // The list anew, in the model's order.
        pugi::xml_document scratch;
        std::vector<int> position(pkg_.sheets.size(), -1);  // package sheet -> new position
        for (size_t i = 0; i < sourceOf_.size(); ++i) {
            Sheet& s = *book_.sheets[i];
            pugi::xml_node n;
            if (sourceOf_[i] >= 0 && sourceOf_[i] < static_cast<int>(old.size())) {
                n = scratch.append_copy(old[sourceOf_[i]]);
                position[sourceOf_[i]] = static_cast<int>(i);
            } else {
                n = scratch.append_child((prefix + "sheet").c_str());
                n.append_attribute("name");
                n.append_attribute("sheetId").set_value(++maxId);
                n.append_attribute("r:id").set_value(newRelIds_[i].c_str());
            }
            attribute(n, "name").set_value(s.name.c_str());
        }
        for (pugi::xml_node s : old) sheets.remove_child(s);
        for (pugi::xml_node n : scratch.children()) sheets.append_copy(n);
        // Defined names: sheet names in formulas, local names follow their sheet.
        if (pugi::xml_node dn = child(wb, "definedNames")) {
            std::vector<pugi::xml_node> gone;
            for (pugi::xml_node d : dn.children()) {
                if (d.type() != pugi::node_element) continue;
                std::string text = d.child_value();
                std::string renamed = renameSheetsInFormula(text, renames_);
                if (renamed != text) d.text().set(renamed.c_str());
                if (pugi::xml_attribute local = attribute(d, "localSheetId")) {
                    int at = local.as_int(-1);
                    int now = at >= 0 && at < static_cast<int>(position.size()) ? position[at] : -1;
                    if (now < 0)
                        gone.push_back(d);
                    else
                        local.set_value(now);
                }
            }
            for (pugi::xml_node d : gone) dn.remove_child(d);
        }
        if (pugi::xml_node view = child(child(wb, "bookViews"), "workbookView"))
            if (pugi::xml_attribute tab = attribute(view, "activeTab"))
                if (tab.as_int() >= static_cast<int>(book_.sheets.size())) tab.set_value(0);
        // The spreadsheet program computes every formula when it opens the file.
        pugi::xml_node calc = child(wb, "calcPr");
        if (!calc) {
            pugi::xml_node after = child(wb, "definedNames");
            if (!after) after = sheets;
            calc = wb.insert_child_after((prefix + "calcPr").c_str(), after);
        }
        pugi::xml_attribute full = attribute(calc, "fullCalcOnLoad");
        if (!full) full = calc.append_attribute("fullCalcOnLoad");
        full.set_value("1");
        out = serialize(doc);
        return true;
    }

    // The workbook's relationships; made anew when `name` is empty.
    bool relationships(const std::string& name, std::string& out, std::string& error) {
        pugi::xml_document doc;
        if (name.empty())
            doc.append_child("Relationships")
                .append_attribute("xmlns")
                .set_value("http://schemas.openxmlformats.org/package/2006/relationships");
        else if (!load(name, doc, error))
            return false;
        pugi::xml_node rels = child(doc, "Relationships");
        std::set<std::string> droppedIds;
        for (size_t i = 0; i < pkg_.sheets.size(); ++i)
            if (droppedParts_.count(lower(pkg_.sheets[i].part)))
                droppedIds.insert(pkg_.sheets[i].relId);
        std::vector<pugi::xml_node> gone;
        for (pugi::xml_node r : rels.children()) {
            if (r.type() != pugi::node_element) continue;
            if (isCalcChainType(attribute(r, "Type").value()) ||
                droppedIds.count(attribute(r, "Id").value()))
                gone.push_back(r);
        }
        for (pugi::xml_node r : gone) rels.remove_child(r);
        std::string prefix = rels.name();
        prefix = prefix.substr(0, prefix.find(':') == std::string::npos ? 0 : prefix.find(':') + 1);
        for (size_t i = 0; i < sourceOf_.size(); ++i) {
            if (sourceOf_[i] >= 0) continue;
            pugi::xml_node r = rels.append_child((prefix + "Relationship").c_str());
            r.append_attribute("Id").set_value(newRelIds_[i].c_str());
            r.append_attribute("Type").set_value(kWorksheetType);
            r.append_attribute("Target").set_value(("/" + newParts_[i]).c_str());
        }
        out = serialize(doc);
        return true;
    }

    // The content types; made anew when `name` is empty.
    bool contentTypes(const std::string& name, std::string& out, std::string& error) {
        pugi::xml_document doc;
        if (name.empty()) {
            pugi::xml_node t = doc.append_child("Types");
            t.append_attribute("xmlns").set_value(
                "http://schemas.openxmlformats.org/package/2006/content-types");
            pugi::xml_node d = t.append_child("Default");
            d.append_attribute("Extension").set_value("rels");
            d.append_attribute("ContentType")
                .set_value("application/vnd.openxmlformats-package.relationships+xml");
            d = t.append_child("Default");
            d.append_attribute("Extension").set_value("xml");
            d.append_attribute("ContentType").set_value("application/xml");
            pugi::xml_node o = t.append_child("Override");
            o.append_attribute("PartName").set_value(("/" + pkg_.workbookPart).c_str());
            o.append_attribute("ContentType")
                .set_value(
                    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
        } else if (!load(name, doc, error)) {
            return false;
        }
        pugi::xml_node types = child(doc, "Types");
        std::vector<pugi::xml_node> gone;
        for (pugi::xml_node o : types.children()) {
            if (std::strcmp(localName(o.name()), "Override") != 0) continue;
            std::string part = lower(resolvePartName("", attribute(o, "PartName").value()));
            if (droppedParts_.count(part) || (!calcChain_.empty() && part == lower(calcChain_)))
                gone.push_back(o);
        }
        for (pugi::xml_node o : gone) types.remove_child(o);
        std::string prefix = types.name();
        prefix = prefix.substr(0, prefix.find(':') == std::string::npos ? 0 : prefix.find(':') + 1);
        for (size_t i = 0; i < sourceOf_.size(); ++i) {
            if (sourceOf_[i] >= 0) continue;
            pugi::xml_node o = types.append_child((prefix + "Override").c_str());
            o.append_attribute("PartName").set_value(("/" + newParts_[i]).c_str());
            o.append_attribute("ContentType").set_value(kWorksheetContent);
        }
        out = serialize(doc);
        return true;
    }
};

}  // namespace

bool writePackageXlsx(Model& m, Workbook& book, const std::string& path, std::string& error) {
    return PackageWriter(m, book).write(path, error);
}

}  // namespace host
