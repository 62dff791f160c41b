// SPDX-License-Identifier: ISC
#include "vst3/ProcessorLink.h"

#include "vst3/Vst3Processor.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace vst3 {

namespace {

struct LiveProcessors {
    std::mutex lock;
    std::vector<Vst3Processor*> list;
};

LiveProcessors& Live() {
    static LiveProcessors live;
    return live;
}

} // namespace

void EnterProcessor(Vst3Processor* processor) {
    LiveProcessors& live = Live();
    const std::lock_guard guard(live.lock);
    live.list.push_back(processor);
}

void LeaveProcessor(Vst3Processor* processor) {
    LiveProcessors& live = Live();
    const std::lock_guard guard(live.lock);
    std::erase(live.list, processor);
}

// A processor whose last reference is going (count already zero) is refused.
Vst3Processor* AcquireProcessor(int64_t address) {
    LiveProcessors& live = Live();
    const std::lock_guard guard(live.lock);
    for (Vst3Processor* processor : live.list)
        if (reinterpret_cast<intptr_t>(processor) == address && processor->addRefIfAlive())
            return processor;
    return nullptr;
}

} // namespace vst3
