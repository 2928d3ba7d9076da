// The process-wide application object: started when the library is loaded.
#include "shell/app_object.h"

#include "gui/driver.h"
#include "gui/window.h"
#include "resources/dialog_ids.h"

namespace {

class QuorantApp : public gui::Application {
  public:
    bool InitInstance() override {
        gui::Application::InitInstance();
        if (!initObjectServices()) gui::messageBox("Can`t initialize OLE!");
        enableControlHosting();
        res::registerAddinTemplates();
        // Allocation tracking: the instance model counts its own records, and
        // the unload command reports what is still allocated.
        return true;
    }
};

QuorantApp& theApp() {
    static QuorantApp app;
    return app;
}

const bool started = theApp().start();

}  // namespace

gui::Window* addinOwnerWindow() {
    (void)started;
    gui::Window* owner = theApp().mainWindowOwner();
    return owner ? owner : &gui::mainWindow();
}
