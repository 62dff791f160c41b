// SPDX-License-Identifier: ISC
// The LV2 UI's description in the bundle: an X11 UI in its own binary, driven by
// the host's idle calls in the parent it gives, told of every control port's
// changes. Written by the bundle's data generator into the manifest and a data
// file of the UI's own, for each plug-in of the bundle it serves.
#pragma once

#include <span>
#include <string>

constexpr const char* kLv2UiUri = "urn:tapestrum:ui";
constexpr const char* kLv2UiBinary = "tapestrum_ui.so";
constexpr const char* kLv2UiDataFile = "tapestrum_ui.ttl";

// Statements for manifest.ttl: the UI, its binary and data file, and each
// plug-in's link to it.
std::string Lv2UiManifest(std::span<const char* const> plugins);
// The UI's data file: its features, its extension data and the port
// notifications for each plug-in's control ports.
std::string Lv2UiData(std::span<const char* const> plugins);
