// SPDX-License-Identifier: ISC
// A stand-in for the editor's painter, so that the platform windows and the
// faces can be built and tested before the painter itself is in: one horizontal
// bar per parameter down the window, filled to its value; a press on a bar
// begins a gesture there, a drag moves it, a release ends it, a double-click
// returns it to its default. The painter replaces this file.
#include "editor/EditorView.h"

#include "core/ParameterTable.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tapestrum::editor {

struct EditorView::Impl {
    EditorHost& host;
    double scale = 1.0;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    std::array<float, kParameterCount> values{};
    int32_t dragged = -1;
    bool changed = true; // since the last tick

    int32_t barAt(int y) const {
        return std::clamp(y * kParameterCount / height, 0, kLastParameter);
    }
    float valueAt(int x) const { return std::clamp(static_cast<float>(x) / width, 0.0f, 1.0f); }
};

EditorView::EditorView(EditorHost& host, const LoopFeed*) : impl(new Impl{host}) {
    for (int32_t i = 0; i < kParameterCount; ++i)
        impl->values[i] = kParameters[i].defaultValue;
}

EditorView::~EditorView() { delete impl; }

void EditorView::setScale(double scale) {
    impl->scale = std::clamp(scale, 0.5, 4.0);
    resize(impl->width, impl->height);
}

void EditorView::resize(int width, int height) {
    impl->width = std::clamp(width, static_cast<int>(kMinWidth * impl->scale),
                             static_cast<int>(kMaxWidth * impl->scale));
    impl->height = std::clamp(height, static_cast<int>(kMinHeight * impl->scale),
                              static_cast<int>(kMaxHeight * impl->scale));
}

int EditorView::width() const { return impl->width; }
int EditorView::height() const { return impl->height; }

void EditorView::setParameter(int32_t index, float normalisedValue) {
    if (index < 0 || index >= kParameterCount) return;
    impl->values[index] = std::clamp(normalisedValue, 0.0f, 1.0f);
    impl->changed = true;
}

bool EditorView::tick() { return std::exchange(impl->changed, false); }

void EditorView::paint(const PixelBuffer& target) {
    const int width = std::min(target.width, impl->width);
    const int height = std::min(target.height, impl->height);
    for (int y = 0; y < height; ++y) {
        const int filled = static_cast<int>(impl->values[impl->barAt(y)] * width);
        std::uint32_t* row = target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride;
        std::fill(row, row + filled, 0x00d08020u);
        std::fill(row + filled, row + width, 0x00202830u);
    }
}

void EditorView::mouseDown(int x, int y, unsigned, bool doubleClick) {
    const int32_t index = impl->barAt(y);
    const float value = doubleClick ? kParameters[index].defaultValue : impl->valueAt(x);
    impl->dragged = index;
    impl->values[index] = value;
    impl->host.beginEdit(index);
    impl->host.performEdit(index, value);
}

void EditorView::mouseMove(int x, int, unsigned) {
    if (impl->dragged < 0) return;
    impl->values[impl->dragged] = impl->valueAt(x);
    impl->host.performEdit(impl->dragged, impl->values[impl->dragged]);
}

void EditorView::mouseUp(int, int, unsigned) {
    if (impl->dragged < 0) return;
    impl->host.endEdit(impl->dragged);
    impl->dragged = -1;
}

void EditorView::wheel(int, int y, float steps, unsigned) {
    const int32_t index = impl->barAt(y);
    impl->values[index] = std::clamp(impl->values[index] + steps / 100.0f, 0.0f, 1.0f);
    impl->host.beginEdit(index);
    impl->host.performEdit(index, impl->values[index]);
    impl->host.endEdit(index);
}

} // namespace tapestrum::editor
