// SPDX-License-Identifier: ISC
// The CLAP gui's own answers, with no window shown: the window systems it
// embeds in, and the sizes it can take at a scale. What every face's editor
// must do in a host's window is the editor contract (tests/editor).
#include "contract/ClapDriver.h"

#include <gtest/gtest.h>

namespace {

#ifdef _WIN32
constexpr const char* kApi = clap::kWindowApiWin32;
constexpr const char* kOtherApi = clap::kWindowApiX11;
#else
constexpr const char* kApi = clap::kWindowApiX11;
constexpr const char* kOtherApi = clap::kWindowApiWin32;
#endif

TEST(ClapEditor, AnswersForItsOneWindowSystemEmbedded) {
    ClapDriver plugin(ClapFactory(TAPESTRUM_CLAP_PATH));
    const auto* gui = static_cast<const clap::PluginGui*>(
        plugin.plugin->getExtension(plugin.plugin, clap::kExtGui));
    ASSERT_NE(gui, nullptr);
    const struct {
        const char* api;
        bool floating;
        bool supported;
    } cases[] = {{kApi, false, true},
                 {kApi, true, false},
                 {kOtherApi, false, false},
                 {"cocoa", false, false}};
    for (const auto& c : cases)
        EXPECT_EQ(gui->isApiSupported(plugin.plugin, c.api, c.floating), c.supported)
            << c.api << c.floating;
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->getPreferredApi(plugin.plugin, &api, &floating));
    EXPECT_STREQ(api, kApi);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->create(plugin.plugin, kApi, true));
    // Sizes: the nearest the editor can take, within its limits at the scale.
    ASSERT_TRUE(gui->create(plugin.plugin, kApi, false));
    const struct {
        double scale;
        uint32_t width, height, adjustedWidth, adjustedHeight;
    } sizes[] = {
        {1.0, 100, 5000, 480, 1600}, {1.0, 800, 500, 800, 500}, {2.0, 100, 5000, 960, 3200}};
    for (const auto& s : sizes) {
        EXPECT_TRUE(gui->setScale(plugin.plugin, s.scale));
        uint32_t width = s.width, height = s.height;
        EXPECT_TRUE(gui->adjustSize(plugin.plugin, &width, &height));
        EXPECT_EQ(width, s.adjustedWidth);
        EXPECT_EQ(height, s.adjustedHeight);
    }
    const clap::Window bad{kApi, {}};
    EXPECT_FALSE(gui->setParent(plugin.plugin, &bad));
    gui->destroy(plugin.plugin);
}

} // namespace
