// SPDX-License-Identifier: ISC
#include "tools/PartialFiles.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

constexpr int kSlots = 64;
constexpr size_t kLongestPath = 4096;

// Written under the lock by the threads that register files; read by the
// signal handler, which takes only slots whose flag says they are complete.
struct Slot {
    std::atomic<bool> used{false};
    char path[kLongestPath];
};
Slot slots[kSlots];
std::mutex registration;

// SIGXFSZ: an output grown past the size the process may write.
constexpr int kSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGABRT, SIGINT, SIGTERM,
#if !defined(_WIN32)
                            SIGBUS,  SIGHUP, SIGXFSZ
#endif
};

extern "C" void RemovePartialFiles(int signal) {
    for (Slot& slot : slots)
        if (slot.used.load())
#if defined(_WIN32)
            std::remove(slot.path);
#else
            unlink(slot.path); // async-signal-safe
#endif
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// A signal the program was started with ignored (SIGHUP under nohup, SIGXFSZ
// when a failed write should be reported instead) stays ignored.
void InstallHandlers() {
    for (const int signal : kSignals) {
#if defined(_WIN32)
        std::signal(signal, RemovePartialFiles);
#else
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemovePartialFiles;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigaction(signal, &action, nullptr);
#endif
    }
}

} // namespace

PartialFile::PartialFile(const std::string& path) : slot(-1) {
    const std::lock_guard<std::mutex> lock(registration);
    static const bool installed = (InstallHandlers(), true);
    (void)installed;
    if (path.size() >= kLongestPath) return;
    for (int s = 0; s < kSlots; ++s) {
        if (slots[s].used.load()) continue;
        std::memcpy(slots[s].path, path.c_str(), path.size() + 1);
        slots[s].used.store(true);
        slot = s;
        return;
    }
}

PartialFile::~PartialFile() {
    if (slot >= 0) slots[slot].used.store(false);
}
