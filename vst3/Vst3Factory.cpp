// SPDX-License-Identifier: ISC
#include "vst3/Vst3Factory.h"

#include "core/EffectIdentity.h"
#include "vst3/Vst3Classes.h"
#include "vst3/Vst3Controller.h"
#include "vst3/Vst3Processor.h"
#include "vst3/Vst3Text.h"

#include <cstring>
#include <new>

namespace vst3 {

namespace {

struct ClassRow {
    const Uid& cid;
    const char* category;
    const char* subcategories;
};

// The audio effect first, its controller second.
constexpr ClassRow kClasses[] = {
    {kProcessorClassId, kAudioEffectCategory, kEffectSubcategories},
    {kControllerClassId, kControllerCategory, ""},
};
constexpr int32_t kClassCount = 2;

class Factory final : public IPluginFactory2 {
  public:
    tresult queryInterface(const TUID iid, void** object) override {
        if (object == nullptr) return kInvalidArgument;
        if (kFUnknownIid.matches(iid) || kPluginFactoryIid.matches(iid) ||
            kPluginFactory2Iid.matches(iid)) {
            *object = static_cast<IPluginFactory2*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }

    tresult getFactoryInfo(PFactoryInfo* info) override {
        if (info == nullptr) return kInvalidArgument;
        CopyToChars(kVendorName, info->vendor, sizeof info->vendor);
        CopyToChars("", info->url, sizeof info->url);
        CopyToChars("", info->email, sizeof info->email);
        info->flags = 0; // names are plain ASCII; no unicode class infos
        return kResultOk;
    }

    int32_t countClasses() override { return kClassCount; }

    tresult getClassInfo(int32_t index, PClassInfo* info) override {
        if (info == nullptr || index < 0 || index >= kClassCount) return kInvalidArgument;
        const ClassRow& row = kClasses[index];
        row.cid.copyTo(info->cid);
        info->cardinality = kManyInstances;
        CopyToChars(row.category, info->category, sizeof info->category);
        CopyToChars(kEffectName, info->name, sizeof info->name);
        return kResultOk;
    }

    tresult getClassInfo2(int32_t index, PClassInfo2* info) override {
        if (info == nullptr || index < 0 || index >= kClassCount) return kInvalidArgument;
        const ClassRow& row = kClasses[index];
        row.cid.copyTo(info->cid);
        info->cardinality = kManyInstances;
        CopyToChars(row.category, info->category, sizeof info->category);
        CopyToChars(kEffectName, info->name, sizeof info->name);
        info->classFlags = 0;
        CopyToChars(row.subcategories, info->subCategories, sizeof info->subCategories);
        CopyToChars(kVendorName, info->vendor, sizeof info->vendor);
        CopyToChars(kVersionText, info->version, sizeof info->version);
        CopyToChars(kFormatVersionText, info->sdkVersion, sizeof info->sdkVersion);
        return kResultOk;
    }

    // A new object of the class, asked for by one of its interfaces; the
    // caller owns the one reference it gets.
    tresult createInstance(FIDString cid, FIDString iid, void** object) override {
        if (object == nullptr) return kInvalidArgument;
        *object = nullptr;
        FUnknown* made = nullptr;
        if (kProcessorClassId.matches(cid))
            made = static_cast<IComponent*>(new (std::nothrow) Vst3Processor);
        else if (kControllerClassId.matches(cid))
            made = static_cast<IEditController*>(new (std::nothrow) Vst3Controller);
        else
            return kNoInterface;
        if (made == nullptr) return kOutOfMemory;
        const tresult result = made->queryInterface(iid, object);
        made->release();
        return result;
    }
};

} // namespace

IPluginFactory* ModuleFactory() {
    static Factory factory;
    return &factory;
}

} // namespace vst3
