// Running one of the add-in's commands for a sub-command of the program, and
// reporting what it did: the Resolution Info figures, the alerts, the
// workbooks it made (saved to files), the engine log lines of the run, and a
// machine-readable summary.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "app/drivers/answer_driver.h"
#include "app/options_flags.h"
#include "app/run_progress_source.h"

namespace app {

// The answer driver of the sub-commands; it also keeps what the Resolution
// Info dialog showed.
class ReportingDriver : public drivers::AnswerDriver {
  public:
    using AnswerDriver::AnswerDriver;
    void runModal(gui::ModalWindow& window) override;
    bool alert(const std::string& text, int type) override;

    bool resultShown = false;
    bool zeroRestricted = true;
    bool provenOptimal = true;  // false: the best rounding at the time limit
    std::vector<std::pair<std::string, std::string>> figures;  // label, text as shown
    std::vector<std::string> alerts;
};

// How a run ended, for the exit status and the summary.
enum class RunOutcome { Rounded, Infeasible, TimeLimit, Failed };

struct RunReport {
    int commandResult = 0;
    RunOutcome outcome = RunOutcome::Failed;
    std::string status;                // "optimal", "infeasible", "time-limit", "failed"
    std::vector<std::string> written;  // files written, in order
    std::vector<std::string> roles;    // what each file holds
    std::vector<std::string> fileNotes;  // what the user should know about the files
    std::string engineLog;             // engine log lines written during the run
    // The workbook whose cells the instance was captured from: the engine's
    // cell names ("cell2_3_7") are shown with the cell they name ("Men!H4").
    std::string capturedBook;
    // What the capture reported: sentences for the user, fields for the JSON
    // summary (key, JSON value), and hints printed after a failure.
    std::vector<std::string> notes;
    std::vector<std::pair<std::string, std::string>> extraJson;
    std::vector<std::string> hints;
};

// The exit status of an outcome: 0 rounded, 3 infeasible, 4 time limit, 1 failed.
int exitStatusOf(RunOutcome outcome);

// Sets up the program for a sub-command: the driver and front end installed,
// the add-in loaded, the engine log's size remembered. Undone by the destructor
// (the host is reset; workbooks never saved are listed first).
class CommandSession {
  public:
    CommandSession(bool quiet, bool json);
    ~CommandSession();
    bool ready() const { return ready_; }
    ReportingDriver& driver() { return driver_; }
    std::ostream& out();  // results for the user (stderr with --json)
    bool json() const { return json_; }

    // Runs a registered command; fills report.commandResult and the outcome
    // from the alerts and the Resolution Info. False when it could not run.
    bool run(const std::string& command, RunReport& report);

    // The workbooks opened or made since `before` (a list of windows).
    static std::vector<std::string> newWorkbooks(const std::vector<std::string>& before);
    // Saves the rounded-value and interval workbooks made by a rounding as
    // DIR/STEM-rounded.xlsx and DIR/STEM-intervals.xlsx.
    bool saveRoundingOutputs(const std::vector<std::string>& before, const std::string& dir,
                             const std::string& stem, RunReport& report);
    bool saveWorkbookAs(const std::string& book, const std::string& path, const std::string& role,
                        RunReport& report);
    // Saves a table the session made (generated or read from a list) as
    // `path`; with `round`, rounds it as the one-step command does and saves
    // its outputs beside. Returns the exit status.
    int finishTable(const std::string& book, const std::string& path, const std::string& role,
                    bool round, const std::string& dir, const std::string& stem, RunReport& report,
                    const std::string& command);
    // Reads the list selected in the active workbook into its
    // cross-classified table ("Read DB Style Instance...") and finishes it as
    // finishTable does. `hint`, when the list cannot be read, goes to
    // standard error before the outcome.
    int readList(const std::string& path, bool round, const std::string& dir,
                 const std::string& stem, const std::string& command, const std::string& hint = "");

    // Prints the Resolution Info, messages and files (and the JSON summary
    // with --json). Returns the exit status.
    int finish(const RunReport& report, const std::string& command);

  private:
    // The state of the last rounding run, when one ran during this session.
    bool lastRun(RunProgress& p) const;

    ReportingDriver driver_;
    bool quiet_, json_;
    bool ready_ = false;
    long logSizeBefore_ = 0;
    RunProgressSource progress_;
    int runsBefore_ = 0;
};

// Folder and file-name stem of a path: "data/table.xlsx" -> "data", "table".
void splitPath(const std::string& path, std::string& dir, std::string& stem);

}  // namespace app
