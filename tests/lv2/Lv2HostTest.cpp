// The bundle under Debian's own LV2 tools: lv2info reads its data as a host
// does, and lv2apply renders a file through it exactly as the offline host
// renders the same file through the VST 2 module.
#include "lv2/Lv2Ports.h"
#include "support/Signals.h"
#include "tools/AudioFile.h"

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
        AudioData audio;
        audio.channels = {Tones({{220, 0.3}, {1500, 0.2}}, 44100, 30000)};
        const std::vector<float> noise = Noise(30000, 0.2f, 9);
        for (size_t i = 0; i < noise.size(); ++i)
            audio.channels[0][i] += i > 12000 && i < 20000 ? noise[i] : 0.0f;
        AudioFileWriter writer(path("in.wav"), 44100, 1);
        writer.write(audio);
        writer.commit();
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

TEST_F(Lv2Host, Lv2applyRendersWhatTheOfflineHostRendersThroughTheVstModule) {
    struct Case {
        std::string lv2Controls, vstSettings;
    };
    const std::vector<Case> cases = {
        {"", ""}, // the defaults of both are the program's values
        {"-c mix 0.6 -c delay 0.4 -c head_direction 0 -c process 1 -c track_length 0.7",
         "--set mix=0.6 --set delay=0.4 --set 'head direction=0' --set process=1 "
         "--set 'track lenght=0.7'"},
        {"-c rec_start_freq 0.5 -c rec_end_freq 0.8 -c threshold 0.01 -c rec_amp 0.8 "
         "-c out_amp 0.9 -c head_position 0.3 -c mix 0.5",
         "--set 'rec start freq=0.5' --set 'rec end freq=0.8' --set threshold=0.01 "
         "--set 'rec amp=0.8' --set 'out amp=0.9' --set 'head position=0.3' --set mix=0.5"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run(lv2Path + "lv2apply -i " + path("in.wav") + " -o " + path("lv2.wav") + " " +
                      c.lv2Controls + " urn:tapestrum:tapestrum"),
                  0)
            << c.lv2Controls;
        ASSERT_EQ(run(std::string(TAPESTRUM_TOOL_PATH) + " render " + path("in.wav") + " " +
                      path("vst.wav") + " --tail 0 " + c.vstSettings),
                  0);
        const AudioData lv2 = ReadAudioFile(path("lv2.wav"));
        const AudioData vst = ReadAudioFile(path("vst.wav"));
        ASSERT_EQ(lv2.channels.size(), 1u);
        EXPECT_EQ(lv2.channels, vst.channels) << c.lv2Controls;
        EXPECT_GT(*std::max_element(lv2.channels[0].begin(), lv2.channels[0].end()), 0.1f);
    }
}

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
