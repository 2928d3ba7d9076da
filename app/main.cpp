// quorant: starts the spreadsheet host, loads the rounding add-in and runs
// what the user asked for: a sub-command, a script, or an interactive session.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/capture_flags.h"
#include "app/commands.h"
#include "app/interrupt.h"
#include "app/drivers/answer_driver.h"
#include "app/drivers/script_driver.h"
#include "app/drivers/terminal_driver.h"
#include "app/line_editor.h"
#include "app/options_flags.h"
#include "app/program.h"
#include "app/script.h"
#include "app/serve.h"
#include "gui/driver.h"
#include "host/host.h"

namespace {

const char* const kUsage =
    "usage: quorant [--addin PATH] [--quiet] [COMMAND [ARGUMENTS]]\n"
    "\n"
    "Controlled rounding of statistical tables.\n"
    "\n"
    "Commands:\n"
    "  shell               an interactive session: menus, workbooks and dialogs in the\n"
    "                      terminal (the default when no command is given)\n"
    "  serve [--port N] [--folder DIR]\n"
    "                      the menus, workbooks and dialogs in a browser page on this\n"
    "                      machine (see docs/serve.md; `quorant serve --help`)\n"
    "  menu                load the add-in and print the menu bar and its commands\n"
    "  script FILE         run a script of actions (see docs/scripting.md);\n"
    "                      `quorant script --help` lists the actions\n"
    "%s"
    "\n"
    "Options:\n"
    "  --addin PATH        the add-in library to load (default: QTB_XPRESS.xll beside\n"
    "                      the program, or $QUORANT_ADDIN)\n"
    "  --quiet             do not show status texts as they happen\n"
    "  --help, --version   this text, the version; quorant COMMAND --help explains\n"
    "                      one command\n"
    "\n"
    "Status texts and alerts are shown on standard error as they happen; the\n"
    "rounding engine appends its log to qtb.out in the current folder. On a\n"
    "terminal a solve or audit longer than a second shows a live progress line\n"
    "(not with --quiet or --json).\n"
    "\n"
    "Environment: QUORANT_ADDIN (the add-in), QUORANT_PROGRESS_AFTER (seconds\n"
    "before the progress line shows, default 1), SOURCE_DATE_EPOCH (the date in\n"
    "the workbooks written; default 1980-01-01, so the same run gives the same\n"
    "bytes).\n"
    "\n"
    "A run's files are written under hidden partial names and moved into place\n"
    "together when it succeeds; a run that fails leaves earlier files as they\n"
    "were. An output that is an input (by any name) is refused. Ctrl-C or a kill\n"
    "stops a run with nothing written (exit status 130, 143).\n";

const char* const kShellHelp =
    "usage: quorant [--quiet] [shell]\n"
    "\n"
    "An interactive session: open and make workbooks, type into cells, run the\n"
    "add-in's menu items and answer its dialogs in the terminal. Lines can be\n"
    "edited, and the arrow keys bring back the lines typed before. Type help in\n"
    "the session for its commands, and help in a dialog for what it takes.\n"
    "--quiet hides the status texts; alerts are always shown.\n";

const char* const kMenuHelp =
    "usage: quorant menu\n"
    "\n"
    "Loads the add-in and prints the menu bar with the add-in's menu, and the\n"
    "commands it registered.\n";

const char* const kScriptUsage =
    "usage: quorant script [--bare] FILE   (--bare: do not load the add-in first)\n";

void printUsage(std::ostream& out) {
    std::string more = app::commandsUsage();
    std::vector<char> text(std::strlen(kUsage) + more.size() + 1);
    std::snprintf(text.data(), text.size(), kUsage, more.c_str());
    out << text.data() << "\n" << app::optionFlagsHelp() << "\n" << app::captureFlagsHelp();
}

void printScriptHelp(std::ostream& out) {
    out << "Script actions (one per line; see docs/scripting.md):\n";
    for (const auto& [name, info] : app::scriptActions())
        out << "  " << info.usage << "\n      " << info.summary << "\n";
}

int runMenu(bool quiet) {
    app::drivers::AnswerDriver driver(std::cerr);
    gui::ScopedDriver active(&driver);
    app::StatusEcho echo(&driver, std::cerr, !quiet);
    host::setFrontEnd(&echo);
    int status = 1;
    if (app::loadAddin(app::defaultAddinPath(), std::cerr)) {
        std::cout << host::menuBarText();
        std::cout << "\nRegistered commands:\n";
        for (const auto& r : host::registrations())
            std::cout << "  " << r.procedure << "  (" << r.category << ", shortcut " << r.shortcut
                      << ")\n";
        status = 0;
    }
    host::reset();
    host::setFrontEnd(nullptr);
    return status;
}

int runScript(const std::string& file, bool quiet, bool loadFirst) {
    std::ifstream in(file);
    if (!in) {
        std::cerr << "quorant: cannot open the script " << file << "\n";
        return 2;
    }
    std::vector<app::ScriptLine> lines;
    std::string error;
    if (!app::parseScript(in, lines, error)) {
        std::cerr << file << ": " << error << "\n";
        return 2;
    }
    app::drivers::ScriptDriver& driver = app::drivers::scriptDriver();
    driver.setOutput(&std::cout);
    gui::ScopedDriver active(&driver);
    app::StatusEcho echo(&driver, std::cerr, !quiet);
    host::setFrontEnd(&echo);

    app::ScriptContext ctx;
    ctx.out = &std::cout;
    size_t slash = file.find_last_of('/');
    ctx.scriptDir = slash == std::string::npos ? "" : file.substr(0, slash);
    ctx.addinPath = app::defaultAddinPath();
    int status = 1;
    if (!loadFirst || app::loadAddin(ctx.addinPath, std::cerr))
        status = app::runScriptLines(ctx, lines, file);
    std::cout.flush();
    app::reportUnsavedWorkbooks(std::cerr);
    host::reset();
    host::setFrontEnd(nullptr);
    return status;
}

// At a terminal the lines are read with editing and history; piped input is
// echoed, so that the transcript shows what was answered.
int runShell(bool quiet) {
    int status = 1;
    if (app::loadAddin(app::defaultAddinPath(), std::cerr)) {
        app::drivers::LineReader reader;
        if (app::terminalAtBothEnds()) reader = app::readEditedLine;
        status = app::drivers::runTerminalSession(std::cin, std::cout, !isatty(STDIN_FILENO),
                                                  quiet, reader);
    }
    app::reportUnsavedWorkbooks(std::cerr);
    host::reset();
    host::setFrontEnd(nullptr);
    return status;
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool quiet = false;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printUsage(std::cout);
            return 0;
        } else if (a == "--version") {
            std::cout << "quorant 0.1\n";
            return 0;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a == "--addin") {
            if (i + 1 >= args.size()) {
                std::cerr << "quorant: --addin needs a path\n";
                return 2;
            }
            app::setAddinPathOverride(args[++i]);
        } else if (a.rfind("--", 0) == 0) {
            std::cerr << "quorant: unknown option " << a << " (see quorant --help)\n";
            return 2;
        } else {
            break;
        }
    }
    std::vector<std::string> rest(args.begin() + long(i), args.end());
    const std::string command = rest.empty() ? "shell" : rest[0];

    const bool wantsHelp = rest.size() > 1 && std::find(rest.begin() + 1, rest.end(),
                                                        std::string("--help")) != rest.end();
    if (command == "shell") {
        if (wantsHelp) {
            std::cout << kShellHelp;
            return 0;
        }
        if (rest.size() > 1) {
            std::cerr << "quorant shell: takes no arguments (see quorant shell --help)\n";
            return 2;
        }
        return runShell(quiet);
    }
    if (command == "menu") {
        if (wantsHelp) {
            std::cout << kMenuHelp;
            return 0;
        }
        if (rest.size() > 1) {
            std::cerr << "quorant menu: takes no arguments (see quorant menu --help)\n";
            return 2;
        }
        return runMenu(quiet);
    }
    if (command == "serve") {
        const std::vector<std::string> options(rest.begin() + 1, rest.end());
        if (std::find(options.begin(), options.end(), "--help") != options.end()) {
            std::cout << app::kServeUsage;
            return 0;
        }
        app::ServeSettings settings;
        std::string error;
        if (!app::parseServeArguments(options, settings, error)) {
            std::cerr << "quorant serve: " << error << "\n" << app::kServeUsage;
            return 2;
        }
        return app::runServe(settings, quiet);
    }
    if (command == "script") {
        bool bare = false;
        std::string file;
        for (size_t k = 1; k < rest.size(); ++k) {
            if (rest[k] == "--help") {
                std::cout << kScriptUsage << "\n";
                printScriptHelp(std::cout);
                return 0;
            }
            if (rest[k] == "--bare")
                bare = true;
            else if (file.empty())
                file = rest[k];
            else {
                std::cerr << "quorant script: one script file at a time\n";
                return 2;
            }
        }
        if (file.empty()) {
            std::cerr << kScriptUsage;
            return 2;
        }
        return runScript(file, quiet, !bare);
    }
    int status = 0;
    if (app::runCommandLine(rest, quiet, status)) return status;
    std::cerr << "quorant: unknown command '" << command << "' (see quorant --help)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: every thread started later inherits the blocked
    // signals, which the watcher takes.
    app::interrupt::install();
    const int status = run(argc, argv);
    app::interrupt::endRunIfInterrupted();
    return status;
}
