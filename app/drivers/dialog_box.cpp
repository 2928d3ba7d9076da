#include "app/drivers/dialog_box.h"

#include <cstdlib>
#include <sstream>

namespace app::drivers {

namespace {

std::string rowName(const host::DialogTable& t, int row) {
    std::string out = "row " + std::to_string(row);
    const std::string& text = t.cells[static_cast<std::size_t>(row)][5];
    if (!text.empty()) out += " \"" + text + "\"";
    return out;
}

const std::vector<std::string>& listOf(const host::DialogTable& t, int row) {
    static const std::vector<std::string> none;
    return row >= 0 && row < static_cast<int>(t.lists.size())
               ? t.lists[static_cast<std::size_t>(row)]
               : none;
}

bool isEdit(int base) {
    return base == kBoxEdit || base == kBoxIntegerEdit || base == kBoxNumberEdit ||
           base == kBoxReferenceEdit;
}

const char* kindName(int base) {
    switch (base) {
        case kBoxDefaultOk:
            return "button (default)";
        case kBoxCancel:
            return "cancel button";
        case kBoxOk:
            return "button";
        case kBoxText:
            return "text";
        case kBoxEdit:
            return "edit";
        case kBoxIntegerEdit:
            return "integer edit";
        case kBoxNumberEdit:
            return "number edit";
        case kBoxReferenceEdit:
            return "reference edit";
        case kBoxOptionGroup:
            return "option group";
        case kBoxOption:
            return "option";
        case kBoxCheck:
            return "check box";
        case kBoxGroup:
            return "group";
        case kBoxList:
            return "list";
    }
    return "item";
}

}  // namespace

int boxItemType(const host::DialogTable& table, int row) {
    if (row < 0 || row >= table.rows()) return 0;
    const std::string& cell = table.cells[static_cast<std::size_t>(row)][0];
    char* end = nullptr;
    long v = std::strtol(cell.c_str(), &end, 10);
    return (cell.empty() || end == cell.c_str()) ? 0 : static_cast<int>(v);
}

std::string boxCaption(const host::DialogTable& table) {
    return table.rows() > 0 ? table.cells[0][5] : std::string();
}

bool playBoxStep(host::DialogTable& t, const BoxStep& step, BoxOutcome& outcome,
                 std::string& error) {
    if (step.kind == BoxStep::Cancel) {
        outcome = BoxOutcome::Cancelled;
        return true;
    }
    if (step.row < 1 || step.row >= t.rows()) {
        error = "the dialog box \"" + boxCaption(t) + "\" has no row " + std::to_string(step.row);
        return false;
    }
    const int base = boxBaseType(t, step.row);
    const bool dimmed = boxDimmed(t, step.row);
    std::string& value = t.cells[static_cast<std::size_t>(step.row)][6];
    const std::string& text = t.cells[static_cast<std::size_t>(step.row)][5];
    auto refuse = [&](const std::string& why) {
        error = rowName(t, step.row) + " (" + kindName(base) + ") " + why;
        return false;
    };
    switch (step.kind) {
        case BoxStep::Set:
            if (!isEdit(base)) return refuse("is not an edit box");
            if (dimmed) return refuse("is dimmed");
            value = step.text;
            return true;
        case BoxStep::Check:
            if (base != kBoxCheck) return refuse("is not a check box");
            if (dimmed) return refuse("is dimmed");
            value = step.on ? "1" : "0";
            return true;
        case BoxStep::Choose: {
            if (base != kBoxOptionGroup && base != kBoxList)
                return refuse("is not an option group or list");
            if (dimmed) return refuse("is dimmed");
            const int n = std::atoi(step.text.c_str());
            if (base == kBoxList) {
                const int items = static_cast<int>(listOf(t, step.row).size());
                if (n < 0 || n > items) {
                    return refuse("has " + std::to_string(items) + " items, not " + step.text);
                }
            } else {
                int options = 0;
                for (int r = step.row + 1; r < t.rows() && boxBaseType(t, r) == kBoxOption; ++r)
                    ++options;
                if (n < 1 || n > options) {
                    return refuse("has " + std::to_string(options) + " options, not " + step.text);
                }
            }
            value = std::to_string(n);
            return true;
        }
        case BoxStep::Press:
            if (base == kBoxCancel) {
                if (dimmed) return refuse("is dimmed");
                outcome = BoxOutcome::Cancelled;
                return true;
            }
            if (base != kBoxDefaultOk && base != kBoxOk) return refuse("is not a button");
            if (dimmed) return refuse("is dimmed");
            t.pressed = step.row;
            outcome = BoxOutcome::Pressed;
            return true;
        case BoxStep::ExpectText:
            if (text != step.text)
                return refuse("shows \"" + text + "\", expected \"" + step.text + "\"");
            return true;
        case BoxStep::ExpectValue:
            if (value != step.text) {
                return refuse("holds \"" + value + "\", expected \"" + step.text + "\"");
            }
            return true;
        case BoxStep::Cancel:
            break;
    }
    return true;
}

bool playBoxSteps(host::DialogTable& table, const std::vector<BoxStep>& steps, BoxOutcome& outcome,
                  std::string& error) {
    outcome = BoxOutcome::Open;
    for (const BoxStep& step : steps) {
        if (outcome != BoxOutcome::Open) {
            error = "the dialog box \"" + boxCaption(table) +
                    "\" closed before all its steps were done";
        } else if (playBoxStep(table, step, outcome, error)) {
            continue;
        }
        if (step.line != 0) error = "line " + std::to_string(step.line) + ": " + error;
        return false;
    }
    return true;
}

std::string boxListing(const host::DialogTable& t) {
    std::ostringstream out;
    out << "=== " << boxCaption(t) << " (dialog box) ===\n";
    for (int r = 1; r < t.rows(); ++r) {
        const int base = boxBaseType(t, r);
        const std::string& text = t.cells[static_cast<std::size_t>(r)][5];
        const std::string& value = t.cells[static_cast<std::size_t>(r)][6];
        const char* dim = boxDimmed(t, r) ? " (dimmed)" : "";
        out << "  " << (r < 10 ? " " : "") << r << "  ";
        switch (base) {
            case kBoxGroup:
                out << "-- " << text << " --";
                break;
            case kBoxText:
                out << text;
                break;
            case kBoxCheck:
                out << (value == "1" ? "[x] " : "[ ] ") << text;
                break;
            case kBoxOptionGroup:
                out << "options, chosen: " << (value.empty() ? "0" : value);
                break;
            case kBoxOption:
                out << "( ) " << text;
                break;
            case kBoxList: {
                const auto& items = listOf(t, r);
                out << "list, chosen: " << (value.empty() ? "0" : value);
                for (std::size_t i = 0; i < items.size(); ++i)
                    out << "\n        " << i + 1 << ". " << items[i];
                break;
            }
            case kBoxDefaultOk:
            case kBoxOk:
            case kBoxCancel:
                out << "<" << text << ">";
                break;
            default:
                if (isEdit(base)) {
                    out << kindName(base) << ": \"" << value << "\"";
                } else {
                    out << text;
                }
        }
        out << dim << "\n";
    }
    return out.str();
}

}  // namespace app::drivers
