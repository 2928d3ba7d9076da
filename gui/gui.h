// The dialog framework in one include.
#pragma once

#include "gui/control.h"
#include "gui/dialog.h"
#include "gui/driver.h"
#include "gui/file_dialog.h"
#include "gui/property_sheet.h"
#include "gui/template.h"
#include "gui/window.h"
