// SPDX-License-Identifier: ISC
// The module's class factory: the effect's processor and its controller.
#pragma once

#include "vst3/Vst3Interface.h"

namespace vst3 {

// The one factory of the module, alive as long as the module is loaded; its
// reference count is kept but never frees it. Hosts call it from their main
// thread.
IPluginFactory* ModuleFactory();

} // namespace vst3
