// quorant serve as a program: what it refuses, what it stores, and how it
// stops. Requests are made with cpp-httplib's client and plain sockets.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include <nlohmann/json.hpp>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// A running `quorant serve`, stopped with Ctrl-C (SIGINT) at the end.
struct Served {
    pid_t pid = -1;
    int port = 0;
    std::string token;
    int status = -1;

    bool start(const std::string& folder, const std::string& port = "0") {
        int out[2];
        if (pipe(out) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            FILE* err = std::fopen("serve.err", "w");
            if (err) dup2(fileno(err), 2);
            close(out[0]);
            execl(clirun::kQuorant.c_str(), "quorant", "--quiet", "serve", "--port", port.c_str(),
                  "--folder", folder.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* in = fdopen(out[0], "r");
        std::string text;
        char line[512];
        for (int i = 0; i < 3 && std::fgets(line, sizeof line, in); ++i) text += line;
        std::fclose(in);
        std::smatch m;
        if (!std::regex_search(text, m, std::regex("127\\.0\\.0\\.1:(\\d+)/\\?token=([0-9a-f]+)")))
            return false;
        this->port = std::stoi(m[1]);
        token = m[2];
        return true;
    }
    int stop() {
        if (pid > 0 && status < 0) {
            kill(pid, SIGINT);
            int raw = 0;
            waitpid(pid, &raw, 0);
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        return status;
    }
    ~Served() { stop(); }
    httplib::Headers auth() const { return {{"X-Quorant-Token", token}}; }
};

struct ServeProgramTest : ::testing::Test {
    Served served;
    std::unique_ptr<httplib::Client> client;
    void SetUp() override {
        fs::create_directories("folder");
        std::ofstream("folder/table.csv") << "a;b;total\n1;2;3\n";
        std::ofstream("secret.txt") << "outside";
        ASSERT_TRUE(served.start("folder")) << clirun::slurp("serve.err");
        client = std::make_unique<httplib::Client>("127.0.0.1", served.port);
        client->set_read_timeout(120, 0);
    }
    Json action(const Json& a) {
        auto r = client->Post("/api/action", served.auth(), a.dump(), "application/json");
        return r ? Json::parse(r->body, nullptr, false) : Json{{"error", "no answer"}};
    }
};

TEST_F(ServeProgramTest, EveryRequestNeedsTheTokenAndOurOwnAddress) {
    auto page = client->Get(("/?token=" + served.token).c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find(served.token), std::string::npos) << "the page carries its token";
    for (const char* path : {"/", "/app.js", "/api/state", "/api/files", "/api/file?name=table.csv"}) {
        auto r = client->Get(path);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 403) << path << " was answered without the token";
        r = client->Get(path, {{"X-Quorant-Token", std::string(32, '0')}});
        EXPECT_EQ(r->status, 403) << path << " was answered to a wrong token";
    }
    auto rebound = client->Get("/api/state", {{"X-Quorant-Token", served.token}, {"Host", "evil.example:80"}});
    ASSERT_TRUE(rebound);
    EXPECT_EQ(rebound->status, 403) << "a page of another site reaching the port was answered";
    auto outside = client->Get("/api/file?name=..%2Fsecret.txt", served.auth());
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->status, 404);
    EXPECT_EQ(outside->body.find("outside\n"), std::string::npos);
    auto inside = client->Get("/api/file?name=table.csv", served.auth());
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->status, 200);
    EXPECT_NE(inside->get_header_value("Content-Disposition").find("attachment"), std::string::npos)
        << "a file of the folder must never be shown as a page of ours";
    EXPECT_EQ(action({{"do", "frobnicate"}}).value("error", ""), "unknown request \"frobnicate\"");
    auto garbage = client->Post("/api/action", served.auth(), "{not json", "application/json");
    ASSERT_TRUE(garbage);
    EXPECT_EQ(garbage->status, 400);
}

TEST_F(ServeProgramTest, UploadsAreStoredUnderFreeNamesAndTooLargeOnesRefused) {
    auto r = client->Post("/api/upload?name=..%2F..%2Ftable.csv", served.auth(),
                          "x;y;total\n4;5;9\n", "application/octet-stream");
    ASSERT_TRUE(r);
    Json answer = Json::parse(r->body);
    EXPECT_EQ(answer["stored"], "table-2.csv") << r->body;
    EXPECT_EQ(answer["book"], "table-2") << "the uploaded workbook was not opened";
    EXPECT_EQ(clirun::slurp("folder/table.csv"), "a;b;total\n1;2;3\n") << "the user's file changed";
    EXPECT_FALSE(fs::exists("table.csv")) << "an upload landed outside the folder";

    // A body over the limit is refused, and nothing of it is stored.
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(served.port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::size_t size = (64u << 20) + 1;
    const std::string request = "POST /api/upload?name=big.csv HTTP/1.1\r\nHost: 127.0.0.1:" +
                                std::to_string(served.port) + "\r\nX-Quorant-Token: " + served.token +
                                "\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n";
    ASSERT_EQ(send(s, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    const std::string chunk(1 << 20, 'x');
    for (std::size_t sent = 0; sent < size;) {
        const ssize_t n = send(s, chunk.data(), std::min(chunk.size(), size - sent), MSG_NOSIGNAL);
        if (n <= 0) break;  // the server stopped reading
        sent += static_cast<std::size_t>(n);
    }
    char reply[256] = {};
    ASSERT_GT(read(s, reply, sizeof reply - 1), 0);
    close(s);
    EXPECT_NE(std::string(reply).find(" 413 "), std::string::npos) << reply;
    EXPECT_FALSE(fs::exists("folder/big.csv"));
}

TEST_F(ServeProgramTest, CtrlCStopsCleanlyAndKeepsWhatWasMade) {
    Json made = action({{"do", "new"}});
    ASSERT_TRUE(made.contains("book")) << made.dump();
    const std::string book = made["book"];
    EXPECT_EQ(served.stop(), 0);
    const std::string err = clirun::slurp("serve.err");
    EXPECT_NE(err.find("saved the workbook " + book + " as " + book + ".xlsx"), std::string::npos)
        << err;
    EXPECT_TRUE(fs::exists("folder/" + book + ".xlsx")) << "a workbook made in the page was lost";
    EXPECT_NE(err.find("quorant serve: stopped"), std::string::npos);
}

TEST(ServeProgram, RefusesWhatCannotApply) {
    auto r = clirun::quorant("serve --port http");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--port takes a number"), std::string::npos);
    r = clirun::quorant("serve --folder no-such-folder");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos);
    r = clirun::quorant("serve --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--folder DIR"), std::string::npos);

    fs::create_directories("folder");
    Served first;
    ASSERT_TRUE(first.start("folder"));
    r = clirun::quorant("serve --folder folder --port " + std::to_string(first.port));
    EXPECT_EQ(r.status, 1) << "a second server on a port in use";
    EXPECT_NE(r.err.find("cannot listen"), std::string::npos);
}

}  // namespace
