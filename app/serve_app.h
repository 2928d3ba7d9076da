// What `quorant serve` does on the host thread: it publishes what the page
// shows (menus, workbooks, windows, status, messages, the last result) and
// runs the page's requests: menu picks, opening, activating, selecting,
// saving and closing workbooks, answers to windows, and views of sheets.
//
// Workbooks a menu command makes are saved at once into the working folder,
// so that no result exists only in memory: a rounding's copies as
// STEM-rounded.xlsx and STEM-intervals.xlsx, others under their own names,
// each time under a name not yet taken.
#pragma once

#include <iosfwd>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "app/drivers/web_driver.h"
#include "app/drivers/web_session.h"
#include "app/serve_folder.h"
#include "engine/run_progress.h"

namespace app {

class ServeApp {
  public:
    using Json = nlohmann::json;

    // `addin` is the handle of the loaded add-in (its instance description is
    // read from it).
    ServeApp(drivers::WebSession& session, drivers::WebDriver& driver, const WorkFolder& folder,
             int addin);

    // ---- host thread ---------------------------------------------------------------
    void publish();
    // One request of the page: {"do": ...}. Window actions carry "window".
    Json act(const Json& action);
    // The grid of one sheet, with the marks and comparisons that apply to it.
    Json sheet(const std::string& book, int index);
    // Opens a file of the working folder with the host's readers.
    Json openFile(const std::string& name);
    // Saves the unsaved workbooks made during the session into the working
    // folder and says so on `out`. Called once the server has stopped.
    void finish(std::ostream& out);

  private:
    struct BookInfo {
        std::string role;     // "" opened by the user, "rounded", "intervals", "made"
        std::string source;   // rounded/intervals: the workbook rounded
        std::string partner;  // rounded <-> intervals of the same run
        std::string file;     // the working folder's file it was last saved to
        double base = 0;      // rounded: the base of the rounding
    };

    Json pick(const Json& path);
    Json saveBook(const std::string& book);
    bool saveAs(const std::string& book, const std::string& stem, std::string& file,
                std::string& error);
    Json menusView() const;
    void nameEquations(Json& windows) const;
    Json booksView();
    void syncBooks();
    std::string instanceReport() const;
    std::string addinText(const char* function) const;
    std::string commandOf(const std::vector<std::string>& path) const;

    drivers::WebSession& session_;
    drivers::WebDriver& driver_;
    const WorkFolder& folder_;
    int addin_;
    std::vector<std::string> order_;  // the workbooks' tabs, in the order they appeared
    std::map<std::string, BookInfo> info_;
    std::set<std::string> ours_;  // workbooks whose file this session wrote (may be replaced)
    std::string captured_;        // the workbook active when the last command started
    Json lastCommand_;
    Json result_;  // the last Resolution Info
};

// What the page shows of a running solve or audit: {"text", "done", "of"}, the
// terminal's progress text with time used against the limit while searching
// and cells audited against the table's cells while auditing; null when the
// run has nothing to show (not started, checking, over, or just begun).
nlohmann::json progressView(const RunProgress& p);

}  // namespace app
