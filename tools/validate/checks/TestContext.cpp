// SPDX-License-Identifier: ISC
#include "tools/validate/checks/TestContext.h"

#include "tools/hosting/PluginHost.h"
#include "tools/validate/StrictHost.h"

#include <algorithm>
#include <cstring>

TestContext::TestContext(const ValidationOptions& options, char* callSlot, size_t slotSize)
    : options(options), random(options.seed), slot(callSlot), slotSize(slotSize) {}

TestContext::~TestContext() = default;

const PluginModule& TestContext::module() {
    if (!loaded) loaded = std::make_unique<PluginModule>(options.pluginPath, TheStrictHost());
    return *loaded;
}

void TestContext::call(const std::string& description) {
    const size_t length = std::min(description.size(), slotSize - 1);
    std::memcpy(slot, description.data(), length);
    slot[length] = '\0';
}
