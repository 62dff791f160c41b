#include "LoadedModule.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

LoadedModule::LoadedModule(const std::string& path) {
#if defined(_WIN32)
    handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

LoadedModule::~LoadedModule() {
    if (!handle) return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

void* LoadedModule::symbol(const char* name) const {
    if (!handle) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}
