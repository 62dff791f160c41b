// SPDX-License-Identifier: ISC
#include "tools/BatchRender.h"

#include "tools/AudioFile.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

void RenderFile(const RenderJob& job, const RenderSettings& settings,
                const ProgressReport& progress) {
    std::unique_ptr<AudioFileWriter> writer;
    {
        AudioFileReader input(job.input);
        const size_t channels = input.channels();
        writer = std::make_unique<AudioFileWriter>(job.output, input.sampleRate(),
                                                   static_cast<int>(channels));
        Renderer renderer(settings, channels, input.sampleRate());
        if (renderer.outputChannels() != channels)
            throw ToolError("the plug-in gives " + std::to_string(renderer.outputChannels()) +
                            " channels for a file of " + std::to_string(channels));
        renderer.run(input, *writer, progress);
    } // the input is closed before the output takes its name, which may be the input's
    writer->commit();
}

std::vector<std::string> RenderFiles(const std::vector<RenderJob>& jobs,
                                     const RenderSettings& settings, int threads,
                                     const ProgressReport& progress) {
    const size_t workers =
        std::max<size_t>(1, std::min(jobs.size(), static_cast<size_t>(std::max(1, threads))));
    RenderSettings perFile = settings;
    perFile.threads = std::max(1, threads / static_cast<int>(workers));

    std::vector<std::string> failures(jobs.size());
    std::vector<double> shares(jobs.size(), 0.0);
    std::mutex progressLock;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t j; (j = next++) < jobs.size();) {
            auto report = [&, j](double share) {
                const std::lock_guard<std::mutex> lock(progressLock);
                shares[j] = share;
                double total = 0;
                for (const double s : shares)
                    total += s;
                if (progress) progress(total / static_cast<double>(jobs.size()));
            };
            try {
                RenderFile(jobs[j], perFile, report);
            } catch (const std::exception& error) {
                const std::string message = error.what();
                failures[j] = message.find(jobs[j].input) == std::string::npos
                                  ? jobs[j].input + ": " + message
                                  : message;
            }
            report(1.0);
        }
    };
    std::vector<std::thread> helpers;
    for (size_t i = 1; i < workers; ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    failures.erase(std::remove(failures.begin(), failures.end(), std::string()), failures.end());
    return failures;
}
