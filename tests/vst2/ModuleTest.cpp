// SPDX-License-Identifier: ISC
// The built module, loaded the way a host loads it.
#include "support/LoadedModule.h"
#include "support/RecordingHost.h"

#include <cstdio>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Module, ExportsMainAndVstPluginMain) {
    LoadedModule module;
    ASSERT_TRUE(module.loaded());
    EXPECT_NE(module.symbol("main"), nullptr);
    EXPECT_NE(module.symbol("VSTPluginMain"), nullptr);
    // Internal names stay hidden.
    for (const char* hidden : {"tapestrumMain", "CreateInstanceRecord", "createEffectInstance",
                               "MaskFloatingPointExceptions", "NumberText"})
        EXPECT_EQ(module.symbol(hidden), nullptr) << hidden;
}

#if !defined(_WIN32)
// The dynamic symbol table holds the two entry points and nothing else.
TEST(Module, ExportTableHoldsOnlyTheEntryPoints) {
    const std::string command =
        std::string("nm -D --defined-only ") + TAPESTRUM_MODULE_PATH + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        names += text.substr(text.find_last_of(' ') + 1);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, "VSTPluginMain\nmain\n");
}
#endif

TEST(Module, BothEntryPointsBuildAnInstance) {
    LoadedModule module;
    for (const char* name : {"main", "VSTPluginMain"}) {
        RecordingHost host;
        AEffect* e = module.entry(name)(RecordingHost::Callback);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->magic, 0x56737450);
        ASSERT_FALSE(host.requests.empty());
        EXPECT_EQ(host.requests[0].opcode, audioMasterVersion);
        EXPECT_EQ(host.requests[0].effect, nullptr);
        EXPECT_EQ(Dispatch(e, effClose), 1);
    }
}

TEST(Module, HostVersionZeroGivesNullAndBuildsNothing) {
    LoadedModule module;
    RecordingHost host;
    host.answer(audioMasterVersion, 0);
    EXPECT_EQ(module.entry()(RecordingHost::Callback), nullptr);
    ASSERT_EQ(host.requests.size(), 1u); // only the version question
    EXPECT_EQ(module.entry()(nullptr), nullptr);
}

TEST(Module, TwoCallsGiveTwoIndependentRecords) {
    LoadedModule module;
    RecordingHost host;
    AEffect* a = module.entry()(RecordingHost::Callback);
    AEffect* b = module.entry()(RecordingHost::Callback);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->object, b->object);
    a->setParameter(a, 9, 0.25f);
    EXPECT_EQ(a->getParameter(a, 9), 0.25f);
    EXPECT_EQ(b->getParameter(b, 9), 1.0f);
    EXPECT_EQ(Dispatch(a, effClose), 1);
    EXPECT_EQ(b->getParameter(b, 9), 1.0f);
    EXPECT_EQ(Dispatch(b, effClose), 1);
}

#if defined(__i386__) || defined(__x86_64__)
uint16_t X87ControlWord() {
    uint16_t word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

void LoadX87ControlWord(uint16_t word) { __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(word)); }

// A host thread whose floating-point traps are enabled gets them masked when it
// loads the module; precision and rounding stay as the host had them.
TEST(Module, LoadingMasksFloatingPointTrapsOfTheLoadingThread) {
    const uint16_t savedX87 = X87ControlWord();
    LoadX87ControlWord(
        static_cast<uint16_t>((savedX87 & ~0x3Fu) | 0x0C00u)); // traps on, truncating
#if defined(__SSE__)
    const unsigned savedCsr = _mm_getcsr();
    _mm_setcsr(savedCsr & ~0x1F80u);
#endif
    {
        LoadedModule module;
        ASSERT_TRUE(module.loaded());
        EXPECT_EQ(X87ControlWord() & 0x3F, 0x3F);
        EXPECT_EQ(X87ControlWord() & 0x0F00, (savedX87 & 0x0300) | 0x0C00);
#if defined(__SSE__)
        EXPECT_EQ(_mm_getcsr() & 0x1F80u, 0x1F80u);
#endif
    }
    LoadX87ControlWord(savedX87);
#if defined(__SSE__)
    _mm_setcsr(savedCsr);
#endif
}
#endif

} // namespace
