// SPDX-License-Identifier: ISC
// A shared library loaded at run time: dlopen on Linux, LoadLibrary on Windows.
#pragma once

#include <string>

class DynamicLibrary {
  public:
    // Never throws; loaded() tells whether it worked and error() why not.
    explicit DynamicLibrary(const std::string& path);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    bool loaded() const { return handle != nullptr; }
    const std::string& error() const { return loadError; }
    void* symbol(const char* name) const;

  private:
    void* handle = nullptr;
    std::string loadError;
};
