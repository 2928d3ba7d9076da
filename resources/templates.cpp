#include "gui/template.h"
#include "resources/dialog_ids.h"
#include "resources/templates_internal.h"

namespace res {

const std::vector<gui::DialogTemplate>& addinTemplates() {
    static const std::vector<gui::DialogTemplate> all = {
        instanceInfoPage(),     randomInstanceDialog(), computationalTestsDialog(),
        resolutionInfoDialog(), generalOptionsPage(),   boundsPage(),
        protectionLevelsPage(), editEquationsPage(),
    };
    return all;
}

bool registerAddinTemplates() {
    bool ok = true;
    for (const gui::DialogTemplate& t : addinTemplates()) {
        const gui::DialogTemplate* present = gui::findDialogTemplate(t.id);
        if (present == nullptr) {
            ok = gui::registerDialogTemplate(t) && ok;
        } else if (present->caption != t.caption || present->controls.size() != t.controls.size()) {
            ok = false;  // the id belongs to someone else's template
        }
    }
    return ok;
}

// Registered as soon as the add-in's code is loaded, so that no dialog can be
// created before its template is known.
static const bool registeredAtLoad = registerAddinTemplates();

}  // namespace res
