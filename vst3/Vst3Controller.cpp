// SPDX-License-Identifier: ISC
#include "vst3/Vst3Controller.h"

#include "core/HostText.h"
#include "core/ParameterIndexCheck.h"
#include "vst3/ProcessorLink.h"
#include "vst3/StateStream.h"
#include "vst3/Vst3Classes.h"
#include "vst3/Vst3EditorView.h"
#include "vst3/Vst3Processor.h"
#include "vst3/Vst3Text.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <type_traits>

namespace vst3 {

// The mirror starts from the defaults, as the processor's effect does.
Vst3Controller::Vst3Controller() {
    for (const auto& row : kParameters)
        mirror.setParameter(row.index, row.defaultValue);
}

Vst3Controller::~Vst3Controller() { terminate(); }

tresult Vst3Controller::queryInterface(const TUID iid, void** object) {
    if (object == nullptr) return kInvalidArgument;
    void* found = nullptr;
    if (kFUnknownIid.matches(iid) || kPluginBaseIid.matches(iid) || kEditControllerIid.matches(iid))
        found = static_cast<IEditController*>(this);
    else if (kConnectionPointIid.matches(iid))
        found = static_cast<IConnectionPoint*>(this);
    *object = found;
    if (found == nullptr) return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3Controller::addRef() { return ++references; }

uint32_t Vst3Controller::release() {
    const uint32_t left = --references;
    if (left == 0) delete this;
    return left;
}

tresult Vst3Controller::initialize(FUnknown*) { return kResultOk; }

tresult Vst3Controller::terminate() {
    if (peer != nullptr) disconnect(peer);
    unlinkProcessor();
    setComponentHandler(nullptr);
    return kResultOk;
}

// The processor's saved state: the mirror takes it, its values in index order.
// A block that is not a whole, valid state changes nothing.
tresult Vst3Controller::setComponentState(IBStream* stream) {
    try {
        const std::optional<EffectState> state = ReadStateBlock(stream);
        if (!state) return kInvalidArgument;
        mirror.setState(*state);
        for (Vst3EditorView* view : views)
            showMirror(*view);
        return kResultOk;
    } catch (const std::exception&) {
        return kOutOfMemory;
    }
}

// The controller has no state of its own: everything is in the processor's.
tresult Vst3Controller::setState(IBStream*) { return kResultOk; }
tresult Vst3Controller::getState(IBStream*) { return kResultOk; }

int32_t Vst3Controller::getParameterCount() { return kParameterCount; }

// Identifiers are the parameter indexes; values are the effect's own, from 0
// to 1, so the normalized value is the plain one.
tresult Vst3Controller::getParameterInfo(int32_t index, ParameterInfo& info) {
    if (!IsParameterIndex(index)) return kInvalidArgument;
    const auto& row = kParameters[static_cast<size_t>(index)];
    info.id = static_cast<ParamID>(index);
    CopyHostText(info.title, row.name, std::size(info.title) - 1);
    CopyHostText(info.shortTitle, row.name, std::size(info.shortTitle) - 1);
    CopyHostText(info.units, "", std::size(info.units) - 1);
    info.stepCount = row.isSwitch ? 1 : 0;
    info.defaultNormalizedValue = row.defaultValue;
    info.unitId = kRootUnitId;
    info.flags = kCanAutomate;
    return kResultOk;
}

// The text the VST 2 face shows after that value is set, at the processor's
// sample rate.
tresult Vst3Controller::getParamStringByValue(ParamID id, ParamValue value, String128 text) {
    if (!IsParameterIndex(id) || text == nullptr) return kInvalidArgument;
    try {
        CopyHostText(text, mirror.displayTextFor(static_cast<int32_t>(id), ParameterFloat(value)),
                     std::extent_v<String128> - 1);
        return kResultOk;
    } catch (const std::exception&) {
        return kOutOfMemory;
    }
}

tresult Vst3Controller::getParamValueByString(ParamID id, TChar* text, ParamValue& value) {
    if (!IsParameterIndex(id) || text == nullptr) return kInvalidArgument;
    try {
        const std::optional<float> read =
            mirror.valueForText(static_cast<int32_t>(id), Utf8FromUtf16(text, 128));
        if (!read) return kResultFalse;
        value = *read;
        return kResultOk;
    } catch (const std::exception&) {
        return kOutOfMemory;
    }
}

ParamValue Vst3Controller::normalizedParamToPlain(ParamID, ParamValue value) { return value; }
ParamValue Vst3Controller::plainParamToNormalized(ParamID, ParamValue value) { return value; }

ParamValue Vst3Controller::getParamNormalized(ParamID id) {
    return IsParameterIndex(id) ? mirror.storedParameter(static_cast<int32_t>(id)) : 0.0;
}

tresult Vst3Controller::setParamNormalized(ParamID id, ParamValue value) {
    if (!IsParameterIndex(id)) return kInvalidArgument;
    mirror.setParameter(static_cast<int32_t>(id), ParameterFloat(value));
    for (Vst3EditorView* view : views)
        view->setParameter(static_cast<int32_t>(id),
                           mirror.storedParameter(static_cast<int32_t>(id)));
    return kResultOk;
}

tresult Vst3Controller::setComponentHandler(IComponentHandler* newHandler) {
    if (newHandler == handler) return kResultOk;
    if (handler != nullptr) handler->release();
    handler = newHandler;
    if (handler != nullptr) handler->addRef();
    return kResultOk;
}

// The one view is the editor, showing the mirror's values.
IPlugView* Vst3Controller::createView(FIDString name) {
    if (name == nullptr || std::strcmp(name, kViewTypeEditor) != 0) return nullptr;
    try {
        views.reserve(views.size() + 1);
        auto* view = new Vst3EditorView(*this, processor);
        views.push_back(view);
        showMirror(*view);
        return view;
    } catch (const std::exception&) {
        return nullptr;
    }
}

void Vst3Controller::viewClosed(Vst3EditorView* view) { std::erase(views, view); }

void Vst3Controller::showMirror(Vst3EditorView& view) const {
    for (const auto& row : kParameters)
        view.setParameter(row.index, mirror.storedParameter(row.index));
}

// A gesture on the editor: the mirror follows at once, as the host expects the
// controller to know the value it is told.
void Vst3Controller::beginEdit(int32_t index) {
    if (handler != nullptr) handler->beginEdit(static_cast<ParamID>(index));
}

void Vst3Controller::performEdit(int32_t index, float value) {
    if (!IsParameterIndex(index)) return;
    mirror.setParameter(index, value);
    if (handler != nullptr)
        handler->performEdit(static_cast<ParamID>(index), mirror.storedParameter(index));
}

void Vst3Controller::endEdit(int32_t index) {
    if (handler != nullptr) handler->endEdit(static_cast<ParamID>(index));
}

std::string Vst3Controller::parameterText(int32_t index, float value) {
    return IsParameterIndex(index) ? mirror.displayTextFor(index, value) : std::string();
}

void Vst3Controller::unlinkProcessor() {
    if (processor != nullptr) processor->release();
    processor = nullptr;
}

tresult Vst3Controller::connect(IConnectionPoint* other) {
    if (other == nullptr) return kInvalidArgument;
    if (peer != nullptr) return kResultFalse;
    peer = other;
    peer->addRef();
    return kResultOk;
}

tresult Vst3Controller::disconnect(IConnectionPoint* other) {
    if (other == nullptr || other != peer) return kInvalidArgument;
    peer->release();
    peer = nullptr;
    unlinkProcessor();
    return kResultOk;
}

// The processor's sample rate, for the texts (a rate the effect refuses is
// ignored), and its address, when it lives in this process, for the editor.
tresult Vst3Controller::notify(IMessage* message) {
    if (message == nullptr) return kInvalidArgument;
    const char* id = message->getMessageID();
    IAttributeList* attributes = message->getAttributes();
    if (id == nullptr || attributes == nullptr) return kResultFalse;
    if (std::strcmp(id, kSampleRateMessage) == 0) {
        double rate = 0;
        return attributes->getFloat(kSampleRateAttribute, rate) == kResultOk &&
                       mirror.acceptSampleRate(rate)
                   ? kResultOk
                   : kResultFalse;
    }
    int64 address = 0;
    if (std::strcmp(id, kProcessorLinkMessage) != 0 ||
        attributes->getInt(kProcessorLinkAttribute, address) != kResultOk)
        return kResultFalse;
    unlinkProcessor();
    processor = AcquireProcessor(address);
    return processor != nullptr ? kResultOk : kResultFalse;
}

} // namespace vst3
