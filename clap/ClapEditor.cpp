// SPDX-License-Identifier: ISC
#include "clap/ClapEditor.h"

#include <algorithm>
#include <cmath>

using tapestrum::editor::EditorView;
using tapestrum::editor::EditorWindow;

#ifdef _WIN32
const char* const ClapEditor::kApi = clap::kWindowApiWin32;
#else
const char* const ClapEditor::kApi = clap::kWindowApiX11;
#endif

namespace {

template <typename Extension>
const Extension* HostExtension(const clap::Host& host, const char* id) {
    return host.getExtension ? static_cast<const Extension*>(host.getExtension(&host, id))
                             : nullptr;
}

} // namespace

// The timer is the host's from the start: it also carries the host's changes
// into the view and edits that waited for room in the queue.
ClapEditor::ClapEditor(const clap::Host& host, const TapestrumEffect& effect, ClapEditQueue& edits)
    : host(host), effect(effect), edits(edits),
      hostParams(HostExtension<clap::HostParams>(host, clap::kExtParams)),
      hostTimers(HostExtension<clap::HostTimerSupport>(host, clap::kExtTimerSupport)),
      hostFds(HostExtension<clap::HostPosixFdSupport>(host, clap::kExtPosixFdSupport)),
      view(*this, nullptr) {
    for (int32_t i = 0; i < kParameterCount; ++i) {
        seen[i] = effect.storedParameter(i);
        view.setParameter(i, seen[i]);
    }
    if (hostTimers && hostTimers->registerTimer &&
        !hostTimers->registerTimer(&host, kTimerPeriodMs, &timer))
        timer = clap::kInvalidId;
}

ClapEditor::~ClapEditor() {
    if (fd >= 0) hostFds->unregisterFd(&host, fd);
    if (timer != clap::kInvalidId && hostTimers->unregisterTimer)
        hostTimers->unregisterTimer(&host, timer);
    window.reset();
}

bool ClapEditor::setParent(std::uintptr_t parent) {
    if (window) return false;
    window = EditorWindow::create(parent, view);
    if (!window) return false;
    const int descriptor = window->fileDescriptor();
    if (descriptor >= 0 && hostFds && hostFds->registerFd && hostFds->unregisterFd &&
        hostFds->registerFd(&host, descriptor, clap::kPosixFdRead))
        fd = descriptor;
    return true;
}

void ClapEditor::setScale(double newScale) {
    if (!(newScale > 0.0) || !std::isfinite(newScale)) return;
    scale = newScale;
    view.setScale(scale);
    if (window) window->resize(view.width(), view.height());
}

void ClapEditor::adjustSize(uint32_t& width, uint32_t& height) const {
    const auto limit = [this](uint32_t size, int least, int most) {
        return std::clamp(size, static_cast<uint32_t>(std::lround(least * scale)),
                          static_cast<uint32_t>(std::lround(most * scale)));
    };
    width = limit(width, EditorView::kMinWidth, EditorView::kMaxWidth);
    height = limit(height, EditorView::kMinHeight, EditorView::kMaxHeight);
}

void ClapEditor::setSize(uint32_t width, uint32_t height) {
    const int w = static_cast<int>(std::min<uint32_t>(width, 1u << 16));
    const int h = static_cast<int>(std::min<uint32_t>(height, 1u << 16));
    if (window)
        window->resize(w, h);
    else
        view.resize(w, h);
}

bool ClapEditor::show(bool visible) {
    if (!window) return false;
    window->show(visible);
    return true;
}

void ClapEditor::onFd() {
    if (window) window->handleEvents();
}

void ClapEditor::onTimer(clap::Id id) {
    if (id != timer) return;
    sendWaiting();
    followHost();
    if (window) window->tick();
}

void ClapEditor::followHost() {
    for (int32_t i = 0; i < kParameterCount; ++i) {
        const float stored = effect.storedParameter(i);
        if (stored == seen[i]) continue;
        seen[i] = stored;
        if (!dragging[i]) view.setParameter(i, stored);
    }
}

void ClapEditor::beginEdit(int32_t index) {
    if (index < 0 || index >= kParameterCount) return;
    dragging[index] = true;
    send({ClapEdit::Begin, index, 0.0f});
}

void ClapEditor::performEdit(int32_t index, float normalisedValue) {
    if (index < 0 || index >= kParameterCount) return;
    send({ClapEdit::Value, index, std::clamp(normalisedValue, 0.0f, 1.0f)});
}

void ClapEditor::endEdit(int32_t index) {
    if (index < 0 || index >= kParameterCount) return;
    dragging[index] = false;
    send({ClapEdit::End, index, 0.0f});
}

std::string ClapEditor::parameterText(int32_t index, float normalisedValue) {
    if (index < 0 || index >= kParameterCount) return {};
    return effect.displayTextFor(index, normalisedValue);
}

void ClapEditor::send(const ClapEdit& edit) {
    waiting.push_back(edit);
    sendWaiting();
}

void ClapEditor::sendWaiting() {
    if (waiting.empty()) return;
    while (!waiting.empty() && edits.push(waiting.front()))
        waiting.pop_front();
    if (hostParams && hostParams->requestFlush) hostParams->requestFlush(&host);
}
