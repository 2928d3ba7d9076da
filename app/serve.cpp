#include "app/serve.h"

#include <httplib.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/drivers/web_driver.h"
#include "app/drivers/web_session.h"
#include "app/interrupt.h"
#include "app/program.h"
#include "app/progress_line.h"
#include "app/run_progress_source.h"
#include "app/serve_app.h"
#include "app/serve_folder.h"
#include "gui/driver.h"
#include "host/host.h"

namespace app {

namespace {

// Ctrl-C and SIGTERM, handed over by the program's signal watcher while the
// server runs: the server stops by itself and keeps what was made.
struct SignalQueue {
    std::mutex mutex;
    std::condition_variable changed;
    int pending = 0;
    bool closed = false;
} signalQueue;

void queueSignal(int) {
    std::lock_guard<std::mutex> lock(signalQueue.mutex);
    ++signalQueue.pending;
    signalQueue.changed.notify_all();
}

// The next signal; false once the queue is closed.
bool nextSignal() {
    std::unique_lock<std::mutex> lock(signalQueue.mutex);
    signalQueue.changed.wait(lock, [] { return signalQueue.pending > 0 || signalQueue.closed; });
    if (signalQueue.closed) return false;
    --signalQueue.pending;
    return true;
}

void closeSignals() {
    std::lock_guard<std::mutex> lock(signalQueue.mutex);
    signalQueue.closed = true;
    signalQueue.changed.notify_all();
}

}  // namespace

const char* const kServeUsage =
    "usage: quorant serve [--port N] [--folder DIR]\n"
    "\n"
    "Serves the add-in as a page for a browser on this machine: the workbooks, the\n"
    "Rounding menu and every dialog. Prints the address to open, with a token that\n"
    "every request must carry. Press Ctrl-C to stop.\n"
    "\n"
    "  --port N       the port on 127.0.0.1 (default 8765; 0: any free port)\n"
    "  --folder DIR   the working folder (default: the current one): the page opens,\n"
    "                 uploads, saves and downloads files there and nowhere else; the\n"
    "                 engine's log qtb.out and test logs are written there too\n";

bool parseServeArguments(const std::vector<std::string>& args, ServeSettings& settings,
                         std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--port" || a == "--folder") && i + 1 >= args.size()) {
            error = a + " needs a value";
            return false;
        }
        if (a == "--port") {
            const std::string& v = args[++i];
            char* end = nullptr;
            const long port = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || port < 0 || port > 65535) {
                error = "--port takes a number from 0 to 65535, not " + v;
                return false;
            }
            settings.port = static_cast<int>(port);
        } else if (a == "--folder") {
            settings.folder = args[++i];
        } else {
            error = "unknown argument " + a;
            return false;
        }
    }
    return true;
}

std::string newToken() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    std::string out;
    for (unsigned char b : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", b);
        out += hex;
    }
    return out;
}

bool sameToken(const std::string& given, const std::string& token) {
    if (given.size() != token.size() || token.empty()) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < token.size(); ++i)
        diff |= static_cast<unsigned char>(given[i] ^ token[i]);
    return diff == 0;
}

int runServe(const ServeSettings& settings, bool quiet) {
    WorkFolder folder;
    std::string error;
    if (!folder.open(settings.folder, error)) {
        std::cerr << "quorant serve: " << error << "\n";
        return 2;
    }
    const std::string root = folder.root().empty() ? "/" : folder.root();
    const std::string addinPath = defaultAddinPath();  // before the folder becomes current
    if (::chdir(root.c_str()) != 0) {
        std::cerr << "quorant serve: cannot work in " << root << "\n";
        return 2;
    }

    // Ctrl-C and SIGTERM come from the program's signal watcher (every
    // thread keeps them blocked) to the stopper below.
    interrupt::delegate(queueSignal);
    ::signal(SIGPIPE, SIG_IGN);

    drivers::WebSession session;
    drivers::WebDriver driver(session, folder);
    gui::ScopedDriver activeDriver(&driver);
    StatusEcho echo(&driver, std::cerr, !quiet);
    host::setFrontEnd(&echo);
    int addin = 0;
    if (!loadAddin(addinPath, std::cerr, &addin)) {
        host::setFrontEnd(nullptr);
        return 1;
    }
    ServeApp app(session, driver, folder, addin);
    // A long solve or audit publishes nothing while it runs: each request
    // reads its progress from the add-in directly.
    const RunProgressSource progress = RunProgressSource::fromLoadedAddins();
    session.setLiveFields([progress](nlohmann::json& state) {
        RunProgress p{};
        if (!state.value("busy", false) || !progress.read(p)) return;
        if (nlohmann::json view = progressView(p); !view.is_null()) state["progress"] = view;
    });
    driver.setOnChange([&app] { app.publish(); });

    httplib::Server server;
    server.set_payload_max_length(kUploadLimit);
    server.set_keep_alive_max_count(1000);
    // The library's default shares the port (SO_REUSEPORT): a second server,
    // or another program, could then take over requests meant for this one.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    int port = settings.port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0) {
        std::cerr << "quorant serve: cannot listen on 127.0.0.1:" << settings.port
                  << " (is another program using it? --port chooses another)\n";
        host::reset();
        host::setFrontEnd(nullptr);
        return 1;
    }
    const std::string token = newToken();
    installRoutes(server, session, app, folder, token, port);
    app.publish();

    std::thread http([&server] { server.listen_after_bind(); });
    std::thread stopper([&] {
        if (!nextSignal()) return;
        std::cerr << "\nquorant serve: stopping (press Ctrl-C again to stop at once)\n";
        session.requestStop();
        server.stop();
        // A second signal while a long command finishes ends the process.
        if (nextSignal()) {
            std::cerr << "quorant serve: stopped at once\n";
            std::_Exit(130);
        }
    });

    std::cout << "Quorant is serving the folder " << root << "\n"
              << "Open http://127.0.0.1:" << port << "/?token=" << token << "\n"
              << "in a browser on this machine. Press Ctrl-C to stop.\n"
              << std::flush;

    session.run();  // until Ctrl-C
    server.stop();
    http.join();
    // The stopper waits for a (second) signal: it waits no longer.
    closeSignals();
    stopper.join();
    interrupt::delegate(nullptr);

    app.finish(std::cerr);
    reportUnsavedWorkbooks(std::cerr);
    host::reset();
    host::setFrontEnd(nullptr);
    std::cerr << "quorant serve: stopped\n";
    return 0;
}

}  // namespace app
