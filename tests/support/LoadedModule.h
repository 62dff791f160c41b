// SPDX-License-Identifier: ISC
// Loads the built plug-in module the way a host does and finds its entry point.
#pragma once

#include "tools/DynamicLibrary.h"
#include "vst2/record/EffectRecord.h"

#include <string>

using ModuleEntry = AEffect*(VSTCALL*)(audioMasterCallback);

class LoadedModule {
  public:
    explicit LoadedModule(const std::string& path = TAPESTRUM_MODULE_PATH) : library(path) {}

    bool loaded() const { return library.loaded(); }
    void* symbol(const char* name) const { return library.symbol(name); }
    ModuleEntry entry(const char* name = "main") const {
        return reinterpret_cast<ModuleEntry>(symbol(name));
    }

  private:
    DynamicLibrary library;
};

// The dispatcher call a host makes, with the record's own function.
inline intptr_t Dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}
