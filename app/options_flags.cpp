#include "app/options_flags.h"

#include <cmath>
#include <cstdlib>
#include <map>

namespace app {

namespace {

// The options sheet's boxes differ in what they take: the base box only digits
// and '.', the count boxes only digits, the bound boxes decimal numbers or their
// keyword (anything else is refused there), the protection boxes any number.
enum class Kind {
    Positive,
    WholeNumber,
    Number,
    NumberOrInf,
    DecimalOrInf,
    DecimalOrMinusInf,
    Seed,
    Switch
};

struct Flag {
    const char* name;
    Kind kind;
    const char* page;
    const char* control;
    const char* metavar;
    const char* help;
};

const char* const kGeneral = "General Options";
const char* const kBounds = "Bounds";
const char* const kProtection = "Protection Levels";

// In the order the sheet's pages and boxes are filled.
const Flag kFlags[] = {
    {"--base", Kind::Positive, kGeneral, "12003", "B", "base number (default 10)"},
    {"--time-limit", Kind::WholeNumber, kGeneral, "12005", "MIN",
     "time limit in whole minutes for solve and audit (default 10)"},
    {"--max-jump", Kind::WholeNumber, kGeneral, "12015", "K",
     "largest jump of the extended model, in base units (default 0)"},
    {"--no-audit", Kind::Switch, kGeneral, "12019", "", "no auditing phase (no interval workbook)"},
    {"--random-weights", Kind::Switch, kGeneral, "12017", "", "random weights in the objective"},
    {"--weights-seed", Kind::Seed, kGeneral, "12022", "N",
     "seed of the random weights, 0 to 4294967295 (default: a new one each run, printed)"},
    {"--keep-loaded", Kind::Switch, kGeneral, "12018", "",
     "keep the instance loaded after rounding (in scripts and the shell)"},
    {"--refresh-pivot", Kind::Switch, kGeneral, "12020", "",
     "refresh the pivot table of an imported list (a workbook with one)"},
    {"--accept-best", Kind::Switch, kGeneral, "12021", "",
     "when the time limit ends the search, publish the best rounding found (not proven "
     "optimal)"},
    {"--lower-floor", Kind::DecimalOrMinusInf, kBounds, "12003", "X|-inf",
     "lower bound = max{X, value - Y} (default X = 0)"},
    {"--lower-dist", Kind::DecimalOrInf, kBounds, "12005", "Y|inf", "(default Y = 2 x base)"},
    {"--upper-cap", Kind::DecimalOrInf, kBounds, "12004", "Z|inf",
     "upper bound = min{Z, value + W} (default Z = inf)"},
    {"--upper-dist", Kind::DecimalOrInf, kBounds, "12006", "W|inf", "(default W = 2 x base)"},
    {"--lpl", Kind::Number, kProtection, "12003", "L", "lower protection level"},
    {"--upl", Kind::Number, kProtection, "12005", "U", "upper protection level"},
    {"--protect-below", Kind::NumberOrInf, kProtection, "12015", "T|inf",
     "protect the cells whose value is below T (default inf: all; with --lpl or --upl)"},
};

bool isNumber(const std::string& text, double& v) {
    if (text.empty()) return false;
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(v);
}

// Digits with at most one '.': what the base and bound boxes take as typed.
bool isPlainDecimal(const std::string& text) {
    if (text.empty() || text == ".") return false;
    int points = 0;
    for (char c : text) {
        if (c == '.')
            ++points;
        else if (c < '0' || c > '9')
            return false;
    }
    return points <= 1;
}

bool valid(const Flag& f, const std::string& text, std::string& error) {
    double v = 0;
    const std::string name = f.name;
    switch (f.kind) {
        case Kind::Positive:
            if (isPlainDecimal(text) && isNumber(text, v) && v > 0) return true;
            error = name + " needs a positive number, not \"" + text + "\"";
            return false;
        case Kind::WholeNumber:
            if (isPlainDecimal(text) && text.find('.') == std::string::npos && isNumber(text, v) &&
                v < 1e9)
                return true;
            error = name + " needs a whole number of 0 or more, not \"" + text + "\"";
            return false;
        case Kind::Number:
            if (isNumber(text, v) && v >= 0) return true;
            error = name + " needs a number of 0 or more, not \"" + text + "\"";
            return false;
        case Kind::NumberOrInf:
            if (text == "inf" || isNumber(text, v)) return true;
            error = name + " needs a number or inf, not \"" + text + "\"";
            return false;
        case Kind::DecimalOrInf:
            if (text == "inf" || (isPlainDecimal(text) && isNumber(text, v))) return true;
            error = name + " needs a number of 0 or more or inf, not \"" + text + "\"";
            return false;
        case Kind::DecimalOrMinusInf:
            if (text == "-inf" || (isPlainDecimal(text) && isNumber(text, v))) return true;
            error = name + " needs a number of 0 or more or -inf, not \"" + text + "\"";
            return false;
        case Kind::Seed:
            if (!text.empty() && text.size() <= 10 &&
                text.find_first_not_of("0123456789") == std::string::npos &&
                std::stoull(text) <= 4294967295ULL)
                return true;
            error = name + " needs a whole number from 0 to 4294967295, not \"" + text + "\"";
            return false;
        case Kind::Switch:
            return true;
    }
    return false;
}

}  // namespace

bool OptionFlags::has(const std::string& name) const {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}

bool takeOptionFlags(std::vector<std::string>& args, OptionFlags& flags, std::string& error) {
    std::map<std::string, std::string> given;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const Flag* flag = nullptr;
        for (const Flag& f : kFlags)
            if (args[i] == f.name) flag = &f;
        if (!flag) {
            rest.push_back(args[i]);
            continue;
        }
        std::string value = "on";
        if (flag->kind != Kind::Switch) {
            if (i + 1 >= args.size()) {
                error = std::string(flag->name) + " needs a value";
                return false;
            }
            value = args[++i];
            if (!valid(*flag, value, error)) return false;
        }
        given[flag->name] = value;
    }
    if (given.count("--weights-seed") && !given.count("--random-weights")) {
        error = "--weights-seed fixes the random weights: give --random-weights with it";
        return false;
    }
    if (given.count("--protect-below") && !given.count("--lpl") && !given.count("--upl")) {
        error =
            "--protect-below chooses the cells that --lpl and --upl protect: give --lpl or "
            "--upl with it";
        return false;
    }
    flags.values.clear();
    flags.names.clear();
    bool bounds = false;
    for (const Flag& f : kFlags)
        if (f.page == kBounds && given.count(f.name) != 0) bounds = true;
    bool protection = false;
    for (const Flag& f : kFlags) {
        auto it = given.find(f.name);
        if (it == given.end()) {
            // A person setting a bound goes through the page's boxes: those
            // not given keep and give the texts the page shows (X = 0,
            // Y = W = 2 x the base just set, Z = inf), as the help says.
            if (f.page == kBounds && bounds) flags.values.push_back({f.page, f.control, "", true});
            continue;
        }
        std::string value = it->second;
        if (std::string(f.name) == "--no-audit") value = "off";
        if (f.page == kProtection && !protection) {
            // The boxes are used only with user-defined levels.
            flags.values.push_back({f.page, "12050", "on"});
            protection = true;
        }
        flags.values.push_back({f.page, f.control, value});
        flags.names.push_back(f.name);
    }
    args = rest;
    return true;
}

const FlagRefusal kKeepLoadedRefusal = {
    "--keep-loaded",
    "keeps the instance loaded for the next command of the same session, and a command line "
    "runs only one (use it in a script: quorant script FILE)"};

std::string refusedFlag(const OptionFlags& flags, const std::vector<FlagRefusal>& refusals) {
    for (const auto& name : flags.names)
        for (const auto& r : refusals)
            if (r.flag == name) return name + " " + r.reason;
    return "";
}

std::vector<FlagRefusal> refuseAllRoundingFlags(const std::string& reason) {
    std::vector<FlagRefusal> out;
    for (const Flag& f : kFlags) out.push_back({f.name, reason});
    return out;
}

void applyOptionFlags(const OptionFlags& flags, drivers::AnswerDriver& driver) {
    for (const auto& v : flags.values) driver.addValue(kOptionsSheetCaption, v);
}

std::string optionFlagsHelp() {
    std::string text = "Rounding options (typed into the options sheet as a person would):\n";
    for (const Flag& f : kFlags) {
        std::string head = std::string("  ") + f.name + (*f.metavar ? " " : "") + f.metavar;
        head.resize(head.size() < 26 ? 26 : head.size() + 1, ' ');
        text += head + f.help + "\n";
    }
    return text;
}

}  // namespace app
