// SPDX-License-Identifier: ISC
// The temporary files of outputs still being written. When the program dies
// from a signal (a hosted module that crashes, or the user's Ctrl-C), they are
// removed before it goes, so that no partial output is left behind.
#pragma once

#include <string>

class PartialFile {
  public:
    // Registers the path (and installs the signal handlers the first time).
    explicit PartialFile(const std::string& path);
    // Unregisters it; the file itself is the owner's to remove or rename.
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

  private:
    int slot;
};
