// The module's exported entry points: the factory, and the calls a host makes
// when it loads and before it unloads the module (nothing to set up or tear
// down there).
#include "vst3/Vst3Factory.h"

#if defined(_WIN32)
#define TAPESTRUM_EXPORT
#else
#define TAPESTRUM_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

TAPESTRUM_EXPORT vst3::IPluginFactory* GetPluginFactory() { return vst3::ModuleFactory(); }

#if defined(_WIN32)
bool InitDll() { return true; }
bool ExitDll() { return true; }
#else
TAPESTRUM_EXPORT bool ModuleEntry(void*) { return true; }
TAPESTRUM_EXPORT bool ModuleExit() { return true; }
#endif
}
