// SPDX-License-Identifier: ISC
// The validator against effects with one known fault each: every fault fails
// the test that should catch it, with status 1, and the clean effect passes.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Verdicts {
    int status;
    std::string out;
};

Verdicts Validate(const std::string& arguments, const fs::path& folder) {
    const fs::path out = folder / "out.txt";
    const std::string command = "cd " + folder.string() + " && " + TAPESTRUM_TOOL_PATH +
                                " validate " + arguments + " >" + out.string() + " 2>&1";
    const int raw = std::system(command.c_str());
    std::ifstream file(out);
    std::stringstream text;
    text << file.rdbuf();
    fs::remove(out);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
}

TEST(Validator, CatchesEachFaultWithTheTestThatShowsIt) {
    const fs::path folder =
        fs::temp_directory_path() / ("tapestrum-validate-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const struct {
        const char* module;
        int level;
        const char* failure; // the line that must show, or none for the clean effect
    } cases[] = {
        {"clean", 5, nullptr},
        {"allocates", 5, "FAIL realtime.allocations: "},
        {"poisoned", 3, "FAIL audio.recovery: poisoned for good"},
        {"long_display", 1,
         "FAIL texts.parameters: effGetParamDisplay (opcode 7, index 0) wrote 101 bytes"},
        // A crash (or, in a sanitizer build, the sanitizer stopping the process).
        {"crashes_on_long", 3, "FAIL audio.blocks: the module "},
        {"readback", 2,
         "FAIL parameters.readback: setParameter (index 0, value 1) then getParameter gave 2"},
        {"leaks", 1, "FAIL load.instances: memory grows with every instance"},
        {"writes_past", 3,
         "FAIL audio.blocks: processReplacing (block length 1, sample 0, 44100 Hz, noise) wrote "
         "outside the output block"},
        {"hangs", 2,
         "FAIL parameters.indexes: hung: no answer within 10 s, during getParameter (index -1)"},
    };
    for (const auto& c : cases) {
        const std::string module = std::string(FAULTY_MODULE_DIR) + "/faulty_" + c.module + ".so";
        const Verdicts run =
            Validate("--plugin " + module + " --level " + std::to_string(c.level), folder);
        if (std::string(c.module) == "allocates" &&
            run.out.find("allocations are not counted in this build") != std::string::npos)
            continue; // a sanitizer build: its runtime owns the allocator
        EXPECT_EQ(run.status, c.failure ? 1 : 0) << c.module << "\n" << run.out;
        if (c.failure) {
            EXPECT_NE(run.out.find(std::string("\n") + c.failure), std::string::npos)
                << c.module << "\n"
                << run.out;
        } else {
            EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("\nvalidate: "), std::string::npos) << run.out;
        }
        EXPECT_TRUE(fs::is_empty(folder)) << c.module << " left files behind";
    }
    // The command line, and the JSON report.
    EXPECT_EQ(Validate("--level 11", folder).status, 2);
    EXPECT_EQ(Validate("--speed 2", folder).status, 2);
    const std::string clean = std::string(FAULTY_MODULE_DIR) + "/faulty_clean.so";
    ASSERT_EQ(Validate("--plugin " + clean + " --level 1 --json report.json", folder).status, 0);
    std::ifstream json(folder / "report.json");
    std::stringstream report;
    report << json.rdbuf();
    EXPECT_NE(report.str().find("{\"name\": \"load.instances\", \"result\": \"PASS\""),
              std::string::npos)
        << report.str();
    fs::remove_all(folder);
}

} // namespace
