// SPDX-License-Identifier: ISC
#include "tools/BatchPlan.h"

#include "tools/AudioFile.h"
#include "tools/ToolError.h"

#include <filesystem>
#include <set>
#include <thread>

std::vector<RenderJob> PlanBatch(const std::vector<std::string>& inputs, const std::string& folder,
                                 std::string format) {
    if (!format.empty() && format[0] == '.') format.erase(0, 1);
    std::vector<RenderJob> jobs;
    std::set<std::string> outputs;
    for (const std::string& input : inputs) {
        std::filesystem::path name = std::filesystem::path(input).filename();
        if (!format.empty()) name.replace_extension(format);
        const std::string output = (std::filesystem::path(folder) / name).string();
        if (!IsAudioFileName(output))
            throw UsageError("no audio format is known for the extension of '" + output +
                             "' (use --format wav, aiff, flac, ogg, au, caf or w64)");
        if (!outputs.insert(std::filesystem::absolute(output).lexically_normal().string()).second)
            throw UsageError("two inputs would both be written to '" + output + "'");
        std::error_code error;
        if (std::filesystem::equivalent(input, output, error))
            throw UsageError("'" + output + "' would replace its own input");
        jobs.push_back({input, output});
    }
    return jobs;
}

int DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}
