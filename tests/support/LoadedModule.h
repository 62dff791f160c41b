// Loads the built plug-in module the way a host does and finds its entry point.
#pragma once

#include "host/EffectRecord.h"

#include <string>

using ModuleEntry = AEffect*(VSTCALL*)(audioMasterCallback);

class LoadedModule {
public:
    explicit LoadedModule(const std::string& path = TAPESTRUM_MODULE_PATH);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return handle != nullptr; }
    void* symbol(const char* name) const;
    ModuleEntry entry(const char* name = "main") const {
        return reinterpret_cast<ModuleEntry>(symbol(name));
    }

private:
    void* handle = nullptr;
};

// The dispatcher call a host makes, with the record's own function.
inline intptr_t Dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}
