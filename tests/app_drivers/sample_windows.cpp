#include "tests/app_drivers/sample_windows.h"

#include <fstream>

#include "host/host.h"
#include "resources/dialog_ids.h"

using namespace gui;

namespace sample {

std::vector<std::string> events;

namespace {

void note(const std::string& e) {
    events.push_back(e);
}

class InfoPage : public PropertyPage {
    GUI_DECLARE_CLASS(InfoPage)
  public:
    InfoPage() : PropertyPage(res::IDD_INSTANCE_INFO) {}

  protected:
    bool OnSetActive() override {
        note("info active");
        setItemText(12004, "7");
        setItemText(12003, "4");
        setItemText(12005, "3");
        setChecked(12017, kChecked);
        return true;
    }
    void OnClicked(int id) override {  // the origin boxes only display
        setChecked(id, isChecked(id) == kChecked ? kUnchecked : kChecked);
    }
};
GUI_IMPLEMENT_CLASS(InfoPage, PropertyPage);

class GeneralPage : public PropertyPage {
    GUI_DECLARE_CLASS(GeneralPage)
  public:
    explicit GeneralPage(Options& o) : PropertyPage(res::IDD_GENERAL_OPTIONS), o_(o) {}

  protected:
    bool OnSetActive() override {
        note("general active");
        UpdateData(false);
        enableItem(12020, false);
        last_ = o_.base;
        return true;
    }
    bool OnKillActive() override {
        note("general inactive");
        return PropertyPage::OnKillActive();
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.text(12003, o_.base);
        dx.text(12005, o_.timelim);
        dx.text(12015, o_.maxJump);
        dx.check(12018, o_.keep);
        dx.check(12019, o_.audit);
        dx.check(12017, o_.weights);
        dx.check(12020, o_.pivot);
    }
    void OnKillFocus(int id) override {
        note("general kill " + std::to_string(id));
        if (id != 12003) return;
        const std::string text = itemText(12003);
        for (char ch : text) {
            if ((ch < '0' || ch > '9') && ch != '.') {
                setItemText(12003, last_);
                messageBox(" This Edit Box allows only decimal numbers of the form 2.4711");
            }
        }
    }

  private:
    Options& o_;
    std::string last_;
};
GUI_IMPLEMENT_CLASS(GeneralPage, PropertyPage);

class BoundsPage : public PropertyPage {
    GUI_DECLARE_CLASS(BoundsPage)
  public:
    explicit BoundsPage(Options& o) : PropertyPage(res::IDD_BOUNDS), o_(o) {}

  protected:
    bool OnSetActive() override {
        setItemText(12003, o_.lowerFloorInf ? "-inf" : o_.lowerFloor);
        return true;
    }
    void OnKillFocus(int id) override {
        if (id != 12003) return;
        const std::string text = itemText(12003);
        o_.lowerFloorInf = text == "-inf";
        if (o_.lowerFloorInf) return;
        o_.lowerFloor = text;
        if (text.find_first_not_of("0123456789.,") != std::string::npos) {
            messageBox(
                " This Edit Box allows only decimal numbers of the form 2.4711 and the key "
                "word \"-inf\"");
            setFocusTo(12003);
        }
    }

  private:
    Options& o_;
};
GUI_IMPLEMENT_CLASS(BoundsPage, PropertyPage);

class ProtectionPage : public PropertyPage {
    GUI_DECLARE_CLASS(ProtectionPage)
  public:
    explicit ProtectionPage(Options& o) : PropertyPage(res::IDD_PROTECTION_LEVELS), o_(o) {}

  protected:
    bool OnSetActive() override {
        setChecked(12049, o_.userDefined == 0 ? kChecked : kUnchecked);
        setChecked(12050, o_.userDefined == 1 ? kChecked : kUnchecked);
        enableBoxes();
        return true;
    }
    void OnClicked(int id) override {
        if (id == 12049) o_.userDefined = isChecked(12049) == kChecked ? 0 : 1;
        if (id == 12050) o_.userDefined = isChecked(12050) == kChecked ? 1 : 0;
        enableBoxes();
    }

  private:
    void enableBoxes() {
        for (int id : {12003, 12005, 12015}) enableItem(id, o_.userDefined == 1);
    }
    Options& o_;
};
GUI_IMPLEMENT_CLASS(ProtectionPage, PropertyPage);

// The button opens the host's dialog box while the sheet stays open.
class EquationsPage : public PropertyPage {
    GUI_DECLARE_CLASS(EquationsPage)
  public:
    explicit EquationsPage(Options& o) : PropertyPage(res::IDD_EDIT_EQUATIONS), o_(o) {}

  protected:
    void OnClicked(int id) override {
        if (id != 12011) return;
        host::DialogTable t;
        t.cells = {{"", "", "", "550", "310", "Controlled rounding - Add sums", ""},
                   {"2", "119", "280", "90", "", "Cancel", ""},
                   {"1", "19", "280", "90", "", "OK", ""},
                   {"10", "76", "150", "153", "", "", ""},
                   {"15", "30", "175", "360", "95", "EQUATION_List1", "0"},
                   {"13", "240", "282", "", "", "keep instance loaded", "0"}};
        t.lists = {{}, {}, {}, {}, {"(1)*R0C0+(-1)*R1C0=0", "(1)*R2C0+(-1)*R3C0=0"}, {}};
        host::FrontEnd* fe = host::frontEnd();
        const bool ok = fe != nullptr && fe->dialogBox(t);
        o_.boxResult = ok ? "pressed " + std::to_string(t.pressed) + " ref " + t.cells[3][6] +
                                " list " + t.cells[4][6] + " keep " + t.cells[5][6]
                          : "cancelled";
        note("equations box " + o_.boxResult);
    }

  private:
    Options& o_;
};
GUI_IMPLEMENT_CLASS(EquationsPage, PropertyPage);

class TestsDialog : public Dialog {
    GUI_DECLARE_CLASS(TestsDialog)
  public:
    explicit TestsDialog(Window* parent) : Dialog(res::IDD_COMPUTATIONAL_TESTS, parent) {}
    std::vector<std::string> lines;

  protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        setCaption("QTB-Tool Computational Tests");
        setChecked(12017, kChecked);
        setChecked(12018, kChecked);
        return true;
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.control(12025, list_);
        dx.control(12027, lineBar_);
    }
    void OnClicked(int id) override {
        if (id != 12011) return;
        FileDialog fd(true, ".qtt", "", FileDialog::kHideReadOnly,
                      "QTB-Tool Computation Test Files (.qtt)|*.qtt|All files (*.*)|*.*||", this);
        if (fd.DoModal() != IDOK) return;
        std::ifstream in(fd.pathName());
        if (!in) return;
        if (isChecked(12018) == kChecked) list_.resetContent();
        setItemText(12003, fd.pathName());
        for (std::string l; std::getline(in, l);) {
            if (!l.empty()) list_.addString(l);
        }
    }
    void OnOK() override {
        lineBar_.setRange(0, list_.count());
        lineBar_.setStep(1);
        for (int i = 0; i < list_.count(); ++i) lineBar_.stepIt();
        note("tests ran " + std::to_string(lineBar_.position()));
        for (int i = 0; i < list_.count(); ++i) lines.push_back(list_.itemText(i));
        EndDialog(IDOK);
    }
    void OnDestroy() override {
        if (parent() != &mainWindow()) parent()->restore();
    }

  private:
    ListBox list_;
    ProgressBar lineBar_;
};
GUI_IMPLEMENT_CLASS(TestsDialog, Dialog);

class GeneratorDialog : public Dialog {
    GUI_DECLARE_CLASS(GeneratorDialog)
  public:
    GeneratorDialog() : Dialog(res::IDD_RANDOM_INSTANCE) {}
    std::string result;

  protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        setChecked(12019, kChecked);
        setChecked(12020, kChecked);
        setFocusTo(12011);
        return false;
    }
    void OnClicked(int id) override {
        if (id == 12011) {
            note("generate " + itemText(12004));
            setItemText(12026, "Random Instances successfully created");
        } else if (id == 12021) {
            TestsDialog child(this);
            minimize();
            note(std::string("child opens, parent minimised ") + (isMinimized() ? "yes" : "no"));
            child.DoModal();
            note(std::string("child closed, parent minimised ") + (isMinimized() ? "yes" : "no"));
        }
    }
    void OnOK() override {
        result = itemText(12026);
        EndDialog(IDOK);
    }
};
GUI_IMPLEMENT_CLASS(GeneratorDialog, Dialog);

}  // namespace

int runOptionsSheet(Options& options) {
    res::registerAddinTemplates();
    InfoPage info;
    GeneralPage general(options);
    BoundsPage bounds(options);
    ProtectionPage protection(options);
    EquationsPage equations(options);
    PropertySheet sheet(" Quorant");
    for (PropertyPage* p :
         std::vector<PropertyPage*>{&info, &general, &bounds, &protection, &equations}) {
        sheet.addPage(p);
    }
    return sheet.DoModal();
}

int runTestsDialog(std::vector<std::string>* listed) {
    res::registerAddinTemplates();
    TestsDialog d(&mainWindow());
    int r = d.DoModal();
    if (listed != nullptr) *listed = d.lines;
    return r;
}

int runGeneratorDialog(std::string* resultLine) {
    res::registerAddinTemplates();
    GeneratorDialog d;
    int r = d.DoModal();
    if (resultLine != nullptr) *resultLine = d.result;
    return r;
}

}  // namespace sample
