// The add-in's application object, created when the library is loaded.
#pragma once

namespace gui {
class Window;
}

// The window that owns every dialog of the add-in and its help.
gui::Window* addinOwnerWindow();
