// SPDX-License-Identifier: ISC
// The auxiliary container object every plug-in instance creates: it holds only a
// reference back to its plug-in and has no behaviour of its own.
#pragma once

class APlugin;

class TPluginDataModule {
  public:
    TPluginDataModule() = default;
    TPluginDataModule(const TPluginDataModule&) = delete;
    TPluginDataModule& operator=(const TPluginDataModule&) = delete;

    APlugin* plugin = nullptr;
};
