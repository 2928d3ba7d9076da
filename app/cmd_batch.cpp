// Test batches on the command line: run a file of computational or bias
// tests through the add-in's test dialog (the logs are appended beside the
// file), and analyse a log in a workbook.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/capture_flags.h"
#include "app/commands.h"
#include "app/run_report.h"
#include "batch/batch_texts.h"
#include "gui/dialog.h"
#include "gui/driver.h"
#include "host/host.h"

namespace app {
namespace {

namespace fs = std::filesystem;

// Controls of the add-in's test dialog, as its template numbers them.
constexpr char kTestDialogClass[] = "CCompTestDialog";
constexpr char kOpenFileButton[] = "12011";
constexpr char kDeleteBooksBox[] = "12017";
constexpr int kRepetitionBar = 12028;
constexpr int kLineBar = 12027;

struct BatchArgs {
    std::string file;
    std::string output;  // -o
    bool keepBooks = false;
};

int usage(const std::string& command, const std::string& error) {
    std::cerr << "quorant " << command << ": " << error << "\n  usage: quorant "
              << commands()[command].usage << "\n";
    return 2;
}

bool parseBatchArgs(const std::vector<std::string>& words, bool withOutput, BatchArgs& a,
                    std::string& error) {
    error = refuseCaptureFlags(words, "test batches and their analysis");
    if (!error.empty()) return false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--keep-books" && !withOutput) {
            a.keepBooks = true;
        } else if (w == "-o" && withOutput) {
            if (i + 1 >= words.size()) {
                error = "-o needs a value";
                return false;
            }
            a.output = words[++i];
        } else if (w.rfind("-", 0) == 0) {
            error = "unknown option " + w;
            return false;
        } else if (a.file.empty()) {
            a.file = w;
        } else {
            error = "name one file";
            return false;
        }
    }
    if (a.file.empty()) error = "name one file";
    return !a.file.empty();
}

// The log of a specification file, named as the add-in names it: the file
// name's extension replaced by the suffix.
std::string logBeside(const std::string& spec, const char* suffix) {
    const size_t slash = spec.find_last_of('/');
    const size_t dot = spec.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return spec + suffix;
    return spec.substr(0, dot) + suffix;
}

// The lines of a text file that hold text (0 when the file does not exist),
// and of those the log lines of repetitions, which start with a test number.
size_t countLines(const std::string& path, size_t* repetitionLines = nullptr) {
    std::ifstream in(path, std::ios::binary);
    size_t n = 0, repetitions = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        ++n;
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) ++repetitions;
    }
    if (repetitionLines) *repetitionLines = repetitions;
    return n;
}

// Stands between the program's answer driver and the add-in while a batch
// runs: it remembers the test dialog and, whenever the host shows a status
// text, reads the dialog's progress bars and prints the line and repetition
// that run now (once per change). Status texts themselves are not echoed.
class BatchProgress : public gui::UiDriver, public host::FrontEnd {
  public:
    BatchProgress(drivers::AnswerDriver& inner, std::ostream& out, bool show)
        : inner_(inner), out_(out), show_(show) {
        previousDriver_ = gui::setActiveDriver(this);
        previousFrontEnd_ = host::frontEnd();
        host::setFrontEnd(this);
    }
    ~BatchProgress() override {
        gui::setActiveDriver(previousDriver_);
        host::setFrontEnd(previousFrontEnd_);
    }
    BatchProgress(const BatchProgress&) = delete;
    BatchProgress& operator=(const BatchProgress&) = delete;

    void runModal(gui::ModalWindow& window) override {
        gui::Dialog* before = dialog_;
        if (std::string(window.className()) == kTestDialogClass) dialog_ = window.currentForm();
        inner_.runModal(window);
        dialog_ = before;
    }
    int messageBox(const std::string& text, const std::string& caption, int type) override {
        return inner_.messageBox(text, caption, type);
    }
    void runFileDialog(gui::FileDialog& dialog) override { inner_.runFileDialog(dialog); }
    void showHelp(const std::string& path, int context, const std::string* contents) override {
        inner_.showHelp(path, context, contents);
    }
    void status(const std::string& text) override {
        report();
        inner_.status(text);
    }
    bool alert(const std::string& text, int type) override { return inner_.alert(text, type); }
    bool dialogBox(host::DialogTable& table) override { return inner_.dialogBox(table); }
    void hostMessage(const std::string& text) override { inner_.hostMessage(text); }

  private:
    void report() {
        if (!show_ || !dialog_) return;
        const gui::Control* lines = dialog_->control(kLineBar);
        const gui::Control* reps = dialog_->control(kRepetitionBar);
        if (!lines || !reps || lines->rangeHigh <= 0 || reps->rangeHigh <= 0) return;
        // The line bar counts finished lines; the repetition bar moves two
        // steps per repetition.
        const int lineCount = lines->rangeHigh;
        const int line = std::min(lines->position + 1, lineCount);
        const int repCount = std::max(reps->rangeHigh / 2, 1);
        const int rep = std::min(reps->position / 2 + 1, repCount);
        if (line == shownLine_ && rep == shownRep_) return;
        shownLine_ = line;
        shownRep_ = rep;
        out_ << "test line " << line << " of " << lineCount << ", repetition " << rep << " of "
             << repCount << "\n"
             << std::flush;
    }

    drivers::AnswerDriver& inner_;
    std::ostream& out_;
    bool show_;
    gui::Dialog* dialog_ = nullptr;
    int shownLine_ = 0, shownRep_ = 0;
    gui::UiDriver* previousDriver_ = nullptr;
    host::FrontEnd* previousFrontEnd_ = nullptr;
};

int batchCommand(const std::vector<std::string>& words, bool quiet, bool bias) {
    const std::string name = bias ? "bias-tests" : "tests";
    BatchArgs a;
    std::string error;
    if (!parseBatchArgs(words, false, a, error)) return usage(name, error);
    std::error_code ec;
    const std::string spec = fs::absolute(a.file, ec).lexically_normal().string();
    if (ec || !fs::is_regular_file(spec, ec) || !std::ifstream(spec)) {
        std::cerr << "quorant " << name << ": cannot read " << a.file << "\n";
        return 1;
    }
    if (countLines(spec) == 0) {
        std::cerr << "quorant " << name << ": " << a.file << " holds no test lines\n";
        return 1;
    }
    const std::string log = logBeside(spec, bias ? "_bias.log" : "_comp.log");
    size_t linesBefore = 0, linesAfter = 0;
    countLines(log, &linesBefore);

    CommandSession session(quiet, false);
    if (!session.ready()) return 1;
    drivers::AnswerDriver& driver = session.driver();
    driver.addValue(kTestDialogClass, {"", kOpenFileButton, "click"});
    if (a.keepBooks) driver.addValue(kTestDialogClass, {"", kDeleteBooksBox, "off"});
    driver.addFile(spec);
    RunReport report;
    {
        BatchProgress progress(driver, std::cerr, !quiet);
        session.run(bias ? "QTBTXfBiasTest" : "QTBTXfCompute", report);
    }
    countLines(log, &linesAfter);
    if (linesAfter > linesBefore) {
        report.written.push_back(log);
        report.roles.push_back(std::to_string(linesAfter - linesBefore) + " new repetition lines");
    }
    if (a.keepBooks) {
        std::string stem = fs::path(spec).stem().string();
        const std::string folder = (fs::path(spec).parent_path() / (stem + "-books")).string();
        std::vector<std::string> saved;
        fs::create_directories(folder, ec);
        if (!host::saveNewWorkbooks(folder, saved, error))
            std::cerr << "quorant " << name << ": " << error << "\n";
        for (const auto& path : saved) {
            report.written.push_back(path);
            report.roles.push_back("a workbook of the batch");
        }
    }
    if (report.outcome == RunOutcome::Rounded) report.status = "done";
    return session.finish(report, name);
}

std::string columnName(int col) {
    std::string name;
    for (++col; col > 0; col = (col - 1) / 26)
        name.insert(name.begin(), char('A' + (col - 1) % 26));
    return name;
}

// The text of a cell of a sheet of a book ("" when empty or unreadable).
std::string cellText(const std::string& book, const std::string& sheet, int row, int col) {
    host::CellInfo info;
    std::string error;
    const std::string ref =
        "'[" + book + "]" + sheet + "'!" + columnName(col) + std::to_string(row + 1);
    return host::readCell(ref, info, error) ? info.text : std::string();
}

// Prints rows of a sheet as semicolon-separated lines, columns 0 ... lastCol.
void printRows(std::ostream& o, const std::string& book, const std::string& sheet, int first,
               int last, int lastCol) {
    for (int row = first; row <= last; ++row) {
        std::string line;
        for (int col = 0; col <= lastCol; ++col)
            line += (col ? ";" : "") + cellText(book, sheet, row, col);
        while (!line.empty() && line.back() == ';') line.pop_back();
        o << "  " << line << "\n";
    }
}

void printSummary(std::ostream& o, const std::string& book) {
    for (const auto& sheet : host::sheetNames(book)) {
        if (sheet.size() < 9 || sheet.compare(sheet.size() - 9, 9, " - Resume") != 0) continue;
        int last = 0;
        while (last < 65535 && !cellText(book, sheet, last + 1, 0).empty()) ++last;
        o << "summary (" << sheet << "):\n";
        printRows(o, book, sheet, 0, last, 9);
    }
}

void printBiasResult(std::ostream& o, const std::string& book) {
    const auto sheets = host::sheetNames(book);
    if (sheets.empty()) return;
    const std::string& sheet = sheets[0];
    int empty = 0;
    for (int row = 0; row < 65536 && empty < 2; ++row) {
        if (cellText(book, sheet, row, 0) != "Distance from Base") {
            empty = cellText(book, sheet, row, 0).empty() ? empty + 1 : 0;
            continue;
        }
        int lastCol = 1;
        while (lastCol < 255 && !cellText(book, sheet, row, lastCol + 1).empty()) ++lastCol;
        o << "probability of being rounded up by distance from the base multiple:\n";
        printRows(o, book, sheet, row, row + 1, lastCol);
        return;
    }
    o << "the log has no base number line (an interrupted batch): it was only sorted\n";
}

enum class LogKind { None, Computational, Bias };

// What a file is by its first line, the header a test batch writes when it
// makes its log: the computational header as it stands, or the bias header's
// start followed by one group per remainder 1, 2, ...
LogKind logKind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string first;
    if (!std::getline(in, first)) return LogKind::None;
    if (!first.empty() && first.back() == '\r') first.pop_back();
    std::string comp;
    for (const char* piece : batch::kCompLogHeader) comp += piece;
    if (first + "\n" == comp) return LogKind::Computational;
    const std::string start = batch::kBiasLogHeaderStart;
    if (first.compare(0, start.size(), start) != 0) return LogKind::None;
    std::string rest = first.substr(start.size());
    for (int q = 1; !rest.empty(); ++q) {
        char group[64];
        std::snprintf(group, sizeof group, batch::kBiasLogHeaderClass, q);
        if (rest.compare(0, std::strlen(group), group) != 0) return LogKind::None;
        rest.erase(0, std::strlen(group));
    }
    return LogKind::Bias;
}

// True when the file is a log of the kind the command analyses; else says
// what it is and what to do, and nothing is opened or written.
bool isLogOfKind(const std::string& name, const std::string& file, bool bias) {
    const LogKind kind = logKind(file);
    if (kind == (bias ? LogKind::Bias : LogKind::Computational)) return true;
    std::cerr << "quorant " << name << ": " << file << " is not a "
              << (bias ? "bias" : "computational") << " test log";
    if (kind == LogKind::Bias)
        std::cerr << " but a bias test log: analyse it with quorant analyze-bias";
    else if (kind == LogKind::Computational)
        std::cerr << " but a computational test log: analyse it with quorant analyze";
    else
        std::cerr << " (its first line is not the header that quorant "
                  << (bias ? "bias-tests" : "tests") << " writes into its "
                  << (bias ? "_bias.log" : "_comp.log") << ")";
    std::cerr << "; nothing was written\n";
    return false;
}

int analyzeCommand(const std::vector<std::string>& words, bool quiet, bool bias) {
    const std::string name = bias ? "analyze-bias" : "analyze";
    BatchArgs a;
    std::string error;
    if (!parseBatchArgs(words, true, a, error)) return usage(name, error);
    std::error_code ec;
    if (!fs::is_regular_file(a.file, ec)) {
        std::cerr << "quorant " << name << ": cannot read " << a.file << "\n";
        return 1;
    }
    std::string dir, stem;
    splitPath(a.file, dir, stem);
    const std::string output = a.output.empty() ? dir + "/" + stem + "-analysis.xlsx" : a.output;
    if (outputIsInput(name, output, a.file)) return 2;
    if (!isLogOfKind(name, a.file, bias)) return 1;

    CommandSession session(quiet, false);
    if (!session.ready()) return 1;
    session.driver().addFile(fs::absolute(a.file, ec).string());
    RunReport report;
    if (session.run(bias ? "QTBTXfAnalizeBias" : "QTBTXfAnalize", report) &&
        report.commandResult == 0 && report.outcome == RunOutcome::Rounded) {
        // The analysis is the active workbook: the new one, or the log itself
        // for a bias log.
        const std::string book = host::activeWorkbook();
        if (session.saveWorkbookAs(book, output, "analysis", report)) {
            report.status = "done";
            if (bias)
                printBiasResult(session.out(), book);
            else
                printSummary(session.out(), book);
        } else {
            report.outcome = RunOutcome::Failed;
        }
    } else if (report.outcome == RunOutcome::Rounded) {
        report.outcome = RunOutcome::Failed;
        report.status = "failed";
    }
    return session.finish(report, name);
}

}  // namespace

REGISTER_COMMAND("tests", "tests FILE.qtt [--keep-books]",
                 "run a batch of computational tests (one per line of FILE.qtt) and append\n"
                 "one line per repetition to STEM_comp.log beside it; --keep-books saves\n"
                 "each repetition's workbooks into STEM-books/",
                 [](const std::vector<std::string>& w, bool q) {
                     return batchCommand(w, q, false);
                 });
REGISTER_COMMAND("bias-tests", "bias-tests FILE.qtv [--keep-books]",
                 "run a batch of bias tests and append to STEM_bias.log beside the file",
                 [](const std::vector<std::string>& w, bool q) {
                     return batchCommand(w, q, true);
                 });
REGISTER_COMMAND("analyze", "analyze LOG [-o BOOK.xlsx]",
                 "summarise a computational test log: one sheet per test with its averages\n"
                 "and a summary sheet (default output: STEM-analysis.xlsx beside the log)",
                 [](const std::vector<std::string>& w, bool q) {
                     return analyzeCommand(w, q, false);
                 });
REGISTER_COMMAND("analyze-bias", "analyze-bias LOG [-o BOOK.xlsx]",
                 "total a bias test log per remainder class and give the probability of\n"
                 "being rounded up by distance from the base multiple",
                 [](const std::vector<std::string>& w, bool q) {
                     return analyzeCommand(w, q, true);
                 });

}  // namespace app
