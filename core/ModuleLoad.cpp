// SPDX-License-Identifier: ISC
// Compiled into every plug-in module of the effect (VST 2, VST 3, CLAP, LV2):
// when the module is loaded, on the loading thread, floating-point exceptions
// are masked, so that the effect's arithmetic gives NaNs and infinities rather
// than traps whatever the host set.
#include "core/FloatingPointSetup.h"

namespace {
__attribute__((constructor)) void onModuleLoad() { MaskFloatingPointExceptions(); }
} // namespace
