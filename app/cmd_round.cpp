// The main job on the command line: round a workbook, load (and round) an
// instance file, save a workbook's instance.
#include <sys/stat.h>

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/capture_flags.h"
#include "app/commands.h"
#include "app/options_flags.h"
#include "app/run_report.h"
#include "gui/file_dialog.h"
#include "host/host.h"

namespace app {
namespace {

struct Args {
    std::vector<std::string> positional;
    std::string out;
    std::string output;    // -o
    std::string solution;  // --solution
    std::string select;    // --select
    bool json = false;
    bool round = false;
    OptionFlags flags;
    CaptureFlags capture;
};

// Parses the words of a command; `allowed` lists the command's own flags;
// `captures` says whether it captures a workbook (and so takes the capture
// flags).
bool parseArgs(std::vector<std::string> words, const std::vector<std::string>& allowed, Args& a,
               std::string& error, const std::string& command, bool captures = false) {
    if (captures) {
        if (!takeCaptureFlags(words, a.capture, error)) return false;
    } else if (!(error = refuseCaptureFlags(words, command)).empty()) {
        return false;
    }
    if (!takeOptionFlags(words, a.flags, error)) return false;
    auto permitted = [&](const std::string& f) {
        for (const auto& x : allowed)
            if (x == f) return true;
        return false;
    };
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
        if (w.rfind("-", 0) == 0 && !permitted(w)) {
            error = "unknown option " + w;
            return false;
        }
        if (w == "--out") {
            if (!value(a.out)) return false;
        } else if (w == "-o") {
            if (!value(a.output)) return false;
        } else if (w == "--solution") {
            if (!value(a.solution)) return false;
        } else if (w == "--select") {
            if (!value(a.select)) return false;
        } else if (w == "--json") {
            a.json = true;
        } else if (w == "--round") {
            a.round = true;
        } else {
            a.positional.push_back(w);
        }
    }
    return true;
}

bool makeFolder(const std::string& dir) {
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string partial;
    for (size_t i = 0; i <= dir.size(); ++i) {
        if (i == dir.size() || dir[i] == '/') {
            if (!partial.empty() && stat(partial.c_str(), &st) != 0 &&
                mkdir(partial.c_str(), 0777) != 0)
                return false;
        }
        if (i < dir.size()) partial += dir[i];
    }
    return true;
}

// After a capture: what it reported, for the summary, and the hint when it
// found no equation.
void takeCaptureSummary(CommandSession& session, RunReport& report) {
    const CaptureSummary summary = readCaptureSummary();
    if (!summary.present) return;
    report.extraJson = summary.json;
    report.notes = summary.lines;
    for (const std::string& alert : session.driver().alerts)
        if (alert == "There are no equations and therefore there is no QTB!")
            report.hints.push_back(noEquationsHint());
}

int usage(const std::string& command, const std::string& error) {
    std::cerr << "quorant " << command << ": " << error << "\n  usage: quorant "
              << commands()[command].usage << "\n";
    return 2;
}

// The folder for outputs: --out, else beside the input. Made when missing.
bool outputFolder(const Args& a, const std::string& input, std::string& dir, std::string& stem) {
    splitPath(input, dir, stem);
    if (!a.out.empty()) dir = a.out;
    if (!makeFolder(dir)) {
        std::cerr << "quorant: cannot make the output folder " << dir << "\n";
        return false;
    }
    return true;
}

int roundCommand(const std::vector<std::string>& words, bool quiet) {
    Args a;
    std::string error;
    if (!parseArgs(words, {"--out", "--json", "--select"}, a, error, "round", true))
        return usage("round", error);
    if (a.positional.size() != 1) return usage("round", "name one workbook");
    std::string refused = refusedFlag(a.flags, {kKeepLoadedRefusal});
    if (!refused.empty()) return usage("round", refused);
    const std::string book = a.positional[0];
    std::string dir, stem;
    if (!outputFolder(a, book, dir, stem)) return 1;

    CommandSession session(quiet, a.json);
    if (!session.ready()) return 1;
    applyOptionFlags(a.flags, session.driver());
    if (!applyCaptureFlags(a.capture, error)) {
        std::cerr << "quorant round: " << error << "\n";
        return 1;
    }
    if (!host::openWorkbook(book, error)) {
        std::cerr << "quorant round: " << error << "\n";
        return 1;
    }
    const bool pivot = host::holdsPivotTable(host::activeWorkbook());
    if (!pivot) {
        // Only a workbook with a pivot table is read as a list.
        if (!a.select.empty())
            return usage("round",
                         "--select names the database-style list of a workbook with a "
                         "pivot table, and " +
                             book +
                             " holds none: round reads the table of every sheet (to round "
                             "only a block of it, use --table; to read a list, use quorant "
                             "import --select)");
        refused = refusedFlag(a.flags, {{"--refresh-pivot",
                                         "rebuilds the pivot table of a "
                                         "database-style list, and " +
                                             book + " holds no pivot table"}});
        if (!refused.empty()) return usage("round", refused);
    }
    if (!a.select.empty() && !selectBlock(a.select, error)) {
        std::cerr << "quorant round: cannot select " << a.select << ": " << error << "\n";
        return 1;
    }
    if (pivot) {
        if (a.capture.any()) {
            std::cerr << "quorant round: " << book
                      << " holds a pivot table, so its table is read from a list: --find-totals, "
                         "--all-cells and --table do not apply\n";
            return 2;
        }
        // The one-step command reads such a workbook as a database-style list
        // from the selected block. Done here as import --round does it, so
        // that the table read is saved too and never taken for the rounding.
        const std::string table = dir + "/" + stem + "-table.xlsx";
        if (outputIsInput("round", table, book)) return 2;
        const std::string hint = book +
                                 " holds a pivot table, so its table is read from a "
                                 "database-style list: select the list's block with "
                                 "--select 'Sheet!A1:C40' (labels, then values)";
        return session.readList(table, true, dir, stem, "round", hint);
    }
    const auto before = host::windows();
    RunReport report;
    report.capturedBook = host::activeWorkbook();
    if (session.run("QTBTXfOne", report) && report.outcome == RunOutcome::Rounded)
        session.saveRoundingOutputs(before, dir, stem, report);
    takeCaptureSummary(session, report);
    return session.finish(report, "round");
}

// "-2" instance file with positions, "0" without, else unknown.
std::string instanceKind(const std::string& path) {
    std::ifstream in(path);
    std::string mark;
    if (!(in >> mark)) return "";
    return mark == "-2" ? "qtb" : mark == "0" ? "wq" : "";
}

// What load cannot do with a flag given: "" when every flag applies.
std::string loadRefusal(const Args& a, const std::string& kind) {
    std::vector<FlagRefusal> refusals = {
        kKeepLoadedRefusal,
        {"--refresh-pivot",
         "rebuilds the pivot table of a database-style list, and an instance file holds none"}};
    if (!a.round) {
        const auto all = refuseAllRoundingFlags("applies to a rounding: add --round");
        refusals.insert(refusals.end(), all.begin(), all.end());
        if (!a.solution.empty()) return "--solution names the file a rounding writes: add --round";
        if (kind == "wq" && !a.out.empty())
            return "--out: a .wq instance is shown in no workbook, so without --round nothing is "
                   "written";
    }
    if (kind == "qtb" && !a.solution.empty())
        return "--solution names the solution file of a .wq instance; a .qtb instance is rounded "
               "into workbooks (--out DIR)";
    return refusedFlag(a.flags, refusals);
}

int loadCommand(const std::vector<std::string>& words, bool quiet) {
    Args a;
    std::string error;
    if (!parseArgs(words, {"--out", "--json", "--round", "--solution"}, a, error, "load"))
        return usage("load", error);
    if (a.positional.size() != 1) return usage("load", "name one instance file");
    const std::string file = a.positional[0];
    const std::string kind = instanceKind(file);
    error = loadRefusal(a, kind);
    if (!error.empty()) return usage("load", error);
    std::string dir, stem;
    if (!outputFolder(a, file, dir, stem)) return 1;
    const std::string solution = a.solution.empty() ? dir + "/" + stem + ".qts" : a.solution;
    if (a.round && kind == "wq" &&
        outputIsInput("load", gui::applyDefaultExtension(solution, "qts-solution"), file))
        return 2;

    CommandSession session(quiet, a.json);
    if (!session.ready()) return 1;
    session.driver().addFile(file);
    RunReport report;
    const auto before = host::windows();
    if (!session.run("QTBTXfLoadinstance", report)) return session.finish(report, "load");
    if (report.commandResult != 0) {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
        return session.finish(report, "load");
    }
    session.out() << "loaded " << file << "\n";
    if (!a.round) {
        // A .qtb instance is shown in a new workbook; keep it when asked to.
        if (!a.out.empty())
            for (const auto& b : CommandSession::newWorkbooks(before))
                session.saveWorkbookAs(b, dir + "/" + stem + "-instance.xlsx", "the instance's values",
                                       report);
        report.status = "loaded";
        return session.finish(report, "load");
    }
    applyOptionFlags(a.flags, session.driver());
    if (kind == "wq") session.driver().addFile(solution);
    const auto loaded = host::windows();
    if (session.run("QTBTXfOne", report) && report.outcome == RunOutcome::Rounded) {
        if (kind == "wq") {
            report.written.push_back(gui::applyDefaultExtension(solution, "qts-solution"));
            report.roles.push_back("solution");
        } else {
            session.saveRoundingOutputs(loaded, dir, stem, report);
        }
    }
    return session.finish(report, "load");
}

int saveInstanceCommand(const std::vector<std::string>& words, bool quiet) {
    Args a;
    std::string error;
    if (!parseArgs(words, {"-o", "--json"}, a, error, "save-instance", true))
        return usage("save-instance", error);
    std::vector<FlagRefusal> refusals = {kKeepLoadedRefusal};
    for (const char* f : {"--time-limit", "--max-jump", "--no-audit", "--random-weights",
                          "--weights-seed", "--accept-best", "--refresh-pivot"})
        refusals.push_back({f,
                            "is not kept in an instance file: give it when the instance is "
                            "rounded (quorant load FILE --round ...)"});
    error = refusedFlag(a.flags, refusals);
    if (!error.empty()) return usage("save-instance", error);
    if (a.positional.size() != 1 || a.output.empty())
        return usage("save-instance", "name one workbook and the file to write with -o");
    if (outputIsInput("save-instance", gui::applyDefaultExtension(a.output, "qtb-instance"),
                      a.positional[0]))
        return 2;
    CommandSession session(quiet, a.json);
    if (!session.ready()) return 1;
    applyOptionFlags(a.flags, session.driver());
    if (!applyCaptureFlags(a.capture, error)) {
        std::cerr << "quorant save-instance: " << error << "\n";
        return 1;
    }
    if (!host::openWorkbook(a.positional[0], error)) {
        std::cerr << "quorant save-instance: " << error << "\n";
        return 1;
    }
    session.driver().addFile(a.output);
    RunReport report;
    if (session.run("QTBTXfSaveinstance", report) && report.commandResult == 0) {
        report.outcome = RunOutcome::Rounded;
        report.status = "saved";
        report.written.push_back(gui::applyDefaultExtension(a.output, "qtb-instance"));
        report.roles.push_back("instance");
    } else {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
    }
    takeCaptureSummary(session, report);
    return session.finish(report, "save-instance");
}

}  // namespace

REGISTER_COMMAND("round",
                 "round BOOK [--out DIR] [--select 'Sheet1!A1:C40'] [--find-totals]\n"
                 "                [--all-cells] [--table 'Sheet1!B5:M60,...'] [--json] [options]",
                 "capture the workbook's table (numeric cells; totals written as formulas\n"
                 "that add and subtract cells, such as =SUM(B2:B9) or =B2+B3-B4; with\n"
                 "--find-totals also totals typed as numbers), round it and write\n"
                 "STEM-rounded.xlsx and, with auditing, STEM-intervals.xlsx: copies of the\n"
                 "workbook with only the table's cells changed (.xlsm stays .xlsm); BOOK is\n"
                 ".xlsx or .xlsm, or .xls, .ods, .fods read through LibreOffice; numbers in\n"
                 "no equation are reported (--all-cells rounds them too, --table limits the\n"
                 "table to ranges); a workbook with a pivot table is read as a list from the\n"
                 "selected block (--select, else the selection saved in the workbook)",
                 roundCommand);
REGISTER_COMMAND("load",
                 "load FILE.qtb|FILE.wq [--round] [--solution FILE.qts] [--out DIR] [--json] "
                 "[options]",
                 "load an instance file; with --round round it: a .qtb instance gives\n"
                 "workbooks as round does, a .wq instance a solution file (.qts)",
                 loadCommand);
REGISTER_COMMAND("save-instance",
                 "save-instance BOOK.xlsx -o FILE.qtb|FILE.wq [--find-totals] [--all-cells]\n"
                 "                [--table 'Sheet1!B5:M60,...'] [options]",
                 "capture the workbook's table and save it as an instance file",
                 saveInstanceCommand);

}  // namespace app
