// SPDX-License-Identifier: ISC
// A stand-in for the editor's view until the real one is merged: eleven
// horizontal bars, one a control, dragged sideways. Deleted at the merge.
#include "core/ParameterTable.h"
#include "editor/EditorView.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tapestrum::editor {

struct EditorView::Impl {
    EditorHost& host;
    double scale = 1;
    int width = kDefaultWidth, height = kDefaultHeight;
    std::array<float, kParameterCount> values{};
    int dragged = -1;
    bool changed = true;

    int rowOf(int y) const {
        return std::clamp(y * kParameterCount / std::max(height, 1), 0, kLastParameter);
    }
    float valueAt(int x) const {
        return std::clamp(float(x) / float(std::max(width, 1)), 0.0f, 1.0f);
    }
    void set(int index, float value) {
        values[size_t(index)] = value;
        host.performEdit(index, value);
        changed = true;
    }
};

EditorView::EditorView(EditorHost& host, const LoopFeed*) : impl(new Impl{host}) {
    for (const auto& row : kParameters)
        impl->values[size_t(row.index)] = row.defaultValue;
}
EditorView::~EditorView() { delete impl; }

void EditorView::setScale(double scale) {
    impl->scale = std::clamp(scale, 0.5, 4.0);
    resize(impl->width, impl->height);
}
void EditorView::resize(int width, int height) {
    impl->width = std::clamp(width, int(kMinWidth * impl->scale), int(kMaxWidth * impl->scale));
    impl->height = std::clamp(height, int(kMinHeight * impl->scale), int(kMaxHeight * impl->scale));
    impl->changed = true;
}
int EditorView::width() const { return impl->width; }
int EditorView::height() const { return impl->height; }

void EditorView::setParameter(int32_t index, float value) {
    if (index < 0 || index > kLastParameter) return;
    impl->values[size_t(index)] = std::clamp(value, 0.0f, 1.0f);
    impl->changed = true;
}

bool EditorView::tick() { return std::exchange(impl->changed, false); }

void EditorView::paint(const PixelBuffer& target) {
    for (int y = 0; y < std::min(target.height, impl->height); ++y) {
        const int row = impl->rowOf(y);
        const int filled = int(impl->values[size_t(row)] * float(impl->width));
        for (int x = 0; x < std::min(target.width, impl->width); ++x)
            target.pixels[y * target.stride + x] = x < filled ? 0x00B0C4DEu : 0x00202020u;
    }
}

void EditorView::mouseDown(int x, int y, unsigned, bool doubleClick) {
    const int row = impl->rowOf(y);
    impl->host.beginEdit(row);
    impl->set(row, doubleClick ? kParameters[size_t(row)].defaultValue : impl->valueAt(x));
    if (doubleClick) return impl->host.endEdit(row);
    impl->dragged = row;
}
void EditorView::mouseMove(int x, int, unsigned) {
    if (impl->dragged >= 0) impl->set(impl->dragged, impl->valueAt(x));
}
void EditorView::mouseUp(int x, int y, unsigned modifiers) {
    if (impl->dragged < 0) return;
    mouseMove(x, y, modifiers);
    impl->host.endEdit(std::exchange(impl->dragged, -1));
}
void EditorView::wheel(int, int y, float steps, unsigned) {
    const int row = impl->rowOf(y);
    impl->host.beginEdit(row);
    impl->set(row, std::clamp(impl->values[size_t(row)] + steps / 100, 0.0f, 1.0f));
    impl->host.endEdit(row);
}

} // namespace tapestrum::editor
