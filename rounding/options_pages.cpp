#include "rounding/options_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "capture/capture.h"
#include "gui/driver.h"
#include "instance/instance.h"
#include "resources/dialog_ids.h"
#include "shell/texts.h"

GUI_IMPLEMENT_CLASS(CPropPage, PropertyPage);
GUI_IMPLEMENT_CLASS(CPropPageGO, PropertyPage);
GUI_IMPLEMENT_CLASS(CPropPageBnds, PropertyPage);
GUI_IMPLEMENT_CLASS(CPropPagePL, PropertyPage);
GUI_IMPLEMENT_CLASS(CPropPageEE, PropertyPage);

namespace {

// A number in the given printf format, however long ("%.0f" of 1e300 has 301
// digits; a cut text would be read back as another number).
std::string format(const char* fmt, double value) {
    const int n = std::snprintf(nullptr, 0, fmt, value);
    std::string text(size_t(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, fmt, value);
    return text;
}

std::string formatInt(int value) {
    return std::to_string(value);
}

// The leading number of a text, 0 when there is none. "inf", "nan" and numbers
// too large for a double give 0 as well: no bound or level can be infinite
// through a number (the boxes have their keyword for that).
double leadingNumber(const std::string& text) {
    const double v = std::strtod(text.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

// The leading whole number of a digits-only box; texts beyond the range of an
// int give its largest value rather than an arbitrary one.
int32_t leadingCount(const std::string& text) {
    const long v = std::strtol(text.c_str(), nullptr, 10);
    return int32_t(std::clamp(v, 0L, long(INT32_MAX)));
}

// The first line of a box, at most `limit` characters, without trailing blanks.
std::string firstLine(const gui::Dialog& page, int id, size_t limit = 127) {
    std::string text = page.itemText(id);
    text = text.substr(0, text.find('\n'));
    if (text.size() > limit) text.resize(limit);
    trimTrailingBlanks(text);
    return text;
}

int checkFlag(const gui::Dialog& page, int id) {
    return page.isChecked(id) == gui::kChecked;
}

}  // namespace

// ---- Instance Info ----------------------------------------------------------------

namespace {
// The origin check boxes in display order, and the origin each one shows.
constexpr int kOriginBoxes[4] = {12018, 12019, 12017, 12020};
constexpr InstanceOrigin kOriginOfBox[4] = {InstanceOrigin::Random, InstanceOrigin::InstanceFile,
                                            InstanceOrigin::Worksheet, InstanceOrigin::DbTable};
}  // namespace

CPropPage::CPropPage() : PropertyPage(res::IDD_INSTANCE_INFO) {}

bool CPropPage::OnInitDialog() {
    for (int i = 0; i < 4; ++i) {
        const int id = kOriginBoxes[i];
        // A click puts the box back as it was: the boxes only display.
        onEvent(gui::Notification::Clicked, id, [this, id] { keepCheck(id); });
    }
    return PropertyPage::OnInitDialog();
}

void CPropPage::keepCheck(int id) {
    for (int i = 0; i < 4; ++i)
        if (kOriginBoxes[i] == id) setChecked(id, checkBefore_[i]);
}

bool CPropPage::OnSetActive() {
    const InstanceState& s = gInstance;
    setItemText(12004, formatInt(s.ncells));
    setItemText(12003, formatInt(s.ncells - s.nsums));
    setItemText(12005, formatInt(s.nsums));
    for (int i = 0; i < 4; ++i) {
        checkBefore_[i] = s.origin == kOriginOfBox[i] ? gui::kChecked : gui::kUnchecked;
        setChecked(kOriginBoxes[i], checkBefore_[i]);
    }
    return true;
}

bool CPropPage::OnKillActive() {
    return PropertyPage::OnKillActive();
}

// ---- General Options --------------------------------------------------------------

namespace {
constexpr int kSeedBox = 12022;  // the seed of the random weights
}  // namespace

CPropPageGO::CPropPageGO() : PropertyPage(res::IDD_GENERAL_OPTIONS) {}

bool CPropPageGO::OnInitDialog() {
    onEvent(gui::Notification::KillFocus, 12003, [this] { checkBaseText(); });
    // The seed box serves the random weights only.
    onEvent(gui::Notification::Clicked, 12017,
            [this] { enableItem(kSeedBox, isChecked(12017) == gui::kChecked); });
    return PropertyPage::OnInitDialog();
}

bool CPropPageGO::OnSetActive() {
    const RoundingOptions& o = gOptions;
    setChecked(12018, o.keepLoaded ? gui::kChecked : gui::kUnchecked);
    setChecked(12019, o.auditing ? gui::kChecked : gui::kUnchecked);
    setChecked(12017, o.randomWeights ? gui::kChecked : gui::kUnchecked);
    setChecked(12020, o.actualizePivot ? gui::kChecked : gui::kUnchecked);
    setChecked(12021, o.acceptBest ? gui::kChecked : gui::kUnchecked);
    enableItem(12020, gInstance.origin == InstanceOrigin::DbTable);
    const double b = o.basenumber;
    lastBaseText_ = format(std::floor(b) == b ? "%.0f" : "%f", b);
    setItemText(12003, lastBaseText_);
    setItemText(12005, formatInt(o.timelim));
    setItemText(12015, formatInt(o.maxJump));
    setItemText(kSeedBox, o.weightsSeedSet ? std::to_string(o.weightsSeed) : std::string());
    enableItem(kSeedBox, o.randomWeights != 0);
    return true;
}

void CPropPageGO::checkBaseText() {
    std::string text = itemText(12003).substr(0, 256);
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '.') continue;
        setItemText(12003, lastBaseText_);
        gui::messageBox(" This Edit Box allows only decimal numbers of the form 2.4711");
    }
}

bool CPropPageGO::OnKillActive() {
    // A base that is not positive cannot give a rounding: the page stays open.
    const double base = std::atof(itemText(12003).c_str());
    if (!(base > 0) || !std::isfinite(base)) {
        gui::messageBox(" The base number must be a positive number, such as 10 or 2.5.");
        setFocusTo(12003);
        return false;
    }
    const bool randomWeights = checkFlag(*this, 12017);
    const std::string seedText = firstLine(*this, kSeedBox);
    char* end = nullptr;
    const unsigned long long seed = std::strtoull(seedText.c_str(), &end, 10);
    const bool seedGiven = randomWeights && !seedText.empty();
    if (seedGiven && (*end != '\0' || seed > UINT32_MAX || seedText[0] == '-')) {
        gui::messageBox(
            " The seed of the random weights is a whole number from 0 to 4294967295;"
            " leave the box empty for a new seed in each run.");
        setFocusTo(kSeedBox);
        return false;
    }
    RoundingOptions& o = gOptions;
    if (randomWeights) {
        o.weightsSeedSet = seedGiven ? 1 : 0;
        o.weightsSeed = seedGiven ? uint32_t(seed) : 0;
    }
    o.keepLoaded = checkFlag(*this, 12018);
    o.auditing = checkFlag(*this, 12019);
    o.randomWeights = checkFlag(*this, 12017);
    o.actualizePivot = checkFlag(*this, 12020);
    o.acceptBest = checkFlag(*this, 12021);
    o.basenumber = base;
    o.timelim = leadingCount(itemText(12005));
    o.maxJump = leadingCount(itemText(12015));
    return true;
}

// ---- Bounds -------------------------------------------------------------------------

namespace {
struct BoundBox {
    int id;
    const char* keyword;
    double RoundingOptions::*value;
    int32_t RoundingOptions::*flag;
    const char* message;
};
const char* const kFloorMessage =
    " This Edit Box allows only decimal numbers of the form 2.4711 and the key word \"-inf\"";
const char* const kInfMessage =
    " This Edit Box allows only decimal numbers of the form 2.4711 and the key word \"inf\"";
const BoundBox kBoundBoxes[4] = {
    {12003, "-inf", &RoundingOptions::lbFloor, &RoundingOptions::lbFloorInf, kFloorMessage},
    {12005, "inf", &RoundingOptions::lbDist, &RoundingOptions::lbDistInf, kInfMessage},
    {12004, "inf", &RoundingOptions::ubCap, &RoundingOptions::ubCapInf, kInfMessage},
    {12006, "inf", &RoundingOptions::ubDist, &RoundingOptions::ubDistInf, kInfMessage},
};
}  // namespace

CPropPageBnds::CPropPageBnds() : PropertyPage(res::IDD_BOUNDS) {}

std::string& CPropPageBnds::preparedText(int box) {
    std::string* texts[4] = {&lowerFloorText, &lowerDistText, &upperCapText, &upperDistText};
    return *texts[box];
}

bool CPropPageBnds::OnInitDialog() {
    lowerFloorText = "0";
    lowerDistText = format("%f", 2 * gOptions.basenumber);
    upperDistText = lowerDistText;
    upperCapText = "inf";
    for (int i = 0; i < 4; ++i)
        onEvent(gui::Notification::KillFocus, kBoundBoxes[i].id, [this, i] { takeBox(i); });
    PropertyPage::OnInitDialog();
    // Reached through its tab, the page leaves the focus on the tab: no box
    // holds it until the user goes into one, so looking at the page takes
    // nothing and the bounds keep following the final base number.
    return false;
}

bool CPropPageBnds::OnSetActive() {
    // Always the texts prepared when the page was made, whatever was typed.
    for (int i = 0; i < 4; ++i) setItemText(kBoundBoxes[i].id, preparedText(i));
    return true;
}

bool CPropPageBnds::readBox(int box) {
    const BoundBox& b = kBoundBoxes[box];
    const std::string text = firstLine(*this, b.id);
    RoundingOptions& o = gOptions;
    if (text == b.keyword) {
        o.*b.flag = 1;
        return true;
    }
    o.*b.flag = 0;
    o.*b.value = leadingNumber(text);
    return isDecimalText(text.c_str()) != 0;
}

// A box left, typed into or not, gives its option what it shows; from then on
// the bounds are the user's and no longer follow the base number.
void CPropPageBnds::takeBox(int box) {
    if (!readBox(box)) {
        gui::messageBox(kBoundBoxes[box].message);
        setFocusTo(kBoundBoxes[box].id);
    }
    boundsEdited = 1;
}

// ---- Protection Levels --------------------------------------------------------------

CPropPagePL::CPropPagePL() : PropertyPage(res::IDD_PROTECTION_LEVELS) {}

bool CPropPagePL::OnInitDialog() {
    userDefined = 0;
    onEvent(gui::Notification::Clicked, 12049, [this] {
        userDefined = isChecked(12049) == gui::kChecked ? 0 : 1;
        enableBoxes();
    });
    onEvent(gui::Notification::Clicked, 12050, [this] {
        userDefined = isChecked(12050) == gui::kChecked ? 1 : 0;
        enableBoxes();
    });
    for (int id : {12003, 12005, 12015})
        onEvent(gui::Notification::KillFocus, id, [this, id] { readBox(id); });
    return PropertyPage::OnInitDialog();
}

void CPropPagePL::enableBoxes() {
    for (int id : {12003, 12005, 12015}) enableItem(id, userDefined == 1);
}

bool CPropPagePL::OnSetActive() {
    const RoundingOptions& o = gOptions;
    setItemText(12003, format("%f", o.lplValue));
    setItemText(12005, format("%f", o.uplValue));
    setItemText(12015, o.lplAll ? std::string("inf") : format("%f", o.lplThreshold));
    setChecked(12049, userDefined == 0 ? gui::kChecked : gui::kUnchecked);
    setChecked(12050, userDefined == 1 ? gui::kChecked : gui::kUnchecked);
    enableBoxes();
    return true;
}

void CPropPagePL::readBox(int id) {
    std::string text = firstLine(*this, id);
    RoundingOptions& o = gOptions;
    const double v = leadingNumber(text);
    if (id == 12003) {
        o.lplValue = v;
    } else if (id == 12005) {
        o.uplValue = v;
    } else if (text == "inf") {
        o.lplAll = o.uplAll = 1;
    } else {
        o.lplAll = 0;
        o.lplThreshold = v;
        o.uplAll = 0;
        o.uplThreshold = v;
    }
}

bool CPropPagePL::OnKillActive() {
    if (isChecked(12050) == gui::kChecked) {
        for (int id : {12003, 12005, 12015}) readBox(id);
    } else {
        RoundingOptions& o = gOptions;
        o.lplValue = o.uplValue = 0;
        o.lplAll = o.uplAll = 1;
    }
    return true;
}

// ---- Edit Equations -----------------------------------------------------------------

CPropPageEE::CPropPageEE() : PropertyPage(res::IDD_EDIT_EQUATIONS) {}

bool CPropPageEE::OnInitDialog() {
    onEvent(gui::Notification::Clicked, 12011, [] { fSumdialog(nullptr); });
    return PropertyPage::OnInitDialog();
}
