// SPDX-License-Identifier: ISC
// A few threads, started once, that run the same job again and again: a render
// hands them every chunk of a file, one channel's instance to each.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
  public:
    // `workers` threads in all, the caller's included: one fewer are started.
    explicit WorkerPool(size_t workers);
    // Stops the started threads and waits for them.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    size_t size() const { return helpers.size() + 1; }

    // Calls job(w) once for every worker w from 0 to size() - 1, worker 0 on
    // the calling thread and each other on its own, and returns when every call
    // has returned. Rethrows the first exception a call threw.
    void run(const std::function<void(size_t)>& job);

  private:
    void serve(size_t worker);
    void keepFirstFailure();

    std::vector<std::thread> helpers;
    // Everything below is guarded by `lock`: the caller of run() writes the
    // job and the round, the helpers count themselves out of `busy`.
    std::mutex lock;
    std::condition_variable roundStarted, roundFinished;
    const std::function<void(size_t)>* job = nullptr;
    uint64_t round = 0;
    size_t busy = 0;
    bool stopping = false;
    std::exception_ptr failure;
};
