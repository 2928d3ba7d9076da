// What every command of the quorant program shares: where the add-in is, how
// texts of the host reach the user, and what is said when the program ends.
#pragma once

#include <iosfwd>
#include <string>

#include "host/host.h"

namespace app {

// The engine's log, in the current folder; the add-in's engine appends to it.
inline constexpr char kEngineLogFile[] = "qtb.out";

// The add-in library to load: --addin PATH, else $QUORANT_ADDIN, else
// QTB_XPRESS.xll beside the program.
std::string defaultAddinPath();
void setAddinPathOverride(const std::string& path);

// A front end that shows every status text as it happens on `notices`
// ("status: ...") and hands everything else to the inner front end.
class StatusEcho : public host::FrontEnd {
  public:
    StatusEcho(host::FrontEnd* inner, std::ostream& notices, bool showStatus)
        : inner_(inner), notices_(notices), showStatus_(showStatus) {}
    void status(const std::string& text) override;
    bool alert(const std::string& text, int type) override;
    bool dialogBox(host::DialogTable& table) override;
    void hostMessage(const std::string& text) override;

  private:
    host::FrontEnd* inner_;
    std::ostream& notices_;
    bool showStatus_;
};

// Loads the add-in; false with a message on `err` when it cannot be loaded.
// Its stop entry becomes the hook a Ctrl-C or kill calls (app/interrupt.h).
bool loadAddin(const std::string& path, std::ostream& err, int* handle = nullptr);

// Lists, on `err`, the workbooks made during the run that were never saved,
// so that no result is lost without the user knowing.
void reportUnsavedWorkbooks(std::ostream& err);

}  // namespace app
