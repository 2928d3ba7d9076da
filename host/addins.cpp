// Add-ins: loading libraries, calling their entry points, running their
// registered commands.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/address.h"
#include "host/state.h"

namespace host {

void* AddIn::symbol(const std::string& name) const {
    if (library) return dlsym(library, name.c_str());
    if (resolver) return resolver(name.c_str());
    return dlsym(RTLD_DEFAULT, name.c_str());
}

namespace {

using EntryPoint = int (*)();
using ValueEntryPoint = XLOPER* (*)(XLOPER*);
using FreeEntryPoint = void (*)(XLOPER*);

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A library file already loaded would come back as the same copy from
// dlopen: such a file is copied to a fresh temporary folder first, loaded
// from there, and the copy removed again (the loaded image stays).
void* openLibrary(const std::string& path, std::string& error) {
    bool loaded = false;
    for (auto& a : state().addIns)
        if (a->library && sameFile(a->path, path)) loaded = true;
    const int flags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
    if (!loaded) {
        void* h = dlopen(path.c_str(), flags);
        if (!h) error = "cannot load add-in " + path + ": " + dlerror();
        return h;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string templ = (base / "quorant-addin-XXXXXX").string();
    if (!mkdtemp(templ.data())) {
        error = "cannot make a temporary folder for a second copy of " + path;
        return nullptr;
    }
    fs::path copy = fs::path(templ) / fs::path(path).filename();
    void* h = nullptr;
    if (!fs::copy_file(path, copy, ec)) {
        error = "cannot copy " + path + " for a second copy: " + ec.message();
    } else {
        h = dlopen(copy.c_str(), flags);
        if (!h) error = "cannot load add-in " + path + ": " + dlerror();
    }
    fs::remove_all(templ, ec);
    return h;
}

int callEntry(AddIn* a, const char* name, bool& found) {
    auto fn = reinterpret_cast<EntryPoint>(a->symbol(name));
    found = fn != nullptr;
    if (!fn) return 0;
    CallerScope scope(a);
    return fn();
}

// Calls an entry point that takes and gives a value record.
bool callValueEntry(AddIn* a, const char* name, const Value& arg, Value& result,
                    std::string& error) {
    auto fn = reinterpret_cast<ValueEntryPoint>(a->symbol(name));
    if (!fn) {
        error = std::string("the add-in has no ") + name;
        return false;
    }
    XLOPER in;
    toXloper(arg, in);
    XLOPER* out = nullptr;
    {
        CallerScope scope(a);
        out = fn(&in);
    }
    releaseXloper(in);
    result = out ? fromXloper(*out) : Value::nil();
    if (out && (out->xltype & xlbitDLLFree)) {
        if (auto freeFn = reinterpret_cast<FreeEntryPoint>(a->symbol("xlAutoFree"))) {
            CallerScope scope(a);
            freeFn(out);
        }
    } else if (out && (out->xltype & xlbitXLFree)) {
        releaseXloper(*out);
    }
    return true;
}

int addAddIn(std::unique_ptr<AddIn> a) {
    State& s = state();
    a->handle = s.nextAddInHandle++;
    AddIn* raw = a.get();
    s.addIns.push_back(std::move(a));
    bool found = false;
    callEntry(raw, "xlAutoOpen", found);
    return raw->handle;
}

}  // namespace

int loadAddIn(const std::string& path, std::string& error) {
    if (access(path.c_str(), R_OK) != 0) {
        error = "cannot load add-in " + path + ": no such file";
        return 0;
    }
    void* lib = openLibrary(path, error);
    if (!lib) return 0;
    auto a = std::make_unique<AddIn>();
    a->path = path;
    a->library = lib;
    return addAddIn(std::move(a));
}

int attachAddIn(const std::string& path, SymbolResolver resolver, std::string& error) {
    if (path.empty()) {
        error = "an add-in needs a path name";
        return 0;
    }
    auto a = std::make_unique<AddIn>();
    a->path = path;
    a->resolver = std::move(resolver);
    return addAddIn(std::move(a));
}

bool closeAddIn(int handle, std::string& error) {
    State& s = state();
    AddIn* a = addInByHandle(handle);
    if (!a) {
        error = "no add-in has the handle " + std::to_string(handle);
        return false;
    }
    for (AddIn* running : s.callers) {
        if (running == a) {
            error = "the add-in " + a->path + " cannot be closed while its code runs";
            return false;
        }
    }
    bool found = false;
    callEntry(a, "xlAutoClose", found);
    std::erase_if(s.registrations, [a](const Registration& r) { return r.addIn == a; });
    std::unique_ptr<AddIn> owned;
    for (auto it = s.addIns.begin(); it != s.addIns.end(); ++it) {
        if (it->get() == a) {
            owned = std::move(*it);
            s.addIns.erase(it);
            break;
        }
    }
    if (owned && owned->library) dlclose(owned->library);
    return true;
}

std::vector<AddInInfo> addIns() {
    std::vector<AddInInfo> out;
    for (auto& a : state().addIns) out.push_back({a->handle, a->path});
    return out;
}

namespace {
bool simpleEntry(int handle, const char* name, int& result, std::string& error) {
    AddIn* a = addInByHandle(handle);
    if (!a) {
        error = "no add-in has the handle " + std::to_string(handle);
        return false;
    }
    bool found = false;
    result = callEntry(a, name, found);
    if (!found) error = std::string("the add-in has no ") + name;
    return found;
}
}  // namespace

bool addInAdd(int handle, int& result, std::string& error) {
    return simpleEntry(handle, "xlAutoAdd", result, error);
}

bool addInRemove(int handle, int& result, std::string& error) {
    return simpleEntry(handle, "xlAutoRemove", result, error);
}

bool addInManagerInfo(int handle, const Value& action, Value& result, std::string& error) {
    AddIn* a = addInByHandle(handle);
    if (!a) {
        error = "no add-in has the handle " + std::to_string(handle);
        return false;
    }
    return callValueEntry(a, "xlAddInManagerInfo", action, result, error);
}

bool addInRegister(int handle, const std::string& name, Value& result, std::string& error) {
    AddIn* a = addInByHandle(handle);
    if (!a) {
        error = "no add-in has the handle " + std::to_string(handle);
        return false;
    }
    return callValueEntry(a, "xlAutoRegister", Value::text(name), result, error);
}

void* addInSymbol(int handle, const std::string& name) {
    AddIn* a = addInByHandle(handle);
    return a ? a->symbol(name) : nullptr;
}

bool runAddInFunction(int handle, const std::string& name, int& result, std::string& error) {
    AddIn* a = addInByHandle(handle);
    if (!a) {
        error = "no add-in has the handle " + std::to_string(handle);
        return false;
    }
    auto fn = reinterpret_cast<EntryPoint>(a->symbol(name));
    if (!fn) {
        error = "the add-in has no function " + name;
        return false;
    }
    CallerScope scope(a);
    result = fn();
    return true;
}

// ---- registered commands ----------------------------------------------------------------

bool runRegistration(const Registration& r, int& result, std::string& error) {
    auto fn = reinterpret_cast<EntryPoint>(r.procedureAddress);
    if (!fn || !r.addIn) {
        error = "the command " + r.info.procedure + " cannot be run";
        return false;
    }
    CallerScope scope(r.addIn);
    result = fn();
    return true;
}

std::vector<RegistrationInfo> registrations() {
    std::vector<RegistrationInfo> out;
    for (const Registration& r : state().registrations) out.push_back(r.info);
    return out;
}

bool runCommand(const std::string& name, int& result, std::string& error) {
    State& s = state();
    const Registration* found = nullptr;
    auto n = s.names.find(name);
    if (n != s.names.end() && n->second.registerId != 0) {
        for (const Registration& r : s.registrations)
            if (r.id == n->second.registerId) found = &r;
    }
    if (!found) {
        // The latest registration of that procedure wins.
        for (const Registration& r : s.registrations)
            if (sameText(r.info.procedure, name) || sameText(r.info.functionText, name)) found = &r;
    }
    if (!found) {
        error = "no command named " + name + " is registered";
        return false;
    }
    Registration copy = *found;  // the command may change the registrations
    return runRegistration(copy, result, error);
}

bool definedName(const std::string& name, Value& out) {
    State& s = state();
    auto it = s.names.find(name);
    if (it != s.names.end()) {
        out = it->second.value;
        return true;
    }
    if (Workbook* b = s.model.activeBook()) {
        for (const BookName& bn : b->names) {
            if (sameText(bn.name, name)) {
                out = Value::text("=" + bn.formula);
                return true;
            }
        }
    }
    return false;
}

}  // namespace host
