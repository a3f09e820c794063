#include "batch/shared_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

namespace seasky {

void* OpenSharedLibrary(const char* environmentVariable, const std::string& soname, const std::string& linkName,
                        std::string& reasons) {
    std::vector<std::string> names;
    if (const char* chosen = std::getenv(environmentVariable); chosen != nullptr && *chosen != '\0') {
        names.emplace_back(chosen);
    } else {
        names.push_back(soname);
        if (soname != linkName) names.push_back(linkName);
    }
    reasons.clear();
    for (const std::string& name : names) {
        if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
        const char* error = dlerror();
        reasons += (reasons.empty() ? "" : "; ") + (error != nullptr ? std::string(error) : name + ": not found");
    }
    return nullptr;
}

}  // namespace seasky
