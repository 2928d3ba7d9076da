// The requests of the page. Each is checked first: it must be addressed to
// our own loopback address (a page of another site that found the port is
// refused) and carry the token. Work on the host goes to the host thread;
// files are handled here, inside the working folder only.
#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/drivers/web_session.h"
#include "app/serve.h"
#include "app/serve_app.h"
#include "app/serve_assets.h"
#include "app/serve_folder.h"

namespace app {

namespace {

using Json = nlohmann::json;
using Outcome = drivers::WebSession::Outcome;
using namespace std::chrono_literals;

std::string text(const Json& j) {
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void sendJson(httplib::Response& res, const Json& j, int status = 200) {
    res.status = status;
    res.set_content(text(j), "application/json; charset=utf-8");
}

void sendOutcome(httplib::Response& res, const Outcome& o) {
    switch (o.state) {
        case Outcome::State::Done:
            sendJson(res, o.result.is_null() ? Json::object() : o.result);
            break;
        case Outcome::State::Waiting:
            sendJson(res, Json{{"waiting", true}});
            break;
        case Outcome::State::Busy:
            sendJson(res, Json{{"busy", true}}, 503);
            break;
        case Outcome::State::Stopped:
            sendJson(res, Json{{"error", "the server is stopping"}}, 503);
            break;
    }
}

std::string mimeOf(const std::string& name) {
    auto ends = [&](const char* ext) {
        const std::string e = ext;
        return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
    };
    if (ends(".xlsx")) return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
    if (ends(".csv")) return "text/csv";
    if (ends(".png")) return "image/png";
    return "application/octet-stream";
}

std::string percentEncoded(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char b[4];
            std::snprintf(b, sizeof b, "%%%02X", c);
            out += b;
        }
    }
    return out;
}

std::string asciiName(const std::string& s) {
    std::string out;
    for (unsigned char c : s) out += (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') ? static_cast<char>(c) : '_';
    return out;
}

long longParam(const httplib::Request& req, const char* key, long fallback) {
    if (!req.has_param(key)) return fallback;
    const std::string v = req.get_param_value(key);
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    return end == v.c_str() ? fallback : n;
}

}  // namespace

void installRoutes(httplib::Server& server, drivers::WebSession& session, ServeApp& app,
                   const WorkFolder& folder, const std::string& token, int port) {
    const std::vector<std::string> hosts = {"127.0.0.1:" + std::to_string(port),
                                            "localhost:" + std::to_string(port),
                                            "[::1]:" + std::to_string(port)};
    server.set_pre_routing_handler([hosts, token](const httplib::Request& req,
                                                  httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
        res.set_header("X-Frame-Options", "DENY");
        res.set_header("Content-Security-Policy",
                       "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; "
                       "base-uri 'none'; form-action 'none'");
        const std::string host = req.get_header_value("Host");
        if (std::find(hosts.begin(), hosts.end(), host) == hosts.end()) {
            res.status = 403;
            res.set_content("quorant serve answers requests to " + hosts[0] + " only.\n",
                            "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }
        std::string given = req.get_header_value("X-Quorant-Token");
        if (given.empty()) given = req.get_param_value("token");
        if (!sameToken(given, token)) {
            res.status = 403;
            res.set_content(
                "This request lacks the token of this server. Open the address that "
                "quorant serve printed when it started, token included.\n",
                "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    server.Get("/", [token](const httplib::Request&, httplib::Response& res) {
        const web::Asset* page = web::findAsset("index.html");
        std::string html(page->body);
        for (std::size_t at; (at = html.find("{{TOKEN}}")) != std::string::npos;)
            html.replace(at, 9, token);
        res.set_content(html, "text/html; charset=utf-8");
    });
    server.Get(R"(/([a-z]+\.(js|css)))", [](const httplib::Request& req, httplib::Response& res) {
        const web::Asset* a = web::findAsset(req.matches[1].str());
        if (a == nullptr) {
            res.status = 404;
            return;
        }
        res.set_content(std::string(a->body), std::string(a->type));
    });

    server.Get("/api/state", [&session](const httplib::Request& req, httplib::Response& res) {
        const long since = longParam(req, "since", 0);
        const long wait = std::clamp(longParam(req, "wait", 20), 0L, 25L);
        Json state = session.state(static_cast<std::uint64_t>(std::max(0L, since)),
                                   std::chrono::seconds(since > 0 ? wait : 0));
        sendJson(res, state);
    });

    server.Post("/api/action", [&session, &app](const httplib::Request& req,
                                                httplib::Response& res) {
        Json action = Json::parse(req.body, nullptr, false);
        if (action.is_discarded() || !action.is_object()) {
            sendJson(res, Json{{"error", "the request is not a JSON object"}}, 400);
            return;
        }
        sendOutcome(res, session.submit(
                             [&app, action] {
                                 Json r = app.act(action);
                                 app.publish();
                                 return r;
                             },
                             1500ms));
    });

    server.Get("/api/sheet", [&session, &app](const httplib::Request& req, httplib::Response& res) {
        const std::string book = req.get_param_value("book");
        const int index = static_cast<int>(longParam(req, "index", 0));
        sendOutcome(res, session.submitIfIdle([&app, book, index] { return app.sheet(book, index); },
                                              10s));
    });

    server.Get("/api/files", [&folder](const httplib::Request&, httplib::Response& res) {
        Json files = Json::array();
        for (const auto& e : folder.list())
            files.push_back({{"name", e.name}, {"size", e.size}, {"modified", e.modified}});
        sendJson(res, Json{{"files", files}});
    });

    server.Post("/api/upload", [&session, &app, &folder](const httplib::Request& req,
                                                         httplib::Response& res) {
        std::string stored, error;
        if (!folder.storeNew(req.get_param_value("name"), req.body, stored, error)) {
            sendJson(res, Json{{"error", error}}, 500);
            return;
        }
        Outcome o = session.submit(
            [&app, stored] {
                Json r = app.openFile(stored);
                app.publish();
                return r;
            },
            10s);
        Json out = o.state == Outcome::State::Done ? o.result : Json::object();
        if (o.state != Outcome::State::Done)
            out["error"] = "the file was stored; the program is busy and will not open it now";
        out["stored"] = stored;
        sendJson(res, out);
    });

    server.Get("/api/file", [&folder](const httplib::Request& req, httplib::Response& res) {
        const std::string name = req.get_param_value("name");
        std::string path, error;
        if (!folder.existingFile(name, path, error)) {
            res.status = 404;
            res.set_content(error + "\n", "text/plain; charset=utf-8");
            return;
        }
        std::ifstream in(path, std::ios::binary);
        std::ostringstream data;
        data << in.rdbuf();
        const std::string leaf = path.substr(path.find_last_of('/') + 1);
        res.set_header("Content-Disposition", "attachment; filename=\"" + asciiName(leaf) +
                                                  "\"; filename*=UTF-8''" + percentEncoded(leaf));
        res.set_header("Content-Security-Policy", "sandbox");
        res.set_content(data.str(), mimeOf(leaf));
    });
}

}  // namespace app
