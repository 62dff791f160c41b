// SPDX-License-Identifier: ISC
// The bundle under Debian's own LV2 tools: lv2info reads its data (the mono
// plug-in's and the stereo one's) as a host does (what the binary plays is the
// contract's, tests/contract).
#include "lv2/Lv2Ports.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>
#include <vector>

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

// Both plug-ins of the bundle: their URIs, names, audio ports and the same
// controls after them.
TEST_F(Lv2Host, Lv2infoShowsTheUriThePortsAndTheirTexts) {
    const struct {
        std::string uri;
        std::string name;
        std::vector<std::string> audioSymbols;
        uint32_t channels;
    } plugins[] = {{kLv2Uri, "tapestrum", {"in", "out"}, 1},
                   {kLv2StereoUri, "tapestrum stereo", {"in_l", "in_r", "out_l", "out_r"}, 2}};
    for (const auto& plugin : plugins) {
        SCOPED_TRACE(plugin.uri);
        std::string info;
        ASSERT_EQ(run(lv2Path + "lv2info " + plugin.uri, &info), 0) << info;
        const uint32_t firstControl = Lv2FirstControlPort(plugin.channels);
        const std::string lastPort = "Port " + std::to_string(firstControl + kLastParameter) + ":";
        for (const std::string& expected : std::vector<std::string>{
                 plugin.uri, "Name:              " + plugin.name, "Class:             Delay Plugin",
                 "Has latency:       no", "hardRTCapable", lastPort, "Symbol:      track_length",
                 "Name:        track lenght", "Name:        head direction",
                 "\"delayed as carrier\"", "\"delayed as modulator\"", "\"backward\"",
                 "\"forward\"", "Default:     0.500000"})
            EXPECT_NE(info.find(expected), std::string::npos) << expected << " in\n" << info;
        EXPECT_EQ(info.find("Port " + std::to_string(firstControl + kParameterCount) + ":"),
                  std::string::npos);
        // What lv2info says of one port, up to the next.
        const auto portBlock = [&](uint32_t port) {
            const size_t at = info.find("Port " + std::to_string(port) + ":");
            return at == std::string::npos ? std::string()
                                           : info.substr(at, info.find("Port ", at + 1) - at);
        };
        for (uint32_t port = 0; port < firstControl; ++port)
            EXPECT_NE(portBlock(port).find("Symbol:      " + plugin.audioSymbols[port] + "\n"),
                      std::string::npos)
                << port;
        for (const ParameterInfo& row : kParameters) {
            const std::string block = portBlock(firstControl + row.index);
            ASSERT_FALSE(block.empty()) << row.index;
            char defaultText[64];
            std::snprintf(defaultText, sizeof defaultText, "Default:     %f", row.defaultValue);
            for (const std::string& expected :
                 {"Symbol:      " + std::string(row.symbol),
                  "Name:        " + std::string(row.name), std::string(defaultText)})
                EXPECT_NE(block.find(expected), std::string::npos) << expected << " in\n" << block;
        }
    }
}

} // namespace
