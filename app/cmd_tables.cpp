// Tables that are not worksheet tables, on the command line: a random
// k-dimensional table made through the random instance dialog (generate), and
// the cross-classified table of a database-style list (import); each can be
// rounded at once.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/capture_flags.h"
#include "app/commands.h"
#include "app/options_flags.h"
#include "app/run_report.h"
#include "gui/dialog.h"
#include "gui/driver.h"
#include "host/host.h"
#include "random/rinst_dialog.h"

namespace app {
namespace {

struct TableArgs {
    std::vector<std::string> positional;
    std::string out, output, select;
    std::string seed, zeroSeed, from, to, zeros;
    bool real = false, newWorkbook = false, round = false, json = false;
    OptionFlags flags;
};

bool isDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool parseTableArgs(std::vector<std::string> words, bool generate, TableArgs& a,
                    std::string& error) {
    error = refuseCaptureFlags(words, generate ? "generate" : "import");
    if (!error.empty()) return false;
    if (!takeOptionFlags(words, a.flags, error)) return false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= words.size()) {
                error = w + " needs a value";
                return false;
            }
            into = words[++i];
            return true;
        };
        // The dialog's boxes take digits only: so do these flags.
        auto digits = [&](std::string& into) {
            if (!value(into)) return false;
            if (isDigits(into)) return true;
            error = w + " takes a whole number of at least 0 (digits only), not \"" + into + "\"";
            return false;
        };
        bool ok = true;
        if (w == "--out")
            ok = value(a.out);
        else if (w == "-o")
            ok = value(a.output);
        else if (w == "--round")
            a.round = true;
        else if (w == "--json")
            a.json = true;
        else if (!generate && w == "--select")
            ok = value(a.select);
        else if (generate && w == "--seed")
            ok = digits(a.seed);
        else if (generate && w == "--zero-seed")
            ok = digits(a.zeroSeed);
        else if (generate && w == "--from")
            ok = digits(a.from);
        else if (generate && w == "--to")
            ok = digits(a.to);
        else if (generate && w == "--zeros")
            ok = digits(a.zeros);
        else if (generate && w == "--real")
            a.real = true;
        else if (generate && w == "--new-workbook")
            a.newWorkbook = true;
        else if (w.size() > 1 && w[0] == '-') {
            error = "unknown option " + w;
            return false;
        } else {
            a.positional.push_back(w);
        }
        if (!ok) return false;
    }
    std::vector<FlagRefusal> refusals = {kKeepLoadedRefusal};
    if (!a.round) refusals = refuseAllRoundingFlags("applies to a rounding: add --round");
    if (generate)
        refusals.push_back({"--refresh-pivot",
                            "rebuilds the pivot table of a database-style list, and a generated "
                            "table has none"});
    error = refusedFlag(a.flags, refusals);
    if (!error.empty()) return false;
    if (generate && a.newWorkbook) {
        error =
            "--new-workbook changes nothing here: generate always makes its table in a "
            "workbook of its own, saved as -o BOOK.xlsx (the box is for the dialog in a "
            "script or the shell)";
        return false;
    }
    if (generate && !a.zeroSeed.empty() && a.zeros.find_first_not_of('0') == std::string::npos) {
        error = "--zero-seed places the zero cells: give --zeros P (more than 0) with it";
        return false;
    }
    return true;
}

// Whole numbers separated by commas or blanks, as the dialog reads its
// categories box; anything else (3x4) would be read as another table.
bool isCategoryList(const std::string& dims) {
    bool number = false;
    for (char c : dims) {
        if (c >= '0' && c <= '9')
            number = true;
        else if (c != ',' && c != ' ')
            return false;
    }
    return number;
}

// The numbers of a text as a category list: "3x4" gives "3,4".
std::string categoryListLike(const std::string& dims) {
    std::string out;
    bool gap = false;
    for (char c : dims) {
        if (c >= '0' && c <= '9') {
            if (gap && !out.empty()) out += ',';
            out += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return out.empty() ? "3,4,5" : out;
}

int usage(const std::string& command, const std::string& error) {
    std::cerr << "quorant " << command << ": " << error << "\n  usage: quorant "
              << commands()[command].usage << "\n";
    return 2;
}

bool makeFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (std::filesystem::is_directory(dir, ec)) return true;
    std::cerr << "quorant: cannot make the output folder " << dir << "\n";
    return false;
}

// Plays the user on the random instance dialog through the session's driver
// and reads the dialog's result line before the dialog is gone.
class GenerateWatcher : public gui::UiDriver {
  public:
    explicit GenerateWatcher(gui::UiDriver& inner) : inner_(inner) {}
    bool generated = false;

    void runModal(gui::ModalWindow& window) override {
        inner_.runModal(window);
        if (std::string(window.className()) != "RInstDialog") return;
        gui::Dialog* d = window.currentForm();
        generated = d != nullptr && d->itemText(rinst::kResult) == kResultGenerated;
    }
    int messageBox(const std::string& text, const std::string& caption, int type) override {
        return inner_.messageBox(text, caption, type);
    }
    void runFileDialog(gui::FileDialog& dialog) override { inner_.runFileDialog(dialog); }
    void showHelp(const std::string& path, int context, const std::string* contents) override {
        inner_.showHelp(path, context, contents);
    }

  private:
    gui::UiDriver& inner_;
};

void setField(drivers::AnswerDriver& driver, int id, const std::string& text) {
    if (!text.empty())
        driver.addValue("RInstDialog", drivers::ControlValue{"", std::to_string(id), text});
}

int generateCommand(const std::vector<std::string>& words, bool quiet) {
    TableArgs a;
    std::string error;
    if (!parseTableArgs(words, true, a, error)) return usage("generate", error);
    if (a.positional.size() != 1) return usage("generate", "give the categories, as in 3,4,5");
    std::string dims = a.positional[0];
    if (!isCategoryList(dims)) {
        return usage("generate", "\"" + dims +
                                     "\" is not a list of categories: give the number of "
                                     "categories of each dimension separated by commas, as in " +
                                     categoryListLike(dims));
    }
    std::string name = "random-" + dims;
    for (char& c : name)
        if (c == ',' || c == ' ') c = 'x';
    std::string path =
        a.output.empty() ? (a.out.empty() ? "." : a.out) + "/" + name + ".xlsx" : a.output;
    std::string dir, stem;
    splitPath(path, dir, stem);
    if (!a.out.empty()) dir = a.out;
    const std::string bookDir = std::filesystem::path(path).parent_path().string();
    if (!makeFolder(dir) || !makeFolder(bookDir.empty() ? "." : bookDir)) return 1;

    CommandSession session(quiet, a.json);
    if (!session.ready()) return 1;
    if (a.round) applyOptionFlags(a.flags, session.driver());
    drivers::AnswerDriver& driver = session.driver();
    setField(driver, rinst::kCategories, dims);
    setField(driver, rinst::kSeed, a.seed);
    setField(driver, rinst::kFrom, a.from);
    setField(driver, rinst::kTo, a.to);
    setField(driver, rinst::kZeros, a.zeros);
    setField(driver, rinst::kZeroSeed, a.zeroSeed);
    if (a.real) setField(driver, rinst::kIntegers, "off");
    if (a.newWorkbook) setField(driver, rinst::kNewWorkbook, "on");
    setField(driver, rinst::kGenerate, "click");

    // The dialog writes into the active sheet: there is one to start with.
    host::newWorkbook();
    RunReport report;
    GenerateWatcher watcher(driver);
    {
        gui::ScopedDriver active(&watcher);
        session.run("QTBTXfGenerate", report);
    }
    if (!watcher.generated) {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
        return session.finish(report, "generate");
    }
    return session.finishTable(host::activeWorkbook(), path, "generated table", a.round, dir, stem,
                               report, "generate");
}

int importCommand(const std::vector<std::string>& words, bool quiet) {
    TableArgs a;
    std::string error;
    if (!parseTableArgs(words, false, a, error)) return usage("import", error);
    if (a.positional.size() != 1) return usage("import", "name one workbook");
    if (a.select.empty()) return usage("import", "say which block holds the list with --select");
    const std::string book = a.positional[0];
    std::string dir, stem;
    splitPath(book, dir, stem);
    if (!a.out.empty()) dir = a.out;
    std::string path = a.output.empty() ? dir + "/" + stem + "-table.xlsx" : a.output;
    if (outputIsInput("import", path, book)) return 2;
    const std::string tableDir = std::filesystem::path(path).parent_path().string();
    if (!makeFolder(dir) || !makeFolder(tableDir.empty() ? "." : tableDir)) return 1;

    CommandSession session(quiet, a.json);
    if (!session.ready()) return 1;
    if (a.round) applyOptionFlags(a.flags, session.driver());
    if (!host::openWorkbook(book, error)) {
        std::cerr << "quorant import: " << error << "\n";
        return 1;
    }
    if (a.flags.has("--refresh-pivot") && !host::holdsPivotTable(host::activeWorkbook()))
        return usage("import",
                     "--refresh-pivot rebuilds the pivot table of the list's sheet, and " + book +
                         " holds no pivot table");
    if (!selectBlock(a.select, error)) {
        std::cerr << "quorant import: cannot select " << a.select << ": " << error << "\n";
        return 1;
    }
    return session.readList(path, a.round, dir, stem, "import");
}

}  // namespace

REGISTER_COMMAND("generate",
                 "generate DIMS [--seed N] [--zero-seed N] [--from A] [--to B] [--zeros P] "
                 "[--real] [--new-workbook] [-o BOOK.xlsx] [--round] [--out DIR] [--json] "
                 "[options]",
                 "make a random table with all its marginal totals (DIMS: categories per\n"
                 "dimension, as in 3,4,5) through the random instance dialog and save it\n"
                 "(default random-DIMS.xlsx); with --round round it as round does",
                 generateCommand);
REGISTER_COMMAND("import",
                 "import BOOK.xlsx --select 'Sheet1!A1:C40' [-o TABLE.xlsx] [--round] [--out DIR] "
                 "[--json] [options]",
                 "read a database-style list (label columns, then a value column; a header\n"
                 "row is recognised) into its cross-classified table with all totals, saved\n"
                 "as STEM-table.xlsx; with --round round it as round does",
                 importCommand);

}  // namespace app
