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

namespace {

#if defined(TAPESTRUM_VST3_BUNDLE)
vst3::IPluginFactory* Vst3Factory() {
    static testhost::Vst3Module module(TAPESTRUM_VST3_BUNDLE);
    return module.factory;
}
#endif

#if defined(LV2_BINARY_PATH)
const LV2_Descriptor* Lv2Descriptor(uint32_t index) {
    static const DynamicLibrary library(LV2_BINARY_PATH);
    auto entry =
        reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(library.symbol("lv2_descriptor"));
    return entry ? entry(index) : nullptr;
}
#endif

} // namespace

// Each binary is loaded on first use and stays loaded until the program ends.
// The VST 3, CLAP and LV2 binaries and the C interface hold a stereo plug-in
// beside the mono one.
std::vector<Face> LoadedFaces() {
    std::vector<Face> faces;
    faces.push_back({"Vst2", [] {
                         static const DynamicLibrary library(TAPESTRUM_MODULE_PATH);
                         return MakeVst2Driver(
                             reinterpret_cast<Vst2Entry>(library.symbol("VSTPluginMain")));
                     }});
#if defined(TAPESTRUM_VST3_BUNDLE)
    faces.push_back({"Vst3", [] { return MakeVst3Driver(Vst3Factory()); },
                     [] { return MakeVst3Driver(Vst3Factory(), 2); }});
#endif
#if defined(TAPESTRUM_CLAP_PATH)
    faces.push_back({"Clap", [] { return MakeClapDriver(ClapFactory(TAPESTRUM_CLAP_PATH)); },
                     [] { return MakeClapDriver(ClapFactory(TAPESTRUM_CLAP_PATH), 2); }});
#endif
#if defined(LV2_BINARY_PATH)
    faces.push_back({"Lv2", [] { return MakeLv2Driver(Lv2Descriptor(0)); },
                     [] { return MakeLv2Driver(Lv2Descriptor(1), 2); }});
#endif
    faces.push_back({"C", [] { return MakeCDriver(); }, [] { return MakeCDriver(2); }});
    return faces;
}

std::vector<Face> StereoFaces() {
    std::vector<Face> faces = LoadedFaces();
    std::erase_if(faces, [](const Face& face) { return !face.makeStereo; });
    return faces;
}
