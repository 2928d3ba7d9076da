// Dialog templates: the description of a dialog or property page as data
// (caption, size, font and every control with its id, kind, text, position and
// style). Dialogs are built from a template looked up by id in one process-wide
// registry, filled by whoever owns the templates.
#pragma once

#include <string>
#include <vector>

namespace gui {

// Ids of the standard buttons and the answers of a modal run.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
// Controls that nobody addresses (labels, frames) share this id.
constexpr int IDC_STATIC = -1;

enum class ControlKind {
    StaticText,
    GroupBox,
    Edit,  // single- or multi-line; a rich edit is an edit with the RichEdit style
    CheckBox,
    RadioButton,
    PushButton,
    ListBox,
    ProgressBar,
};

// Style flags of a control (or-ed together).
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kReadOnly = 1u << 0,       // edit: the user cannot type into it
    kDigitsOnly = 1u << 1,     // edit: characters other than 0-9 are refused as typed
    kCentred = 1u << 2,        // text is centred
    kDisabled = 1u << 3,       // starts disabled
    kDefaultButton = 1u << 4,  // push button pressed by Enter
    kMultiLine = 1u << 5,      // edit or button text over several lines
    kGroupStart = 1u << 6,     // first control of a group (radio groups, tab stops)
    kVScroll = 1u << 7,
    kHScroll = 1u << 8,
    kWantReturn = 1u << 9,  // multi-line edit: Enter makes a new line
    kRichEdit = 1u << 10,   // edit: rich edit control
    kSorted = 1u << 11,     // list box: items kept in order
    kSmooth = 1u << 12,     // progress bar: smooth bar
    kBorder = 1u << 13,     // static text with a border
    kFlat = 1u << 14,       // flat button look
    kHidden = 1u << 15,     // starts hidden
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::StaticText;
    std::string text;  // caption of buttons, labels and frames; initial text of edits
    Rect pos;          // dialog units
    unsigned style = kStyleNone;
    // What a person reads next to the control, when no static text or frame
    // title names it (drivers list and address controls by it). Optional.
    std::string label;
};

inline ControlTemplate makeControl(int id, ControlKind kind, std::string text, Rect pos,
                                   unsigned style = kStyleNone, std::string label = {}) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.pos = pos;
    c.style = style;
    c.label = std::move(label);
    return c;
}

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0;  // dialog units
    int height = 0;
    std::string fontName;
    int fontSize = 8;
    std::vector<ControlTemplate> controls;
};

// The registry. Registering an id twice keeps the first template and returns
// false. Lookups return null for unknown ids. Pointers stay valid for the life
// of the process.
bool registerDialogTemplate(DialogTemplate tmpl);
const DialogTemplate* findDialogTemplate(int id);
std::vector<int> registeredTemplateIds();

// Checks that a template is well-formed: a positive size, every addressed
// control id unique, every control inside the dialog with a positive size.
// Returns false and describes the first problem found.
bool checkDialogTemplate(const DialogTemplate& tmpl, std::string& problem);

const char* controlKindName(ControlKind kind);

}  // namespace gui
