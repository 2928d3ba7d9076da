// `quorant serve`: the add-in in a browser page, served on the loopback
// address. Every request must carry the token printed at start; files are read
// and written only inside the working folder; Ctrl-C stops the server cleanly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace app {

class ServeApp;
class WorkFolder;
namespace drivers {
class WebSession;
}

// The largest file the page may upload.
constexpr std::size_t kUploadLimit = 64u << 20;

struct ServeSettings {
    int port = 8765;  // 0: any free port
    std::string folder = ".";
};

// Reads the arguments after "serve"; false with a message for the user.
bool parseServeArguments(const std::vector<std::string>& args, ServeSettings& settings,
                         std::string& error);
extern const char* const kServeUsage;

// Runs the server until SIGINT or SIGTERM; returns the exit status.
int runServe(const ServeSettings& settings, bool quiet);

// The routes of the page and its requests (serve_http.cpp). `port` is the one
// the server listens on: requests naming another host are refused.
void installRoutes(httplib::Server& server, drivers::WebSession& session, ServeApp& app,
                   const WorkFolder& folder, const std::string& token, int port);

// A fresh random token of 32 hexadecimal digits.
std::string newToken();
// Compares a token in time that does not depend on where the texts differ.
bool sameToken(const std::string& given, const std::string& token);

}  // namespace app
