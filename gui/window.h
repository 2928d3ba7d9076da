// Windows of the framework: run-time class information by name, the base of
// every dialog and sheet, and the process-wide main window that owns the
// add-in's dialogs and help.
#pragma once

#include <string>

namespace gui {

// Run-time class information: a class name and its base. Classes declare it
// with GUI_DECLARE_CLASS inside the class and GUI_IMPLEMENT_CLASS in one
// source file; the class is then also found by name.
struct RuntimeClass {
    const char* name;
    const RuntimeClass* base;
    bool derivesFrom(const RuntimeClass* other) const;
};

// Registered classes by name (null when unknown).
const RuntimeClass* findRuntimeClass(const std::string& name);
bool registerRuntimeClass(const RuntimeClass* cls);

class Object {
  public:
    virtual ~Object() = default;
    static const RuntimeClass classObject;
    virtual const RuntimeClass* runtimeClass() const { return &classObject; }
    const char* className() const { return runtimeClass()->name; }
    bool isKindOf(const RuntimeClass* cls) const { return runtimeClass()->derivesFrom(cls); }
    bool isKindOf(const std::string& name) const;
};

}  // namespace gui

#define GUI_DECLARE_CLASS(cls)                                 \
  public:                                                      \
    static const ::gui::RuntimeClass class##cls;               \
    const ::gui::RuntimeClass* runtimeClass() const override { \
        return &class##cls;                                    \
    }

#define GUI_IMPLEMENT_CLASS(cls, base)                                      \
    const ::gui::RuntimeClass cls::class##cls { #cls, &base::class##base }; \
    static const bool cls##RuntimeRegistered_ = ::gui::registerRuntimeClass(&cls::class##cls)

namespace gui {

class Window : public Object {
    GUI_DECLARE_CLASS(Window)
  public:
    explicit Window(Window* parent = nullptr) : parent_(parent) {}

    Window* parent() const { return parent_; }
    void setParent(Window* parent) { parent_ = parent; }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& text) { caption_ = text; }

    // Minimise and restore (the add-in minimises a dialog while a child runs).
    void minimize() { minimized_ = true; }
    void restore() { minimized_ = false; }
    bool isMinimized() const { return minimized_; }

  private:
    Window* parent_ = nullptr;
    std::string caption_;
    bool minimized_ = false;
};

// The owner of all the add-in's dialogs: one per process, never destroyed.
class MainWindow : public Window {
    GUI_DECLARE_CLASS(MainWindow)
  public:
    MainWindow() { setCaption("Quorant"); }
};

MainWindow& mainWindow();

// The application object's base: the add-in creates one when it is loaded and
// calls start(), which runs InitInstance.
class Application : public Object {
    GUI_DECLARE_CLASS(Application)
  public:
    // Base initialisation: records the main window as the owner of dialogs.
    virtual bool InitInstance();
    bool start();
    bool started() const { return started_; }
    Window* mainWindowOwner() const { return owner_; }
    // Object services and control hosting always come up in this framework;
    // the calls exist so that an application reports failures the same way.
    static bool initObjectServices() { return true; }
    static void enableControlHosting() {}

  private:
    Window* owner_ = nullptr;
    bool started_ = false;
};

}  // namespace gui
