// SPDX-License-Identifier: ISC
// Marks a plug-in module's entry point as exported: the one name (or few names)
// a host looks up. Everything else a module holds stays hidden, as the build
// compiles with hidden visibility. On Windows a module may also name its exports
// in a module-definition file, which can rename one (the VST 2 `main`).
#pragma once

#if defined(_WIN32)
#define TAPESTRUM_MODULE_EXPORT __declspec(dllexport)
#else
#define TAPESTRUM_MODULE_EXPORT __attribute__((visibility("default")))
#endif
