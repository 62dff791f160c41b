// SPDX-License-Identifier: ISC
#include "tools/WorkerPool.h"

#include <utility>

WorkerPool::WorkerPool(size_t workers) {
    for (size_t w = 1; w < workers; ++w)
        helpers.emplace_back([this, w] { serve(w); });
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    roundStarted.notify_all();
    for (std::thread& helper : helpers)
        helper.join();
}

void WorkerPool::keepFirstFailure() {
    const std::lock_guard<std::mutex> guard(lock);
    if (!failure) failure = std::current_exception();
}

void WorkerPool::serve(size_t worker) {
    uint64_t seen = 0;
    for (;;) {
        const std::function<void(size_t)>* current;
        {
            std::unique_lock<std::mutex> guard(lock);
            roundStarted.wait(guard, [&] { return stopping || round != seen; });
            if (stopping) return;
            seen = round;
            current = job;
        }
        try {
            (*current)(worker);
        } catch (...) {
            keepFirstFailure();
        }
        const std::lock_guard<std::mutex> guard(lock);
        if (--busy == 0) roundFinished.notify_one();
    }
}

void WorkerPool::run(const std::function<void(size_t)>& work) {
    {
        const std::lock_guard<std::mutex> guard(lock);
        job = &work;
        busy = helpers.size();
        failure = nullptr;
        ++round;
    }
    roundStarted.notify_all();
    try {
        work(0);
    } catch (...) {
        keepFirstFailure();
    }
    std::unique_lock<std::mutex> guard(lock);
    roundFinished.wait(guard, [&] { return busy == 0; });
    job = nullptr;
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
}
