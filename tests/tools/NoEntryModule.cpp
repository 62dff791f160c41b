// SPDX-License-Identifier: ISC
// A loadable module that is no plug-in: it has no entry point.
extern "C" __attribute__((visibility("default"))) int notAPlugin() { return 0; }
