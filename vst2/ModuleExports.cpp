// SPDX-License-Identifier: ISC
// The module's exported symbols. The host looks up `main` (and 64-bit hosts
// usually `VSTPluginMain` first); both reach CreateInstanceRecord directly, never
// through the dynamic symbol `main`, which in a host executable may resolve to
// the host's own main function.
#include "core/ModuleExport.h"
#include "vst2/EntryPoint.h"

extern "C" {

TAPESTRUM_MODULE_EXPORT AEffect* VSTCALL VSTPluginMain(audioMasterCallback audioMaster) {
    return CreateInstanceRecord(audioMaster);
}

#if defined(_WIN32)
// Exported as `main` by the module-definition file.
AEffect* VSTCALL tapestrumMain(audioMasterCallback audioMaster) {
    return CreateInstanceRecord(audioMaster);
}
#else
// C++ reserves the name main, so the function has another name in the source and
// the assembler label gives it the exported symbol name.
TAPESTRUM_MODULE_EXPORT AEffect* VSTCALL
tapestrumMain(audioMasterCallback audioMaster) __asm__("main");
AEffect* VSTCALL tapestrumMain(audioMasterCallback audioMaster) {
    return CreateInstanceRecord(audioMaster);
}
#endif
}
