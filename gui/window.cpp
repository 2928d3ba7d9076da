#include "gui/window.h"

#include <map>
#include <mutex>

namespace gui {
namespace {

struct ClassRegistry {
    std::mutex lock;
    std::map<std::string, const RuntimeClass*> byName;
};

ClassRegistry& classes() {
    static ClassRegistry r;
    return r;
}

}  // namespace

const RuntimeClass Object::classObject{"Object", nullptr};
GUI_IMPLEMENT_CLASS(Window, Object);
GUI_IMPLEMENT_CLASS(MainWindow, Window);
GUI_IMPLEMENT_CLASS(Application, Object);

bool RuntimeClass::derivesFrom(const RuntimeClass* other) const {
    for (const RuntimeClass* c = this; c != nullptr; c = c->base) {
        if (c == other) return true;
    }
    return false;
}

bool registerRuntimeClass(const RuntimeClass* cls) {
    ClassRegistry& r = classes();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.byName.emplace(cls->name, cls).second;
}

const RuntimeClass* findRuntimeClass(const std::string& name) {
    if (name == Object::classObject.name) return &Object::classObject;
    ClassRegistry& r = classes();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.byName.find(name);
    return it == r.byName.end() ? nullptr : it->second;
}

bool Object::isKindOf(const std::string& name) const {
    for (const RuntimeClass* c = runtimeClass(); c != nullptr; c = c->base) {
        if (name == c->name) return true;
    }
    return false;
}

MainWindow& mainWindow() {
    static MainWindow window;
    return window;
}

bool Application::InitInstance() {
    owner_ = &mainWindow();
    return true;
}

bool Application::start() {
    started_ = InitInstance();
    return started_;
}

}  // namespace gui
