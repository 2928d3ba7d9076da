// The web driver and its session, as the server uses them: the host thread
// runs a command whose windows wait for the page, and the page's actions
// arrive as tasks from another thread.
#include "app/drivers/web_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "app/drivers/web_session.h"
#include "app/serve_app.h"
#include "app/serve_folder.h"
#include "gui/gui.h"
#include "resources/dialog_ids.h"
#include "tests/app_drivers/sample_windows.h"

namespace {

using app::drivers::WebDriver;
using app::drivers::WebSession;
using Json = nlohmann::json;
using State = WebSession::Outcome::State;
using namespace std::chrono_literals;

// Long enough never to be reached on a slow machine; the waits end as soon
// as the host thread answers.
constexpr auto kPatience = 120s;

struct WebDriverTest : ::testing::Test {
    app::WorkFolder folder;
    WebSession session;
    std::unique_ptr<WebDriver> driver;
    std::thread hostThread;
    gui::UiDriver* previousDriver = nullptr;
    host::FrontEnd* previousFront = nullptr;

    void SetUp() override {
        res::registerAddinTemplates();
        std::string error;
        ASSERT_TRUE(folder.open(".", error)) << error;
        driver = std::make_unique<WebDriver>(session, folder);
        driver->setOnChange([this] {
            session.publish(
                Json{{"windows", driver->windowsView()}, {"notices", driver->notices()}});
        });
        previousDriver = gui::setActiveDriver(driver.get());
        previousFront = host::frontEnd();
        host::setFrontEnd(driver.get());
        hostThread = std::thread([this] { session.run(); });
    }
    void TearDown() override {
        session.requestStop();
        hostThread.join();
        gui::setActiveDriver(previousDriver);
        host::setFrontEnd(previousFront);
    }

    // Runs a command on the host thread; returns once it waits for the user.
    void start(std::function<void()> command) {
        auto o = session.submit(
            [command] {
                command();
                return Json::object();
            },
            kPatience);
        ASSERT_EQ(o.state, State::Waiting) << "the command opened no window";
    }
    // Returns once the host thread waits again (the effects of earlier
    // actions are published then).
    void sync() {
        session.submit([] { return Json::object(); }, kPatience);
    }
    Json windows() {
        sync();
        return session.state(0, 0ms)["windows"];
    }
    Json top() {
        Json w = windows();
        return w.empty() ? Json() : w.back();
    }
    Json act(Json action) {
        auto o = session.submit([this, action] { return driver->act(action); }, kPatience);
        EXPECT_NE(o.state, State::Busy);
        return o.state == State::Done ? o.result : Json{{"waiting", true}};
    }
    Json actTop(Json action) {
        action["window"] = top()["serial"];
        return act(action);
    }
    static const Json* control(const Json& window, int id) {
        for (const Json& c : window["controls"])
            if (c["id"] == id) return &c;
        return nullptr;
    }
};

TEST_F(WebDriverTest, APersonFillsTheOptionsSheetInThePage) {
    sample::Options options;
    int result = 0;
    start([&] { result = sample::runOptionsSheet(options); });
    Json sheet = top();
    EXPECT_EQ(sheet["kind"], "dialog");
    EXPECT_EQ(sheet["caption"], " Quorant");
    EXPECT_EQ(sheet["pages"].size(), 5u);
    EXPECT_EQ(sheet["activePage"], 0);
    EXPECT_EQ((*control(sheet, 12004))["text"], "7") << "the page was not activated";

    EXPECT_FALSE(actTop({{"do", "page"}, {"index", 1}}).contains("error"));
    sheet = top();
    EXPECT_EQ(sheet["activePage"], 1);
    EXPECT_EQ(sheet["width"], 248) << "the page's template size is what the page draws";
    EXPECT_EQ((*control(sheet, 12003))["text"], "10");
    const Json digits = (*control(sheet, 12005))["style"];
    EXPECT_NE(std::find(digits.begin(), digits.end(), "digits"), digits.end());

    // Typing refuses what a digits-only box refuses, and says so.
    Json typed = actTop({{"do", "type"}, {"id", 12005}, {"text", "1x5"}});
    EXPECT_EQ(typed["refused"], 1);
    EXPECT_EQ((*control(top(), 12005))["text"], "15");

    // Leaving the base box with a letter in it shows a message box on top.
    actTop({{"do", "type"}, {"id", 12003}, {"text", "1e3"}});
    const int sheetSerial = top()["serial"];
    EXPECT_TRUE(actTop({{"do", "focus"}, {"id", 12018}}).contains("waiting"));
    Json message = top();
    ASSERT_EQ(message["kind"], "message");
    EXPECT_EQ(message["text"], " This Edit Box allows only decimal numbers of the form 2.4711");
    EXPECT_EQ(windows().size(), 2u);
    // An action meant for the sheet is refused while the message waits.
    Json stale = act({{"window", sheetSerial}, {"do", "ok"}});
    EXPECT_NE(stale.value("error", "").find("no longer"), std::string::npos);
    EXPECT_TRUE(actTop({{"do", "answer"}, {"answer", "cancel"}}).contains("error"))
        << "an OK-only box has no Cancel";
    EXPECT_FALSE(actTop({{"do", "answer"}, {"answer", "ok"}}).contains("error"));
    sheet = top();
    EXPECT_EQ(sheet["serial"], sheetSerial);
    EXPECT_EQ((*control(sheet, 12003))["text"], "10") << "the last shown base was not put back";

    actTop({{"do", "type"}, {"id", 12003}, {"text", "5"}});
    actTop({{"do", "click"}, {"id", 12018}});
    EXPECT_TRUE((*control(top(), 12018))["checked"].get<bool>());
    EXPECT_TRUE(actTop({{"do", "click"}, {"id", 99999}}).contains("error"));
    actTop({{"do", "enter"}});  // Enter is the sheet's OK
    EXPECT_TRUE(windows().empty());
    EXPECT_EQ(result, gui::IDOK);
    EXPECT_EQ(options.base, "5");
    EXPECT_EQ(options.timelim, 15);
    EXPECT_EQ(options.keep, 1);
}

TEST_F(WebDriverTest, StoppingCancelsTheOpenWindowAndAnswersLaterOnesAtOnce) {
    sample::Options options;
    int sheet = 0, later = 0;
    start([&] {
        sheet = sample::runOptionsSheet(options);
        later = gui::messageBox("Save first?", "", gui::MB_YESNO);
    });
    session.requestStop();
    hostThread.join();
    hostThread = std::thread([] {});
    EXPECT_EQ(sheet, gui::IDCANCEL);
    EXPECT_EQ(later, gui::IDNO) << "a window after the stop must not wait for anyone";
    EXPECT_EQ(session.submit([] { return Json(1); }, 0ms).state, State::Stopped);
}

TEST_F(WebDriverTest, FileDialogsOfferTheWorkingFolderOnly) {
    std::ofstream("table.qtb") << "x";
    std::ofstream("notes.txt") << "x";
    std::filesystem::create_directory("../elsewhere");
    std::ofstream("../elsewhere/other.qtb") << "x";
    int result = 0;
    std::string chosen;
    start([&] {
        gui::FileDialog d(true, "qtb-instance", "", gui::FileDialog::kFileMustExist,
                          "Instance (*.qtb)|*.qtb|All|*.*||");
        result = d.DoModal();
        chosen = d.pathName();
    });
    Json dialog = top();
    EXPECT_EQ(dialog["kind"], "file");
    EXPECT_EQ(dialog["filters"][0]["files"], Json::array({"table.qtb"}));
    EXPECT_EQ(dialog["filters"][1]["files"].size(), 2u);
    Json out = actTop({{"do", "choose"}, {"name", "../elsewhere/other.qtb"}});
    EXPECT_NE(out.value("error", "").find("outside the working folder"), std::string::npos);
    out = actTop({{"do", "choose"}, {"name", "missing.qtb"}});
    EXPECT_NE(out.value("error", "").find("does not exist"), std::string::npos);
    EXPECT_EQ(top()["problem"], out["error"]) << "the page shows why the name was refused";
    out = actTop({{"do", "choose"}, {"name", "table"}});
    EXPECT_TRUE(windows().empty());
    EXPECT_EQ(result, gui::IDOK);
    EXPECT_EQ(chosen, (std::filesystem::canonical(".") / "table.qtb").string());

    start([&] {
        gui::FileDialog d(false, "qtb", "", gui::FileDialog::kOverwritePrompt, "Instance|*.qtb||");
        result = d.DoModal();
        chosen = d.pathName();
    });
    out = actTop({{"do", "choose"}, {"name", "table.qtb"}});
    EXPECT_TRUE(out.contains("confirm")) << "an existing file is replaced only when confirmed";
    EXPECT_EQ(top()["confirm"], "table.qtb");
    out = actTop({{"do", "choose"}, {"name", "notes.txt"}, {"replace", true}});
    EXPECT_TRUE(out.contains("confirm")) << "the confirmation was given for another name";
    EXPECT_EQ(top()["confirm"], "notes.txt");
    out = actTop({{"do", "choose"}, {"name", "table.qtb"}, {"replace", true}});
    EXPECT_TRUE(out.contains("confirm")) << "a confirmation of an earlier question counted";
    actTop({{"do", "choose"}, {"name", "table.qtb"}, {"replace", true}});
    EXPECT_TRUE(windows().empty());
    EXPECT_EQ(result, gui::IDOK);
}

TEST_F(WebDriverTest, TheHostDialogBoxTakesEntriesReferencesAndButtons) {
    host::DialogTable t;
    auto row = [&](std::array<std::string, 7> cells, std::vector<std::string> items = {}) {
        t.cells.push_back(cells);
        t.lists.push_back(items);
    };
    row({"", "", "", "300", "200", "Add sums", ""});
    row({"1", "10", "170", "60", "", "OK", ""});
    row({"2", "80", "170", "60", "", "Cancel", ""});
    row({"10", "10", "10", "150", "", "", ""});
    row({"13", "10", "40", "", "", "keep", "0"});
    row({"11", "", "", "", "", "", "1"});
    row({"12", "", "", "", "", "one", ""});
    row({"12", "", "", "", "", "two", ""});
    row({"15", "10", "100", "100", "50", "LIST", ""}, {"a", "b"});
    row({"206", "10", "150", "50", "", "", "2.0"});
    bool pressed = false;
    start([&] { pressed = driver->dialogBox(t); });
    Json box = top();
    ASSERT_EQ(box["kind"], "box");
    // Options without a position: the first where its group was placed (the
    // line below the check box), the second on the next line.
    EXPECT_EQ(box["rows"][5]["y"], 56);
    EXPECT_EQ(box["rows"][6]["y"], 72);
    EXPECT_EQ(box["rows"][5]["x"], 10);

    auto reference = [&](const std::string& text) {
        return session.submit([&, text] { return driver->insertReference(text); }, kPatience)
            .result;
    };
    EXPECT_TRUE(reference("Sheet1!R1C1").contains("error")) << "no reference box has the focus";
    actTop({{"do", "focus"}, {"row", 3}});
    EXPECT_EQ(reference("Sheet1!R1C1:R2C1")["row"], 3);
    EXPECT_TRUE(actTop({{"do", "set"}, {"row", 9}, {"text", "5"}}).contains("error"))
        << "a dimmed box took an entry";
    actTop({{"do", "check"}, {"row", 4}, {"on", true}});
    actTop({{"do", "choose"}, {"row", 5}, {"index", 2}});
    EXPECT_TRUE(actTop({{"do", "choose"}, {"row", 8}, {"index", 3}}).contains("error"));
    actTop({{"do", "choose"}, {"row", 8}, {"index", 1}});
    actTop({{"do", "enter"}});
    EXPECT_TRUE(windows().empty());
    EXPECT_TRUE(pressed);
    EXPECT_EQ(t.pressed, 1);
    EXPECT_EQ(t.cells[3][6], "Sheet1!R1C1:R2C1");
    EXPECT_EQ(t.cells[4][6], "1");
    EXPECT_EQ(t.cells[5][6], "2");
    EXPECT_EQ(t.cells[8][6], "1");
    EXPECT_EQ(t.cells[9][6], "2.0");
}

TEST_F(WebDriverTest, AlertsAndMessageBoxesAnswerWithTheirOwnButtons) {
    bool first = true, third = false;
    int second = 0;
    start([&] {
        first = driver->alert(" Overwrite the sheet?", 1);
        second = gui::messageBox("Keep the instance?", "Question", gui::MB_YESNO);
        third = driver->alert(" Done", 2);
    });
    EXPECT_EQ(top()["kind"], "alert");
    EXPECT_EQ(top()["buttons"], Json::array({"ok", "cancel"}));
    actTop({{"do", "escape"}});
    EXPECT_EQ(top()["caption"], "Question");
    EXPECT_TRUE(actTop({{"do", "answer"}, {"answer", "ok"}}).contains("error"));
    actTop({{"do", "answer"}, {"answer", "yes"}});
    EXPECT_EQ(top()["buttons"], Json::array({"ok"}));
    actTop({{"do", "escape"}});
    EXPECT_TRUE(windows().empty());
    EXPECT_FALSE(first) << "Escape is Cancel";
    EXPECT_EQ(second, gui::IDYES);
    EXPECT_TRUE(third);
    const Json notices = session.state(0, 0ms)["notices"];
    ASSERT_EQ(notices.size(), 3u) << "what was answered stays readable in the page";
    EXPECT_EQ(notices[0]["text"], " Overwrite the sheet?");
}

TEST_F(WebDriverTest, ViewsAreNotReadWhileTheHostThreadWorks) {
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    auto busy = session.submit(
        [gate] {
            gate.wait();
            return Json(1);
        },
        0ms);
    EXPECT_EQ(busy.state, State::Busy);
    EXPECT_EQ(session.submitIfIdle([] { return Json(2); }, kPatience).state, State::Busy)
        << "a view would have waited for the long command";
    EXPECT_TRUE(session.state(0, 0ms)["busy"].get<bool>());
    release.set_value();
    sync();
    auto idle = session.submitIfIdle([] { return Json(3); }, kPatience);
    EXPECT_EQ(idle.state, State::Done);
    EXPECT_EQ(idle.result, 3);
    EXPECT_FALSE(session.state(0, 0ms)["busy"].get<bool>());
    auto failing = session.submit([]() -> Json { throw std::runtime_error("boom"); }, kPatience);
    EXPECT_EQ(failing.state, State::Done);
    EXPECT_NE(failing.result.value("error", "").find("boom"), std::string::npos)
        << "an exception in a task must not end the host thread";
}

}  // namespace

namespace {

// A long solve publishes nothing: its progress is read at each request.
TEST(WebSessionLive, FieldsAreReadAtEachRequest) {
    WebSession session;
    int reads = 0;
    session.setLiveFields([&reads](Json& state) { state["progress"] = ++reads; });
    session.publish(Json{{"status", "Calling optimization library..."}});
    EXPECT_EQ(session.state(0, 0ms)["progress"], 1);
    const Json again = session.state(0, 0ms);
    EXPECT_EQ(again["progress"], 2) << "a stale progress was served";
    EXPECT_EQ(again["status"], "Calling optimization library...");
}

// The page's progress bar: time against the limit while searching, cells
// against the table while auditing, nothing once the run is over. A wrong
// pair would show a bar that never fills or one past its end.
TEST(WebSessionLive, ProgressShowsTimeWhileSearchingAndCellsWhileAuditing) {
    RunProgress p{};
    p.phase = kRunSolving;
    p.elapsedSeconds = 12;
    p.limitSeconds = 600;
    p.cellCount = 9261;
    p.cellsAuditedSoFar = 0;
    const Json searching = app::progressView(p);
    ASSERT_FALSE(searching.is_null());
    EXPECT_EQ(searching["done"], 12.0);
    EXPECT_EQ(searching["of"], 600.0);
    EXPECT_NE(searching["text"].get<std::string>().find("searching"), std::string::npos);

    p.phase = kRunAuditing;
    p.cellsAuditedSoFar = 1200;
    const Json auditing = app::progressView(p);
    EXPECT_EQ(auditing["done"], 1200.0);
    EXPECT_EQ(auditing["of"], 9261.0);
    EXPECT_NE(auditing["text"].get<std::string>().find("1200 of 9261"), std::string::npos);

    for (int phase : {kRunIdle, kRunChecking, kRunEnded}) {
        p.phase = phase;
        EXPECT_TRUE(app::progressView(p).is_null()) << "a bar shown in phase " << phase;
    }
}

}  // namespace
