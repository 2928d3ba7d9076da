// The builders of the add-in's templates, one per template.
#pragma once

#include "gui/template.h"

namespace res {

gui::DialogTemplate instanceInfoPage();
gui::DialogTemplate generalOptionsPage();
gui::DialogTemplate boundsPage();
gui::DialogTemplate protectionLevelsPage();
gui::DialogTemplate editEquationsPage();
gui::DialogTemplate resolutionInfoDialog();
gui::DialogTemplate randomInstanceDialog();
gui::DialogTemplate computationalTestsDialog();

}  // namespace res
