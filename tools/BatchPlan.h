// SPDX-License-Identifier: ISC
// Planning a batch render: where each input's output goes, and how many
// threads the work may use.
#pragma once

#include "tools/BatchRender.h"

#include <string>
#include <vector>

// Where each input goes: DIR/its name, with the extension of `format` (with or
// without its dot) or its own. Throws UsageError when an output would have no
// known audio format, two inputs would meet in one output, or an output would
// replace its input.
std::vector<RenderJob> PlanBatch(const std::vector<std::string>& inputs, const std::string& folder,
                                 std::string format);

// The threads a render uses unless told: one per core.
int DefaultThreads();
