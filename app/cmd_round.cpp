// The main job on the command line: round a workbook, load (and round) an
// instance file, save a workbook's instance.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/options_flags.h"
#include "app/run_report.h"
#include "common/text_input.h"
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
};

// Parses the words of a command; `allowed` lists the command's own flags.
bool parseArgs(std::vector<std::string> words, const std::vector<std::string>& allowed,
               Args& a, std::string& error) {
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

int usage(const std::string& command, const std::string& error) {
    std::cerr << "quorant " << command << ": " << error << "\n  usage: quorant "
              << commands()[command].usage << "\n";
    return 2;
}

// The folder for outputs: --out, else beside the input (made when missing,
// by the output set).
void outputFolder(const Args& a, const std::string& input, std::string& dir, std::string& stem) {
    splitPath(input, dir, stem);
    if (!a.out.empty()) dir = a.out;
}

// A rounding's two workbooks as outputs of the session.
void declareRoundingOutputs(CommandSession& session, const std::string& dir,
                            const std::string& stem) {
    session.outputs().addOutput(dir + "/" + stem + "-rounded.xlsx", "rounded values");
    session.outputs().addOutput(dir + "/" + stem + "-intervals.xlsx", "protection intervals");
    session.addRoundingOutputs(dir, stem);
}

int roundCommand(const std::vector<std::string>& words, bool quiet) {
    Args a;
    std::string error;
    if (!parseArgs(words, {"--out", "--json", "--select"}, a, error)) return usage("round", error);
    if (a.positional.size() != 1) return usage("round", "name one workbook");
    const std::string book = a.positional[0];
    std::string dir, stem;
    outputFolder(a, book, dir, stem);

    CommandSession session(quiet, a.json, "round");
    if (!session.ready()) return 1;
    applyOptionFlags(a.flags, session.driver());
    if (!host::openWorkbook(book, error)) {
        std::cerr << "quorant round: " << error << "\n";
        return 1;
    }
    if (!a.select.empty() && !selectBlock(a.select, error)) {
        std::cerr << "quorant round: cannot select " << a.select << ": " << error << "\n";
        return 1;
    }
    const bool pivot = host::holdsPivotTable(host::activeWorkbook());
    const std::string table = dir + "/" + stem + "-table.xlsx";
    session.outputs().addInput(book);
    declareRoundingOutputs(session, dir, stem);
    if (pivot) {
        session.outputs().addOutput(table, "cross-classified table");
        session.outputs().addRelated(table);
    }
    if (const int status = session.prepare()) return status;
    if (pivot) {
        // The one-step command reads such a workbook as a database-style list
        // from the selected block. Done here as import --round does it, so
        // that the table read is saved too and never taken for the rounding.
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
    return session.finish(report, "round");
}

// "-2" instance file with positions, "0" without, else unknown (read as the
// add-in reads it: a byte order mark or UTF-16 does not hide the mark).
std::string instanceKind(const std::string& path) {
    const std::string mark = common::firstWordOfTextFile(path);
    return mark == "-2" ? "qtb" : mark == "0" ? "wq" : "";
}

int loadCommand(const std::vector<std::string>& words, bool quiet) {
    Args a;
    std::string error;
    if (!parseArgs(words, {"--out", "--json", "--round", "--solution"}, a, error))
        return usage("load", error);
    if (a.positional.size() != 1) return usage("load", "name one instance file");
    const std::string file = a.positional[0];
    std::string dir, stem;
    outputFolder(a, file, dir, stem);
    const std::string kind = instanceKind(file);
    const std::string solution = gui::applyDefaultExtension(
        a.solution.empty() ? dir + "/" + stem + ".qts" : a.solution, "qts-solution");
    const std::string shown = dir + "/" + stem + "-instance.xlsx";

    CommandSession session(quiet, a.json, "load");
    if (!session.ready()) return 1;
    OutputSet& set = session.outputs();
    set.addInput(file);
    if (a.round && kind == "wq") {
        set.addOutput(solution, "solution");
    } else if (a.round) {
        declareRoundingOutputs(session, dir, stem);
    } else if (!a.out.empty()) {
        set.addOutput(shown, "the instance's values");
    }
    if (const int status = session.prepare()) return status;
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
                session.saveWorkbookAs(b, shown, "the instance's values", report);
        report.status = "loaded";
        return session.finish(report, "load");
    }
    applyOptionFlags(a.flags, session.driver());
    std::string partial;
    if (kind == "wq") {
        partial = session.stageFile(solution, "solution", report);
        if (partial.empty()) return session.finish(report, "load");
        session.driver().addFile(partial);
    }
    const auto loaded = host::windows();
    if (session.run("QTBTXfOne", report) && report.outcome == RunOutcome::Rounded) {
        // The rounding command does not say whether its solution file was
        // written: the file itself does.
        if (kind == "wq")
            session.confirmStaged(solution, partial, report);
        else
            session.saveRoundingOutputs(loaded, dir, stem, report);
    }
    return session.finish(report, "load");
}

int saveInstanceCommand(const std::vector<std::string>& words, bool quiet) {
    Args a;
    std::string error;
    if (!parseArgs(words, {"-o", "--json"}, a, error)) return usage("save-instance", error);
    if (a.positional.size() != 1 || a.output.empty())
        return usage("save-instance", "name one workbook and the file to write with -o");
    const std::string output = gui::applyDefaultExtension(a.output, "qtb-instance");
    CommandSession session(quiet, a.json, "save-instance");
    if (!session.ready()) return 1;
    session.outputs().addInput(a.positional[0]);
    session.outputs().addOutput(output, "instance");
    if (const int status = session.prepare()) return status;
    applyOptionFlags(a.flags, session.driver());
    if (!host::openWorkbook(a.positional[0], error)) {
        std::cerr << "quorant save-instance: " << error << "\n";
        return 1;
    }
    RunReport report;
    const std::string partial = session.stageFile(output, "instance", report);
    if (partial.empty()) return session.finish(report, "save-instance");
    session.driver().addFile(partial);
    if (session.run("QTBTXfSaveinstance", report) && report.commandResult == 0 &&
        session.confirmStaged(output, partial, report)) {
        report.outcome = RunOutcome::Rounded;
        report.status = "saved";
    } else {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
    }
    return session.finish(report, "save-instance");
}

}  // namespace

REGISTER_COMMAND("round",
                 "round BOOK.xlsx [--out DIR] [--select 'Sheet1!A1:C40'] [--json] [options]",
                 "capture the workbook's table (numeric cells, =SUM totals), round it and\n"
                 "write STEM-rounded.xlsx and, with auditing, STEM-intervals.xlsx; a\n"
                 "workbook with a pivot table is read as a list from the selected block\n"
                 "(--select, else the selection saved in the workbook)",
                 roundCommand);
REGISTER_COMMAND("load", "load FILE.qtb|FILE.wq [--round] [--solution FILE.qts] [--out DIR]",
                 "load an instance file; with --round round it: a .qtb instance gives\n"
                 "workbooks as round does, a .wq instance a solution file (.qts)",
                 loadCommand);
REGISTER_COMMAND("save-instance", "save-instance BOOK.xlsx -o FILE.qtb|FILE.wq [options]",
                 "capture the workbook's table and save it as an instance file",
                 saveInstanceCommand);

}  // namespace app
