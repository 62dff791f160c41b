// SPDX-License-Identifier: ISC
// The editor's extensions: the gui (embedded in a window of the host's, never
// floating, in the platform's one window system), and the timer and descriptor
// calls through which the host's run loop drives it. All on the main thread.
#include "clap/ClapEditor.h"
#include "clap/ClapEffect.h"

#include <cstring>

namespace {

ClapEditor* EditorOf(const clap::Plugin* plugin) { return ClapEffect::of(plugin).editor(); }

bool IsOurApi(const char* api, bool isFloating) {
    return api && !isFloating && std::strcmp(api, ClapEditor::kApi) == 0;
}

bool GuiIsApiSupported(const clap::Plugin*, const char* api, bool isFloating) {
    return IsOurApi(api, isFloating);
}

bool GuiGetPreferredApi(const clap::Plugin*, const char** api, bool* isFloating) {
    if (!api || !isFloating) return false;
    *api = ClapEditor::kApi;
    *isFloating = false;
    return true;
}

bool GuiCreate(const clap::Plugin* plugin, const char* api, bool isFloating) {
    if (!IsOurApi(api, isFloating) || EditorOf(plugin)) return false;
    try {
        ClapEffect::of(plugin).openEditor();
    } catch (...) {
        return false;
    }
    return true;
}

void GuiDestroy(const clap::Plugin* plugin) { ClapEffect::of(plugin).closeEditor(); }

bool GuiSetScale(const clap::Plugin* plugin, double scale) {
    ClapEditor* editor = EditorOf(plugin);
    if (!editor || !(scale > 0.0)) return false;
    editor->setScale(scale);
    return true;
}

bool GuiGetSize(const clap::Plugin* plugin, uint32_t* width, uint32_t* height) {
    const ClapEditor* editor = EditorOf(plugin);
    if (!editor || !width || !height) return false;
    *width = editor->width();
    *height = editor->height();
    return true;
}

bool GuiCanResize(const clap::Plugin*) { return true; }

bool GuiGetResizeHints(const clap::Plugin*, clap::GuiResizeHints* hints) {
    if (!hints) return false;
    *hints = {true, true, false, 0, 0};
    return true;
}

bool GuiAdjustSize(const clap::Plugin* plugin, uint32_t* width, uint32_t* height) {
    const ClapEditor* editor = EditorOf(plugin);
    if (!editor || !width || !height) return false;
    editor->adjustSize(*width, *height);
    return true;
}

bool GuiSetSize(const clap::Plugin* plugin, uint32_t width, uint32_t height) {
    ClapEditor* editor = EditorOf(plugin);
    if (!editor) return false;
    editor->setSize(width, height);
    return true;
}

bool GuiSetParent(const clap::Plugin* plugin, const clap::Window* window) {
    ClapEditor* editor = EditorOf(plugin);
    if (!editor || !window || !window->api || std::strcmp(window->api, ClapEditor::kApi) != 0)
        return false;
#ifdef _WIN32
    return editor->setParent(reinterpret_cast<std::uintptr_t>(window->win32));
#else
    return editor->setParent(window->x11);
#endif
}

bool GuiSetTransient(const clap::Plugin*, const clap::Window*) { return false; }

void GuiSuggestTitle(const clap::Plugin*, const char*) {}

bool GuiShow(const clap::Plugin* plugin) {
    ClapEditor* editor = EditorOf(plugin);
    return editor && editor->show(true);
}

bool GuiHide(const clap::Plugin* plugin) {
    ClapEditor* editor = EditorOf(plugin);
    return editor && editor->show(false);
}

constexpr clap::PluginGui kGui{
    GuiIsApiSupported, GuiGetPreferredApi, GuiCreate,         GuiDestroy,    GuiSetScale,
    GuiGetSize,        GuiCanResize,       GuiGetResizeHints, GuiAdjustSize, GuiSetSize,
    GuiSetParent,      GuiSetTransient,    GuiSuggestTitle,   GuiShow,       GuiHide};

void OnFd(const clap::Plugin* plugin, int, uint32_t) {
    if (ClapEditor* editor = EditorOf(plugin)) editor->onFd();
}

constexpr clap::PluginPosixFdSupport kPosixFdSupport{OnFd};

void OnTimer(const clap::Plugin* plugin, clap::Id timer) {
    if (ClapEditor* editor = EditorOf(plugin)) editor->onTimer(timer);
}

constexpr clap::PluginTimerSupport kTimerSupport{OnTimer};

} // namespace

const void* ClapEditorExtension(const char* id) {
    if (std::strcmp(id, clap::kExtGui) == 0) return &kGui;
    if (std::strcmp(id, clap::kExtTimerSupport) == 0) return &kTimerSupport;
#ifndef _WIN32
    if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) return &kPosixFdSupport;
#endif
    return nullptr;
}
