// SPDX-License-Identifier: ISC
#include "editor/TestRunLoop.h"

#include <algorithm>
#include <vector>
#ifndef _WIN32
#include <poll.h>
#endif

std::uint32_t TestRunLoop::addTimer(std::uint32_t periodMs,
                                    std::function<void(std::uint32_t id)> fire) {
    const std::chrono::milliseconds period(std::max<std::uint32_t>(periodMs, 1));
    timers[nextTimer] = {period, Clock::now() + period, std::move(fire)};
    return nextTimer++;
}

bool TestRunLoop::removeTimer(std::uint32_t id) { return timers.erase(id) == 1; }

bool TestRunLoop::addDescriptor(int fd, std::function<void()> ready) {
#ifdef _WIN32
    (void)fd, (void)ready;
    return false;
#else
    return fd >= 0 && descriptors.emplace(fd, std::move(ready)).second;
#endif
}

bool TestRunLoop::removeDescriptor(int fd) { return descriptors.erase(fd) == 1; }

// A handler may remove any registration, its own included: each is looked up
// again before it fires.
void TestRunLoop::fireDueTimers() {
    std::vector<std::uint32_t> due;
    const Clock::time_point now = Clock::now();
    for (const auto& [id, timer] : timers)
        if (timer.due <= now) due.push_back(id);
    for (const std::uint32_t id : due) {
        const auto timer = timers.find(id);
        if (timer == timers.end()) continue;
        timer->second.due = now + timer->second.period;
        const std::function<void(std::uint32_t id)> fire = timer->second.fire;
        fire(id);
    }
}

void TestRunLoop::pollDescriptors(int timeoutMs) {
#ifdef _WIN32
    (void)timeoutMs;
#else
    std::vector<pollfd> watched;
    for (const auto& entry : descriptors)
        watched.push_back({entry.first, POLLIN, 0});
    if (poll(watched.data(), watched.size(), timeoutMs) <= 0) return;
    for (const pollfd& fd : watched) {
        const auto handler = descriptors.find(fd.fd);
        if (fd.revents == 0 || handler == descriptors.end()) continue;
        const std::function<void()> ready = handler->second;
        ready();
    }
#endif
}

void TestRunLoop::run(std::chrono::milliseconds time,
                      const std::function<void(int)>& waitForMessages) {
    const Clock::time_point end = Clock::now() + time;
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        fireDueTimers();
        Clock::time_point next = end;
        for (const auto& entry : timers)
            next = std::min(next, entry.second.due);
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
        const int timeoutMs = static_cast<int>(std::clamp<long long>(wait.count(), 0, 50));
        pollDescriptors(timeoutMs);
        if (waitForMessages) waitForMessages(descriptors.empty() ? timeoutMs : 0);
    }
}
