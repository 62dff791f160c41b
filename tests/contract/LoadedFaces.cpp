// SPDX-License-Identifier: ISC
#include "contract/ContractSuite.h"

#include "contract/FaceDrivers.h"
#include "tools/DynamicLibrary.h"

#if defined(TAPESTRUM_VST3_BUNDLE)
#include "vst3/Vst3TestHost.h"
#endif
#if defined(TAPESTRUM_CLAP_PATH)
#include "contract/ClapDriver.h"
#endif
#if defined(LV2_BINARY_PATH)
#include <lv2/core/lv2.h>
#endif

// Each binary is loaded on first use and stays loaded until the program ends.
std::vector<Face> LoadedFaces() {
    std::vector<Face> faces;
    faces.push_back({"Vst2", [] {
                         static const DynamicLibrary library(TAPESTRUM_MODULE_PATH);
                         return MakeVst2Driver(
                             reinterpret_cast<Vst2Entry>(library.symbol("VSTPluginMain")));
                     }});
#if defined(TAPESTRUM_VST3_BUNDLE)
    faces.push_back({"Vst3", [] {
                         static testhost::Vst3Module module(TAPESTRUM_VST3_BUNDLE);
                         return MakeVst3Driver(module.factory);
                     }});
#endif
#if defined(TAPESTRUM_CLAP_PATH)
    faces.push_back({"Clap", [] { return MakeClapDriver(ClapFactory(TAPESTRUM_CLAP_PATH)); }});
#endif
#if defined(LV2_BINARY_PATH)
    faces.push_back({"Lv2", [] {
                         static const DynamicLibrary library(LV2_BINARY_PATH);
                         auto entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(
                             library.symbol("lv2_descriptor"));
                         return MakeLv2Driver(entry ? entry(0) : nullptr);
                     }});
#endif
    faces.push_back({"C", [] { return MakeCDriver(); }});
    return faces;
}
