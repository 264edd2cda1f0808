#include "host/Modules.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Module {
    std::string name;
    std::string version;
};

// Built on first use and never destroyed: modules unregister from their
// unload hooks, which may run after this file's static destructors.
std::vector<Module>& Modules() {
    static auto* modules = new std::vector<Module>;
    return *modules;
}

std::vector<Module>::iterator FindModule(const char* name) {
    return std::find_if(Modules().begin(), Modules().end(),
                        [name](const Module& m) { return m.name == name; });
}

const Module* ModuleAt(int i) {
    return i >= 0 && static_cast<size_t>(i) < Modules().size() ? &Modules()[static_cast<size_t>(i)]
                                                               : nullptr;
}

}  // namespace

void AfxRegisterModule(const char* name, const char* version) {
    if (!name)
        return;
    const std::string v = version ? version : "";
    const auto it = FindModule(name);
    if (it != Modules().end())
        it->version = v;
    else
        Modules().push_back({name, v});
}

void AfxUnregisterModule(const char* name) {
    if (!name)
        return;
    const auto it = FindModule(name);
    if (it != Modules().end())
        Modules().erase(it);
}

int AfxGetModuleCount() { return static_cast<int>(Modules().size()); }

const char* AfxGetModuleName(int i) {
    const Module* m = ModuleAt(i);
    return m ? m->name.c_str() : nullptr;
}

const char* AfxGetModuleVersion(int i) {
    const Module* m = ModuleAt(i);
    return m ? m->version.c_str() : nullptr;
}
