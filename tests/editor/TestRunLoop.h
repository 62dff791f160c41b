// SPDX-License-Identifier: ISC
// TestRunLoop: a host's run loop for the editors' tests: timers at their
// periods and, on Linux, descriptors watched for reading, with handlers that
// may add or remove registrations while they run.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

class TestRunLoop {
  public:
    std::uint32_t addTimer(std::uint32_t periodMs, std::function<void(std::uint32_t id)> fire);
    bool removeTimer(std::uint32_t id);
    bool addDescriptor(int fd, std::function<void()> ready);
    bool removeDescriptor(int fd);
    std::size_t registrations() const { return timers.size() + descriptors.size(); }
    // Runs for the time. Between timers it waits for a descriptor (Linux), or
    // lets `waitForMessages` wait that long at most and handle the window
    // system's messages (Windows).
    void run(std::chrono::milliseconds time,
             const std::function<void(int timeoutMs)>& waitForMessages);

  private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
        std::function<void(std::uint32_t id)> fire;
    };
    void fireDueTimers();
    void pollDescriptors(int timeoutMs);

    std::map<std::uint32_t, Timer> timers;
    std::map<int, std::function<void()>> descriptors;
    std::uint32_t nextTimer = 1;
};
