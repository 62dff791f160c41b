// SPDX-License-Identifier: ISC
// The bundle under Debian's own LV2 tools: lv2info reads its data as a host
// does (what the binary plays is the contract's, tests/contract).
#include "lv2/Lv2Ports.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Lv2Host : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tapestrum-lv2-" + std::to_string(getpid()));
        fs::create_directories(folder / "path");
        // A search path holding only this bundle and the system's LV2 data.
        fs::create_directory_symlink(LV2_BUNDLE_PATH, folder / "path" / "tapestrum.lv2");
        lv2Path = "LV2_PATH=" + (folder / "path").string() + ":/usr/lib/lv2 ";
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    int run(const std::string& command, std::string* out = nullptr) {
        const std::string captured = path("out.txt");
        const int status = std::system((command + " >" + captured + " 2>&1").c_str());
        if (out) {
            std::ifstream file(captured);
            std::stringstream text;
            text << file.rdbuf();
            *out = text.str();
        }
        return status;
    }

    fs::path folder;
    std::string lv2Path;
};

TEST_F(Lv2Host, Lv2infoShowsTheUriThePortsAndTheirTexts) {
    std::string info;
    ASSERT_EQ(run(lv2Path + "lv2info urn:tapestrum:tapestrum", &info), 0) << info;
    for (const std::string expected :
         {"urn:tapestrum:tapestrum", "Name:              tapestrum",
          "Class:             Delay Plugin", "Has latency:       no", "hardRTCapable",
          "Port 12:", "Symbol:      track_length", "Name:        track lenght",
          "Name:        head direction", "\"delayed as carrier\"", "\"delayed as modulator\"",
          "\"backward\"", "\"forward\"", "Default:     0.500000"})
        EXPECT_NE(info.find(expected), std::string::npos) << expected << " in\n" << info;
    EXPECT_EQ(info.find("Port 13:"), std::string::npos);
    for (const ParameterInfo& row : kParameters) {
        const std::string port = "Port " + std::to_string(kLv2FirstControlPort + row.index) + ":";
        const size_t at = info.find(port);
        ASSERT_NE(at, std::string::npos) << port;
        const std::string block = info.substr(at, info.find("Port ", at + 1) - at);
        char defaultText[64];
        std::snprintf(defaultText, sizeof defaultText, "Default:     %f", row.defaultValue);
        for (const std::string& expected :
             {"Symbol:      " + std::string(row.symbol), "Name:        " + std::string(row.name),
              std::string(defaultText)})
            EXPECT_NE(block.find(expected), std::string::npos) << expected << " in\n" << block;
    }
}

} // namespace
