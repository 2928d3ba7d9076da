// The rounding-option flags shared by every command that captures or rounds
// (round, load, save-instance, import, generate). They are not set directly:
// they become values typed into the options property sheet by the answer
// driver, exactly as a person would type them, so the sheet's own checks and
// rules apply.
#pragma once

#include <string>
#include <vector>

#include "app/drivers/answer_driver.h"

namespace app {

// The caption of the options property sheet.
inline constexpr char kOptionsSheetCaption[] = " Quorant";

struct OptionFlags {
    std::vector<drivers::ControlValue> values;  // page / control / text, in sheet order
    std::vector<std::string> names;             // the flags given, in sheet order
    bool any() const { return !values.empty(); }
    bool has(const std::string& name) const;
};

// Takes the option flags out of `args` (other words stay, in order). False
// with a message for a flag without its value or with a value that is not a
// number (or keyword) of the right kind.
bool takeOptionFlags(std::vector<std::string>& args, OptionFlags& flags, std::string& error);

// Why a flag cannot apply to what a command is about to do.
struct FlagRefusal {
    std::string flag;
    std::string reason;
};
// The first flag given that `refusals` names, as "FLAG REASON"; "" when none.
std::string refusedFlag(const OptionFlags& flags, const std::vector<FlagRefusal>& refusals);
// The refusals of every rounding flag, for a command that will not round
// (`reason`, such as "applies to a rounding: add --round").
std::vector<FlagRefusal> refuseAllRoundingFlags(const std::string& reason);
// --keep-loaded keeps the instance for a next command of the same session:
// a command line runs one.
extern const FlagRefusal kKeepLoadedRefusal;

// Hands the values to the answer driver for the options sheet.
void applyOptionFlags(const OptionFlags& flags, drivers::AnswerDriver& driver);

// The flags' descriptions for --help texts.
std::string optionFlagsHelp();

}  // namespace app
