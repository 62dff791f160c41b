// SPDX-License-Identifier: ISC
#include "editor/EditorView.h"

#include "core/FactoryPresets.h"
#include "core/LoopFeed.h"
#include "core/ParameterTable.h"
#include "editor/EditorLayout.h"
#include "editor/Font.h"
#include "editor/LoopPainter.h"
#include "editor/Palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace tapestrum::editor {

namespace {

// A drag across a control's whole width moves its value from 0 to 1; with
// kFine held, a tenth as far. A wheel step moves it by a hundredth (a
// thousandth with kFine).
constexpr float kFineFactor = 0.1f;
constexpr float kWheelStep = 0.01f;
// Two values closer than this are the same (a host's echo of a value sent).
constexpr float kSameValue = 1e-6f;

} // namespace

struct EditorView::Impl {
    Impl(EditorHost& host, const LoopFeed* loop) : host(host), loop(loop) {
        for (const ParameterInfo& row : kParameters)
            values[row.index] = row.defaultValue;
        attached = loop && loop->attach();
    }
    ~Impl() {
        if (attached) loop->detach();
    }

    EditorHost& host;
    const LoopFeed* loop;
    bool attached = false;
    Font font;
    double scale = 1.0;
    int width = kDefaultWidth, height = kDefaultHeight;
    EditorLayout layout;
    std::array<float, kParameterCount> values{};

    // The text each control shows, asked of the host again only when the
    // value it shows changes.
    struct ShownText {
        float value = -1.0f;
        std::string text;
    };
    std::array<ShownText, kParameterCount> texts;

    // The preset last chosen from the menu, and whether a control moved since.
    std::optional<size_t> preset;
    bool edited = false;
    bool menuOpen = false;
    int menuHover = -1;

    // The drag under way: its control, where it was anchored and the value
    // there.
    int dragIndex = -1;
    int dragX = 0;
    float dragValue = 0.0f;
    unsigned dragModifiers = 0;

    uint32_t shownPublication = 0;
    bool needsPaint = true;

    void relayout() {
        layout = EditorLayout::For(width, height, scale, static_cast<int>(FactoryPresets().size()));
        needsPaint = true;
    }
    const LoopFeed::Picture* picture() const { return attached ? &loop->latest() : nullptr; }
    int controlAt(int x, int y) const {
        for (int i = 0; i < kParameterCount; ++i)
            if (layout.controls[i].contains(x, y)) return i;
        return -1;
    }
    // The value a control shows: the head position follows the write head while
    // the loop plays (unless the user drags it).
    float shownValue(int index, const LoopFeed::Picture* p) const {
        if (index == kHeadPosition && p && p->publication && dragIndex != kHeadPosition)
            return static_cast<float>(std::clamp(p->writeHead, 0, p->length)) /
                   static_cast<float>(std::max(p->length, 1));
        return values[index];
    }
    const std::string& textFor(int index, float value) {
        ShownText& shown = texts[index];
        if (shown.value != value) {
            shown.text = host.parameterText(index, value);
            shown.value = value;
        }
        return shown.text;
    }
    // A value the user gives: sent to the host, shown, and counted as an edit.
    void perform(int index, float value) {
        value = ClampParameterValue(value);
        host.performEdit(index, value);
        if (std::fabs(values[index] - value) > kSameValue) edited = true;
        values[index] = value;
        needsPaint = true;
    }
    void gesture(int index, float value) {
        host.beginEdit(index);
        perform(index, value);
        host.endEdit(index);
    }
    void choosePreset(size_t index) {
        const FactoryPreset& chosen = FactoryPresets()[index];
        for (int32_t i = 0; i < kParameterCount; ++i)
            gesture(i, chosen.values[i]);
        preset = index;
        edited = false;
    }
    std::string presetCaption() const {
        if (!preset) return edited ? "(edited)" : "factory presets";
        std::string caption(FactoryPresets()[*preset].name);
        return edited ? caption + " (edited)" : caption;
    }

    void paintControls(Canvas& canvas, const LoopFeed::Picture* p);
    void paintTop(Canvas& canvas, const LoopFeed::Picture* p);
    void paintMenu(Canvas& canvas);
};

EditorView::EditorView(EditorHost& host, const LoopFeed* loop) : impl(new Impl(host, loop)) {
    impl->relayout();
}

EditorView::~EditorView() { delete impl; }

void EditorView::setScale(double scale) {
    if (!(scale > 0.0)) return;
    scale = std::clamp(scale, 0.5, 4.0);
    const double ratio = scale / impl->scale;
    impl->scale = scale;
    resize(static_cast<int>(std::lround(impl->width * ratio)),
           static_cast<int>(std::lround(impl->height * ratio)));
}

void EditorView::resize(int width, int height) {
    const double s = impl->scale;
    const auto limit = [s](int value, int low, int high) {
        return std::clamp(value, static_cast<int>(std::ceil(low * s)),
                          static_cast<int>(std::floor(high * s)));
    };
    impl->width = limit(width, kMinWidth, kMaxWidth);
    impl->height = limit(height, kMinHeight, kMaxHeight);
    impl->relayout();
}

int EditorView::width() const { return impl->width; }
int EditorView::height() const { return impl->height; }
const EditorLayout& EditorView::layout() const { return impl->layout; }
float EditorView::parameterValue(int32_t index) const { return impl->values[index]; }

// A host's change marks the chosen preset edited when the value leaves the
// preset's; without a chosen preset the host's values are simply the state.
void EditorView::setParameter(int32_t index, float normalisedValue) {
    if (index < 0 || index >= kParameterCount) return;
    const float value = ClampParameterValue(normalisedValue);
    if (std::fabs(impl->values[index] - value) <= kSameValue) return;
    impl->values[index] = value;
    if (impl->preset &&
        std::fabs(FactoryPresets()[*impl->preset].values[index] - value) > kSameValue)
        impl->edited = true;
    impl->needsPaint = true;
}

std::string EditorView::presetCaption() const { return impl->presetCaption(); }

bool EditorView::tick() {
    if (const LoopFeed::Picture* p = impl->picture();
        p && p->publication != impl->shownPublication) {
        impl->shownPublication = p->publication;
        impl->needsPaint = true;
    }
    return impl->needsPaint;
}

void EditorView::Impl::paintTop(Canvas& canvas, const LoopFeed::Picture* p) {
    const EditorLayout& l = layout;
    const int baseline = l.title.y + (l.title.height + font.ascent(l.textSize)) / 2;
    font.draw(canvas, l.title.x, baseline, "tapestrum", l.textSize, kText, l.title);
    if (p && p->sampleRate > 0.0f) {
        char info[64];
        std::snprintf(info, sizeof info, "loop of %d frames, %.2f s", p->length,
                      p->length * double{TDelayVoc::HopLength} / p->sampleRate);
        const int x = l.title.x + font.measure("tapestrum", l.textSize) + l.padding * 2;
        font.draw(canvas, x, baseline, info, l.smallTextSize, kDimText, l.title);
    }
    const Rect& b = l.presetButton;
    canvas.fill(b, menuOpen ? kPanelHover : kPanel);
    canvas.frame(b, kPanelEdge);
    const Rect inner{b.x + l.padding, b.y, b.width - 2 * l.padding, b.height};
    font.draw(canvas, inner.x, b.y + (b.height + font.ascent(l.textSize)) / 2, presetCaption(),
              l.textSize, kText, inner);
}

void EditorView::Impl::paintControls(Canvas& canvas, const LoopFeed::Picture* p) {
    const EditorLayout& l = layout;
    for (int i = 0; i < kParameterCount; ++i) {
        const Rect& box = l.controls[i];
        const float value = shownValue(i, p);
        canvas.fill(box, dragIndex == i ? kPanelHover : kPanel);
        const int barHeight = std::max(2, l.padding / 2);
        const int filled = static_cast<int>(std::lround(value * (box.width - 2)));
        canvas.fill({box.x + 1, box.bottom() - 1 - barHeight, filled, barHeight}, kValueFill);
        canvas.frame(box, kPanelEdge);
        const Rect inner{box.x + l.padding / 2, box.y + 1, box.width - l.padding, box.height - 2};
        const int nameBaseline = box.y + l.padding / 2 + font.ascent(l.smallTextSize);
        font.draw(canvas, inner.x, nameBaseline, kParameters[i].name, l.smallTextSize, kDimText,
                  inner);
        font.draw(canvas, inner.x, nameBaseline + font.lineHeight(l.textSize), textFor(i, value),
                  l.textSize, kText, inner);
    }
}

void EditorView::Impl::paintMenu(Canvas& canvas) {
    const EditorLayout& l = layout;
    canvas.fill(l.presetMenu, kPanel);
    const auto presets = FactoryPresets();
    for (size_t i = 0; i < presets.size(); ++i) {
        const Rect item{l.presetMenu.x, l.presetMenu.y + int(i) * l.menuItemHeight,
                        l.presetMenu.width, l.menuItemHeight};
        if (int(i) == menuHover) canvas.fill(item, kValueFill);
        const Rect inner{item.x + l.padding, item.y, item.width - 2 * l.padding, item.height};
        font.draw(canvas, inner.x, item.y + (item.height + font.ascent(l.textSize)) / 2,
                  presets[i].name, l.textSize, preset == i ? kBand : kText, inner);
    }
    canvas.frame(l.presetMenu, kPanelEdge);
}

void EditorView::paint(const PixelBuffer& target) {
    Canvas canvas(target);
    const LoopFeed::Picture* p = impl->picture();
    canvas.fill(canvas.bounds(), kBackground);
    impl->paintTop(canvas, p);
    PaintLoop(canvas, impl->font, impl->layout, p);
    impl->paintControls(canvas, p);
    if (impl->menuOpen) impl->paintMenu(canvas);
    impl->needsPaint = false;
}

void EditorView::mouseDown(int x, int y, unsigned modifiers, bool doubleClick) {
    Impl& v = *impl;
    v.needsPaint = true;
    if (v.menuOpen) {
        const Rect& menu = v.layout.presetMenu;
        v.menuOpen = false;
        if (menu.contains(x, y))
            v.choosePreset(static_cast<size_t>((y - menu.y) / v.layout.menuItemHeight));
        return;
    }
    if (v.layout.presetButton.contains(x, y)) {
        v.menuOpen = true;
        v.menuHover = -1;
        return;
    }
    const int index = v.controlAt(x, y);
    if (index < 0 || v.dragIndex >= 0) return;
    if (doubleClick) return v.gesture(index, kParameters[index].defaultValue);
    if (kParameters[index].isSwitch) return v.gesture(index, v.values[index] < 0.5f ? 1.0f : 0.0f);
    v.dragIndex = index;
    v.dragX = x;
    v.dragValue = v.shownValue(index, v.picture());
    v.dragModifiers = modifiers;
    v.host.beginEdit(index);
}

// The drag is anchored again where the fine modifier comes or goes, so the
// value moves on from where it stands.
void EditorView::mouseMove(int x, int y, unsigned modifiers) {
    Impl& v = *impl;
    if (v.menuOpen) {
        const Rect& menu = v.layout.presetMenu;
        const int hover = menu.contains(x, y) ? (y - menu.y) / v.layout.menuItemHeight : -1;
        if (hover != v.menuHover) v.needsPaint = true;
        v.menuHover = hover;
        return;
    }
    if (v.dragIndex < 0) return;
    const bool fine = modifiers & kFine;
    if (fine != bool(v.dragModifiers & kFine)) {
        v.dragValue = v.values[v.dragIndex];
        v.dragX = x;
        v.dragModifiers = modifiers;
    }
    const float span = static_cast<float>(v.layout.controls[v.dragIndex].width);
    const float moved = static_cast<float>(x - v.dragX) / span * (fine ? kFineFactor : 1.0f);
    const float value = ClampParameterValue(v.dragValue + moved);
    if (value != v.values[v.dragIndex]) v.perform(v.dragIndex, value);
}

void EditorView::mouseUp(int x, int y, unsigned modifiers) {
    Impl& v = *impl;
    if (v.dragIndex < 0) return;
    mouseMove(x, y, modifiers);
    v.host.endEdit(v.dragIndex);
    v.dragIndex = -1;
    v.needsPaint = true;
}

void EditorView::wheel(int x, int y, float steps, unsigned modifiers) {
    Impl& v = *impl;
    const int index = v.controlAt(x, y);
    if (index < 0 || v.dragIndex >= 0 || steps == 0.0f) return;
    if (kParameters[index].isSwitch) return v.gesture(index, steps > 0.0f ? 1.0f : 0.0f);
    const float step = kWheelStep * ((modifiers & kFine) ? kFineFactor : 1.0f);
    v.gesture(index, v.shownValue(index, v.picture()) + steps * step);
}

} // namespace tapestrum::editor
