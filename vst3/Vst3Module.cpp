// SPDX-License-Identifier: ISC
// The module's exported entry points: the factory, and the calls a host makes
// when it loads and before it unloads the module (nothing to set up or tear
// down there).
#include "core/ModuleExport.h"
#include "vst3/Vst3Factory.h"

extern "C" {

TAPESTRUM_MODULE_EXPORT vst3::IPluginFactory* GetPluginFactory() { return vst3::ModuleFactory(); }

#if defined(_WIN32)
bool InitDll() { return true; }
bool ExitDll() { return true; }
#else
TAPESTRUM_MODULE_EXPORT bool ModuleEntry(void*) { return true; }
TAPESTRUM_MODULE_EXPORT bool ModuleExit() { return true; }
#endif
}
