#include "app/run_report.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <regex>
#include <sstream>

#include "app/interrupt.h"
#include "app/program.h"
#include "app/progress_line.h"
#include "app/run_figures.h"
#include "gui/dialog.h"
#include "host/host.h"

namespace app {

namespace {

const char* const kEngineLog = kEngineLogFile;

// Resolution Info controls in the order the dialog shows them.
const int kFigureIds[] = {12003, 12021, 12022, 12005, 12015, 12016,
                          12006, 12019, 12020, 12023, 12024};
const char* const kFigureKeys[] = {"maxDeviation",
                                   "maxDeviationBaseUnits",
                                   "distance",
                                   "overallSeconds",
                                   "withoutDialogsSeconds",
                                   "resolutionSeconds",
                                   "percentZeros",
                                   "percentBaseMultiples",
                                   "percentIntegers",
                                   "base",
                                   "gapPercent"};

long fileSize(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 ? long(st.st_size) : 0;
}

// A figure as shown ("12,5", "1 e+12") read back as a number.
std::string figureNumber(std::string text) {
    std::replace(text.begin(), text.end(), ',', '.');
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' ? text : "null";
}

std::string jsonText(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

// "cell<sheet>_<row>_<col>" followed by " (Sheet!A1)" for the captured workbook.
std::string withCellAddresses(const std::string& text, const std::string& book) {
    const auto sheets = host::sheetNames(book);
    static const std::regex name("cell([0-9]{1,9})_([0-9]{1,9})_([0-9]{1,9})");  // fits an int
    std::string out;
    auto begin = std::sregex_iterator(text.begin(), text.end(), name);
    size_t last = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        size_t sheet = std::stoul(m[1]);
        int row = std::stoi(m[2]), col = std::stoi(m[3]);
        out += text.substr(last, size_t(m.position(0)) + size_t(m.length(0)) - last);
        last = size_t(m.position(0)) + size_t(m.length(0));
        if (sheet >= sheets.size() || col > 255 || row > 65535) continue;
        std::string letters;
        for (int c = col + 1; c > 0; c = (c - 1) / 26)
            letters.insert(letters.begin(), char('A' + (c - 1) % 26));
        std::string sheetName = sheets[sheet];
        if (sheetName.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
            std::string::npos)
            sheetName = "'" + sheetName + "'";
        out += " (" + sheetName + "!" + letters + std::to_string(row + 1) + ")";
    }
    return out + text.substr(last);
}

// What to do about a table the engine refused, from the lines of its log:
// the refused cell's line names it and its value.
std::vector<std::string> hintsFor(const std::string& engineLog) {
    std::vector<std::string> hints;
    std::istringstream lines(engineLog);
    std::string line, refusal;
    while (std::getline(lines, line)) {
        const size_t cell = line.find("   cell ");
        if (cell == 0 && !refusal.empty()) {
            const size_t with = line.find(" with value=");
            const std::string who = line.substr(8, with == std::string::npos ? 0 : with - 8);
            const bool negative = with != std::string::npos && line.compare(with + 12, 1, "-") == 0;
            if (refusal.find("wrong external bounds") != std::string::npos && negative)
                hints.push_back(
                    "cell " + who +
                    " holds a negative value, and every cell's lower bound is at least 0 by "
                    "default: give --lower-floor -inf to round negative values");
            else if (refusal.find("too large to round exactly") != std::string::npos)
                hints.push_back("cell " + who +
                                " is too large for this base: a rounding is exact up to 2^53 "
                                "base units (9007199254740992); choose a larger base or "
                                "state the table in larger units");
        }
        refusal = line.rfind("Error: cell ", 0) == 0 ? line : "";
    }
    return hints;
}

bool contains(const std::vector<std::string>& texts, const std::string& what) {
    return std::find(texts.begin(), texts.end(), what) != texts.end();
}

}  // namespace

void ReportingDriver::runModal(gui::ModalWindow& window) {
    if (std::string(window.className()) == "ResultDialog") {
        gui::Dialog* d = window.currentForm();
        if (d) {
            resultShown = true;
            zeroRestricted = d->isChecked(12017) == 1;
            provenOptimal = d->isChecked(12025) == 1;
            figures.clear();
            for (int id : kFigureIds) figures.emplace_back(d->labelOf(id), d->itemText(id));
        }
    }
    AnswerDriver::runModal(window);
}

bool ReportingDriver::alert(const std::string& text, int type) {
    std::string shown = text;
    for (const auto& [from, to] : shownNames)
        for (size_t at; (at = shown.find(from)) != std::string::npos;)
            shown.replace(at, from.size(), to);
    alerts.push_back(shown);
    return AnswerDriver::alert(shown, type);
}

int exitStatusOf(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Rounded:
            return 0;
        case RunOutcome::Infeasible:
            return 3;
        case RunOutcome::TimeLimit:
            return 4;
        case RunOutcome::Failed:
            return 1;
    }
    return 1;
}

CommandSession::CommandSession(bool quiet, bool json, const std::string& command)
    : driver_(std::cerr), outputs_(command), command_(command), quiet_(quiet), json_(json) {
    static StatusEcho* echo = nullptr;
    delete echo;
    echo = new StatusEcho(&driver_, std::cerr, !quiet_);
    gui::setActiveDriver(&driver_);
    host::setFrontEnd(echo);
    logSizeBefore_ = fileSize(kEngineLog);
    ready_ = loadAddin(defaultAddinPath(), std::cerr);
    progress_ = RunProgressSource::fromLoadedAddins();
    RunProgress p{};
    if (progress_.read(p)) runsBefore_ = p.run;
}

CommandSession::~CommandSession() {
    reportUnsavedWorkbooks(std::cerr);
    host::reset();
    host::setFrontEnd(nullptr);
    gui::setActiveDriver(nullptr);
}

std::ostream& CommandSession::out() {
    return json_ ? std::cerr : std::cout;
}

int CommandSession::prepare() {
    return outputs_.prepare(std::cerr);
}

void CommandSession::addRoundingOutputs(const std::string& dir, const std::string& stem) {
    for (const char* suffix : {"-rounded.xlsx", "-intervals.xlsx"})
        outputs_.addRelated(dir + "/" + stem + suffix);
}

std::string CommandSession::stageFile(const std::string& path, const std::string& role,
                                      RunReport& report) {
    std::string error;
    const std::string partial = outputs_.stage(path, role, error);
    if (partial.empty()) {
        std::cerr << "quorant " << command_ << ": " << error << "\n";
        report.saveFailed = true;
        return partial;
    }
    // Partial names are unique: the name alone stands for the file.
    auto nameOf = [](const std::string& p) { return p.substr(p.find_last_of('/') + 1); };
    driver_.shownNames.emplace_back(nameOf(partial), nameOf(path));
    return partial;
}

bool CommandSession::confirmStaged(const std::string& path, const std::string& partial,
                                   RunReport& report) {
    struct stat st {};
    if (stat(partial.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
    outputs_.drop(path);
    std::cerr << "quorant " << command_ << ": " << path << " was not written\n";
    report.saveFailed = true;
    return false;
}

bool CommandSession::run(const std::string& command, RunReport& report) {
    std::string error;
    int result = 0;
    bool ran = false;
    {
        std::unique_ptr<ProgressTicker> ticker;
        if (progress_.available() && wantProgressLine(quiet_, json_))
            ticker = std::make_unique<ProgressTicker>(progress_, progressDelayFromEnvironment());
        ran = host::runCommand(command, result, error);
    }
    // An interrupted command ends the run here: nothing of it is kept.
    interrupt::endRunIfInterrupted();
    if (!ran) {
        std::cerr << "quorant: " << error << "\n";
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
        return false;
    }
    report.commandResult = result;
    const auto& a = driver_.alerts;
    if (result == 0 && !driver_.failed()) {
        report.outcome = RunOutcome::Rounded;
        report.status =
            driver_.resultShown && !driver_.provenOptimal ? "best-at-time-limit" : "optimal";
    } else if (contains(a, "Problem infeasible!")) {
        report.outcome = RunOutcome::Infeasible;
        report.status = "infeasible";
    } else if (contains(a, "Aborted with solution!") || contains(a, "Aborted without solution!")) {
        report.outcome = RunOutcome::TimeLimit;
        report.status = "time-limit";
    } else {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
    }
    return true;
}

std::vector<std::string> CommandSession::newWorkbooks(const std::vector<std::string>& before) {
    std::vector<std::string> made;
    for (const auto& w : host::windows())
        if (std::find(before.begin(), before.end(), w) == before.end()) made.push_back(w);
    return made;
}

bool CommandSession::saveWorkbookAs(const std::string& book, const std::string& path,
                                    const std::string& role, RunReport& report) {
    const std::string partial = stageFile(path, role, report);
    if (partial.empty()) return false;
    std::string error;
    if (!host::saveWorkbook(book, partial, error)) {
        // The host names the file it was writing: the user knows it by its own name.
        for (size_t at; (at = error.find(partial)) != std::string::npos;)
            error.replace(at, partial.size(), path);
        std::cerr << "quorant " << command_ << ": cannot save " << path << ": " << error << "\n";
        outputs_.drop(path);
        report.saveFailed = true;
        return false;
    }
    // Results the host could not compute are not stored: the spreadsheet
    // program computes them on opening. Say which, so nobody wonders.
    const auto uncomputed = host::uncomputedResults(book);
    if (!uncomputed.empty()) {
        std::string cells;
        for (size_t i = 0; i < uncomputed.size() && i < 20; ++i)
            cells += (i ? ", " : "") + uncomputed[i];
        if (uncomputed.size() > 20)
            cells += " and " + std::to_string(uncomputed.size() - 20) + " more";
        report.fileNotes.push_back(path +
                                   ": formulas whose results are left for the spreadsheet "
                                   "program to compute on opening: " +
                                   cells);
    }
    // Likewise copies of cell values (chart and pivot caches) that could not
    // be written from the new values: removed, so that no old value stays.
    const auto caches = host::cachesLeftToRebuild(book);
    if (!caches.empty()) {
        std::string parts;
        for (const std::string& p : caches) parts += (parts.empty() ? "" : ", ") + p;
        report.fileNotes.push_back(path +
                                   ": cached values left for the spreadsheet program to "
                                   "rebuild on opening: " +
                                   parts);
    }
    return true;
}

bool CommandSession::saveRoundingOutputs(const std::vector<std::string>& before,
                                         const std::string& dir, const std::string& stem,
                                         RunReport& report) {
    std::vector<std::string> made;
    for (const auto& book : host::workbooksInOrderMade())
        if (std::find(before.begin(), before.end(), book) == before.end()) made.push_back(book);
    if (made.empty()) return true;
    if (made.size() > 2) {
        std::cerr << "quorant " << command_ << ": the rounding made " << made.size()
                  << " workbooks, not the rounded copy and its interval copy\n";
        report.saveFailed = true;
        return false;
    }
    // The interval copy is made first, the rounded copy last (the roles are
    // never read from sheet names, which a user may have chosen alike).
    bool ok = saveWorkbookAs(made.back(),
                             dir + "/" + stem + "-rounded" + host::workbookExtension(made.back()),
                             "rounded values", report);
    if (made.size() == 2)
        ok = saveWorkbookAs(made.front(),
                            dir + "/" + stem + "-intervals" + host::workbookExtension(made.front()),
                            "protection intervals", report) &&
             ok;
    return ok;
}

int CommandSession::finishTable(const std::string& book, const std::string& path,
                                const std::string& role, bool round, const std::string& dir,
                                const std::string& stem, RunReport& report,
                                const std::string& command) {
    report.outcome = RunOutcome::Rounded;
    report.status = round ? "optimal" : "made";
    if (!saveWorkbookAs(book, path, role, report) || !round) return finish(report, command);
    const auto before = host::windows();
    RunReport rounding;
    rounding.written = report.written;
    rounding.roles = report.roles;
    rounding.fileNotes = report.fileNotes;
    if (run("QTBTXfOne", rounding) && rounding.outcome == RunOutcome::Rounded)
        saveRoundingOutputs(before, dir, stem, rounding);
    return finish(rounding, command);
}

int CommandSession::readList(const std::string& path, bool round, const std::string& dir,
                             const std::string& stem, const std::string& command,
                             const std::string& hint) {
    const auto before = host::windows();
    RunReport report;
    if (!run("QTBTXfPRead", report) || report.commandResult != 0) {
        if (!hint.empty()) std::cerr << "quorant " << command << ": " << hint << "\n";
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
        return finish(report, command);
    }
    const auto made = newWorkbooks(before);
    return finishTable(made.empty() ? host::activeWorkbook() : made.front(), path,
                       "cross-classified table", round, dir, stem, report, command);
}

bool CommandSession::lastRun(RunProgress& p) const {
    return progress_.read(p) && p.run > runsBefore_ && p.phase == kRunEnded;
}

int CommandSession::finish(const RunReport& report_, const std::string& command) {
    RunReport report = report_;
    interrupt::endRunIfInterrupted();
    // The outputs go into place together, only for a run that did what it
    // was asked; a failed run leaves the files of an earlier one as they were.
    if (report.saveFailed && report.outcome == RunOutcome::Rounded) {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
    }
    if ((report.outcome == RunOutcome::Rounded || report.keepOutputsOfFailure) &&
        outputs_.hasStaged()) {
        std::string error;
        if (!outputs_.commit(error)) {
            interrupt::endRunIfInterrupted();
            std::cerr << "quorant " << command << ": " << error << "\n";
            if (report.outcome == RunOutcome::Rounded) {
                report.outcome = RunOutcome::Failed;
                report.status = "failed";
            }
        }
    } else {
        outputs_.discard();
    }
    struct Listed {
        std::string path, role;
        bool replaced;
    };
    std::vector<Listed> files;
    for (const auto& w : outputs_.written()) files.push_back({w.path, w.role, w.replaced});
    for (size_t i = 0; i < report.written.size(); ++i)
        files.push_back({report.written[i], report.roles[i], false});
    const std::vector<std::string> older = outputs_.olderOutputs();
    {
        std::ifstream log(kEngineLog);
        if (log && logSizeBefore_ > 0) log.seekg(logSizeBefore_);
        std::string line;
        while (log && std::getline(log, line))
            if (line.rfind("WQ:", 0) != 0) report.engineLog += line + "\n";
        if (!report.capturedBook.empty())
            report.engineLog = withCellAddresses(report.engineLog, report.capturedBook);
    }
    RunProgress run{};
    const bool rounded = lastRun(run);
    std::ostream& o = out();
    if (driver_.resultShown) {
        o << "Resolution Info\n";
        o << "  Model used for Resolution: "
          << (driver_.zeroRestricted ? "Zero-Restricted" : "Non-Zero-Restricted") << "\n";
        o << "  Proven Optimal: " << (driver_.provenOptimal ? "yes" : "no") << "\n";
        for (const auto& [label, text] : driver_.figures)
            o << "  " << label << ": " << text << "\n";
        if (!driver_.provenOptimal)
            o << "  The time limit ended the search: this is the best rounding found, not proven "
                 "optimal.\n";
    }
    if (rounded && report.outcome == RunOutcome::Rounded) o << runSummaryLines(run);
    for (const std::string& note : report.notes) o << note << "\n";
    for (const Listed& f : files)
        o << "wrote " << f.path << " (" << f.role << ")"
          << (f.replaced ? ", replacing the file of that name" : "") << "\n";
    if (!files.empty())
        for (const std::string& path : older)
            std::cerr << "quorant " << command << ": warning: " << path
                      << " is from an earlier run; this run did not write it, so it does not "
                         "belong with the files above\n";
    // Notes about files go with the files that were written, never about one that was not.
    std::vector<std::string> fileNotes;
    for (const std::string& note : report.fileNotes)
        for (const Listed& f : files)
            if (note.rfind(f.path + ": ", 0) == 0) {
                fileNotes.push_back(note);
                break;
            }
    for (const std::string& note : fileNotes) o << "note: " << note << "\n";
    if (report.outcome != RunOutcome::Rounded) {
        std::cerr << "quorant " << command << ": ";
        if (report.outcome == RunOutcome::Infeasible)
            std::cerr << "no controlled rounding exists for this table with these options\n";
        else if (report.outcome == RunOutcome::TimeLimit)
            std::cerr << timeLimitMessage(rounded ? run : RunProgress{}) << "\n";
        else
            std::cerr << "failed\n";
        if (report.outcome == RunOutcome::TimeLimit && !(rounded && run.hasRounding)) {
            const std::string hint =
                extendedModelHint(report.engineLog, rounded && run.acceptBest != 0);
            if (!hint.empty()) std::cerr << "quorant " << command << ": hint: " << hint << "\n";
        }
        for (const std::string& hint : report.hints)
            std::cerr << "quorant " << command << ": " << hint << "\n";
        if (!report.engineLog.empty() && report.outcome != RunOutcome::TimeLimit) {
            std::cerr << "engine log (" << kEngineLog << ") of this run:\n";
            std::istringstream lines(report.engineLog);
            std::string line;
            int shown = 0;
            while (std::getline(lines, line) && shown < 40) {
                std::cerr << "  " << line << "\n";
                ++shown;
            }
            for (const std::string& hint : hintsFor(report.engineLog))
                std::cerr << "hint: " << hint << "\n";
        }
    }
    if (json_) {
        std::cout << "{\"command\": " << jsonText(command)
                  << ", \"result\": " << report.commandResult
                  << ", \"status\": " << jsonText(report.status);
        if (driver_.resultShown) {
            std::cout << ", \"model\": "
                      << jsonText(driver_.zeroRestricted ? "zero-restricted" : "extended")
                      << ", \"provenOptimal\": " << (driver_.provenOptimal ? "true" : "false");
            for (size_t i = 0; i < driver_.figures.size() && i < std::size(kFigureKeys); ++i)
                std::cout << ", \"" << kFigureKeys[i]
                          << "\": " << figureNumber(driver_.figures[i].second);
        }
        if (rounded) std::cout << runJsonFields(run, report.outcome == RunOutcome::Rounded);
        std::cout << ", \"files\": [";
        for (size_t i = 0; i < files.size(); ++i)
            std::cout << (i ? ", " : "") << "{\"path\": " << jsonText(files[i].path)
                      << ", \"holds\": " << jsonText(files[i].role)
                      << ", \"replaced\": " << (files[i].replaced ? "true" : "false") << "}";
        std::cout << "], \"olderOutputs\": [";
        for (size_t i = 0; i < older.size() && !files.empty(); ++i)
            std::cout << (i ? ", " : "") << jsonText(older[i]);
        std::cout << "], \"fileNotes\": [";
        for (size_t i = 0; i < fileNotes.size(); ++i)
            std::cout << (i ? ", " : "") << jsonText(fileNotes[i]);
        std::cout << "], \"messages\": [";
        for (size_t i = 0; i < driver_.alerts.size(); ++i)
            std::cout << (i ? ", " : "") << jsonText(driver_.alerts[i]);
        std::cout << "]";
        for (const auto& [key, value] : report.extraJson)
            std::cout << ", " << jsonText(key) << ": " << value;
        std::cout << "}\n";
    }
    return exitStatusOf(report.outcome);
}

void splitPath(const std::string& path, std::string& dir, std::string& stem) {
    size_t slash = path.find_last_of('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace app
