#include "app/drivers/answers.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "gui/template.h"

namespace app::drivers {

namespace {

std::string at(const ScriptLine& line) {
    return "line " + std::to_string(line.number) + ": ";
}

bool parseButton(const std::string& word, bool allowYesNo, int& button) {
    if (word == "ok") {
        button = gui::IDOK;
    } else if (word == "cancel") {
        button = gui::IDCANCEL;
    } else if (allowYesNo && word == "yes") {
        button = gui::IDYES;
    } else if (allowYesNo && word == "no") {
        button = gui::IDNO;
    } else {
        return false;
    }
    return true;
}

bool parseInt(const std::string& word, int& value) {
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0') return false;
    value = static_cast<int>(v);
    return true;
}

struct StepSyntax {
    const char* name;
    StepKind kind;
    int words;      // words after the name (-1: two or more, the rest joined by line breaks)
    bool onOffArg;  // the last word is on/off
};

const StepSyntax kStepSyntax[] = {
    {"set", StepKind::Set, -1, false},
    {"leave", StepKind::Leave, 1, false},
    {"click", StepKind::Click, 1, false},
    {"check", StepKind::Check, 2, true},
    {"select", StepKind::Select, 2, false},
    {"page", StepKind::Page, 1, false},
    {"expect-text", StepKind::ExpectText, 2, false},
    {"expect-checked", StepKind::ExpectChecked, 2, true},
    {"expect-enabled", StepKind::ExpectEnabled, 2, true},
    {"expect-items", StepKind::ExpectItems, 2, false},
    {"expect-selected", StepKind::ExpectSelected, 2, false},
    {"expect-caption", StepKind::ExpectCaption, 1, false},
    {"ok", StepKind::Ok, 0, false},
    {"cancel", StepKind::Cancel, 0, false},
};

bool parseDialogStep(const ScriptLine& line, const std::string& baseDir, DialogStep& step,
                     std::string& error) {
    const std::vector<std::string>& w = line.words;
    step.line = line.number;
    if (w[0] == "dialog" || w[0] == "message-box" || w[0] == "file-dialog" || w[0] == "alert" ||
        w[0] == "dialog-box") {
        auto nested = std::make_shared<Answer>();
        if (!parseAnswer(line, baseDir, *nested, error)) return false;
        step.kind = StepKind::Queue;
        step.nested = nested;
        return true;
    }
    for (const StepSyntax& s : kStepSyntax) {
        if (w[0] != s.name) continue;
        const int given = static_cast<int>(w.size()) - 1;
        if ((s.words >= 0 && given != s.words) || (s.words < 0 && given < 2)) {
            error = at(line) + "'" + w[0] + "' takes " +
                    (s.words < 0 ? std::string("a control and a text")
                                 : std::to_string(s.words) + " word(s)");
            return false;
        }
        step.kind = s.kind;
        if (s.kind == StepKind::Page || s.kind == StepKind::ExpectCaption) {
            step.text = w[1];
        } else if (given >= 1) {
            step.control = w[1];
        }
        if (s.words < 0) {
            for (std::size_t i = 2; i < w.size(); ++i) step.text += (i > 2 ? "\n" : "") + w[i];
        } else if (s.words == 2 && s.onOffArg) {
            if (!parseOnOff(w[2], step.on)) {
                error = at(line) + "'" + w[0] + "' wants on or off, not '" + w[2] + "'";
                return false;
            }
        } else if (s.words == 2) {
            step.text = w[2];
        }
        return true;
    }
    error = at(line) + "unknown dialog step '" + w[0] + "'";
    return false;
}

bool parseBoxStep(const ScriptLine& line, BoxStep& step, std::string& error) {
    const std::vector<std::string>& w = line.words;
    step.line = line.number;
    if (w[0] == "cancel" && w.size() == 1) {
        step.kind = BoxStep::Cancel;
        return true;
    }
    struct Form {
        const char* name;
        BoxStep::Kind kind;
        std::size_t words;
    };
    static const Form forms[] = {{"set", BoxStep::Set, 3},
                                 {"check", BoxStep::Check, 3},
                                 {"choose", BoxStep::Choose, 3},
                                 {"press", BoxStep::Press, 2},
                                 {"expect-text", BoxStep::ExpectText, 3},
                                 {"expect-value", BoxStep::ExpectValue, 3}};
    for (const Form& f : forms) {
        if (w[0] != f.name) continue;
        if (w.size() != f.words || !parseInt(w[1], step.row) || step.row < 0) {
            error = at(line) + "'" + w[0] + "' takes a row number" +
                    (f.words == 3 ? " and a value" : "");
            return false;
        }
        step.kind = f.kind;
        if (f.words == 3) step.text = w[2];
        if (f.kind == BoxStep::Check && !parseOnOff(w[2], step.on)) {
            error = at(line) + "'check' wants on or off, not '" + w[2] + "'";
            return false;
        }
        if (f.kind == BoxStep::Choose) {
            int n = 0;
            if (!parseInt(w[2], n)) {
                error = at(line) + "'choose' wants a number, not '" + w[2] + "'";
                return false;
            }
        }
        return true;
    }
    error = at(line) + "unknown dialog-box step '" + w[0] + "'";
    return false;
}

}  // namespace

const char* answerKindName(AnswerKind kind) {
    switch (kind) {
        case AnswerKind::Dialog:
            return "dialog";
        case AnswerKind::MessageBox:
            return "message-box";
        case AnswerKind::FileDialog:
            return "file-dialog";
        case AnswerKind::Alert:
            return "alert";
        case AnswerKind::DialogBox:
            return "dialog-box";
    }
    return "answer";
}

std::string describeAnswer(const Answer& a) {
    std::string out = answerKindName(a.kind);
    if (!a.match.empty()) out += " \"" + a.match + "\"";
    if (a.kind == AnswerKind::FileDialog) out += a.cancel ? " cancel" : " \"" + a.path + "\"";
    if (a.line != 0) out += " (line " + std::to_string(a.line) + ")";
    return out;
}

bool parseAnswer(const ScriptLine& line, const std::string& baseDir, Answer& out,
                 std::string& error) {
    const std::vector<std::string>& w = line.words;
    out = Answer{};
    out.line = line.number;
    const std::string& name = w[0];
    if (name == "dialog" || name == "dialog-box") {
        out.kind = name == "dialog" ? AnswerKind::Dialog : AnswerKind::DialogBox;
        if (w.size() > 2 || !line.hasBlock) {
            error = at(line) + "'" + name + "' takes an optional title and a block: " + name +
                    " \"Title\" { ... }";
            return false;
        }
        if (w.size() == 2) out.match = w[1];
        for (const ScriptLine& inner : line.block) {
            if (out.kind == AnswerKind::Dialog) {
                DialogStep step;
                if (!parseDialogStep(inner, baseDir, step, error)) return false;
                out.steps.push_back(std::move(step));
            } else {
                BoxStep step;
                if (!parseBoxStep(inner, step, error)) return false;
                out.boxSteps.push_back(step);
            }
        }
        return true;
    }
    if (line.hasBlock) {
        error = at(line) + "'" + name + "' takes no block";
        return false;
    }
    if (name == "message-box" || name == "alert") {
        out.kind = name == "alert" ? AnswerKind::Alert : AnswerKind::MessageBox;
        const bool yesNo = out.kind == AnswerKind::MessageBox;
        if (w.size() < 2 || w.size() > 3 || !parseButton(w[1], yesNo, out.button)) {
            error = at(line) + "'" + name + "' takes " +
                    (yesNo ? "ok, cancel, yes or no" : "ok or cancel") +
                    " and optionally the text it must show";
            return false;
        }
        if (w.size() == 3) {
            out.checkText = true;
            out.text = w[2];
        }
        return true;
    }
    if (name == "file-dialog") {
        out.kind = AnswerKind::FileDialog;
        if (w.size() == 2 && w[1] == "cancel") {
            out.cancel = true;
            return true;
        }
        if (w.size() < 2 || w.size() > 3 || w[1].empty() ||
            (w.size() == 3 && w[2] != "replace" && w[2] != "keep")) {
            error = at(line) + "'file-dialog' takes a path (then replace or keep) or cancel";
            return false;
        }
        std::filesystem::path p(w[1]);
        out.path = (p.is_relative() && !baseDir.empty())
                       ? (std::filesystem::path(baseDir) / p).string()
                       : w[1];
        out.replace = w.size() == 2 || w[2] == "replace";
        return true;
    }
    error = at(line) + "'" + name + "' is not an answer";
    return false;
}

}  // namespace app::drivers
