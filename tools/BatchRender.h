// SPDX-License-Identifier: ISC
// Rendering files: one, or a batch of them in parallel within one budget of
// threads.
#pragma once

#include "tools/Render.h"

#include <string>
#include <vector>

struct RenderJob {
    std::string input;
    std::string output;
};

// Reads the input, renders it and writes the output a chunk at a time; the
// output appears only when complete. Throws ToolError.
void RenderFile(const RenderJob& job, const RenderSettings& settings,
                const ProgressReport& progress = {});

// Renders every job, up to `threads` threads in all: several files at once,
// each with a share of the threads for its channels. A job that fails leaves no
// output and does not stop the others. Returns one message per failed job, in
// the jobs' order; progress covers the whole batch.
std::vector<std::string> RenderFiles(const std::vector<RenderJob>& jobs,
                                     const RenderSettings& settings, int threads,
                                     const ProgressReport& progress = {});
