// corvane-host's CLAP side: Corvane's two editions, loaded by file name through the host's one
// plug-in interface, render the same samples for every factory program, with a side-chain and
// with MIDI notes on block boundaries, and describe themselves alike.

#include "tools/corvane-host/demo_signal.h"
#include "tools/corvane-host/plugin_instance.h"
#include "tools/corvane-host/renderer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace corvane::tools {
namespace {

// The CLAP transport gives song positions in 1/2^31 beats: with blocks of 1/64 beat (375 frames
// at 48000 Hz and 120 BPM) the positions are exact in both editions, and so is the tempo sync.
// Note times in multiples of 1/128 s fall on block starts.
constexpr double kRate = 48000.0;
constexpr int kBlock = 375;
constexpr int kEnvTrigger = 21;

std::vector<float> render(PluginInstance& plugin, const AudioBuffer& main, const AudioBuffer* side,
                          const std::vector<PlannedNote>& notes) {
    BufferSource source(main);
    std::unique_ptr<BufferSource> side_source;
    RenderInput input;
    input.sample_rate = kRate;
    input.block = kBlock;
    input.main = &source;
    if (side) {
        side_source = std::make_unique<BufferSource>(*side);
        input.sidechain = side_source.get();
    }
    input.notes = notes;
    std::vector<float> out;
    RenderStats stats;
    std::string error;
    const bool ok = render_audio(
        plugin, input,
        [&out](const float* const* channels, size_t frames, std::string&) {
            for (int c = 0; c < 2; ++c)
                out.insert(out.end(), channels[c], channels[c] + frames);
            return true;
        },
        stats, nullptr, error);
    EXPECT_TRUE(ok) << error;
    return out;
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

class ClapHosting : public ::testing::Test {
protected:
    std::unique_ptr<PluginInstance> load(const char* path) {
        std::string error;
        auto plugin = load_plugin(path, error);
        EXPECT_NE(plugin, nullptr) << error;
        return plugin;
    }
    AudioBuffer demo = make_demo_signal(kRate, 120.0, 4, 4);
};

TEST_F(ClapHosting, BothEditionsDescribeThemselvesAlike) {
    auto vst = load(CORVANE_PLUGIN);
    auto clap = load(CORVANE_CLAP);
    ASSERT_TRUE(vst && clap);
    EXPECT_STREQ(clap->format_name(), "CLAP");
    EXPECT_EQ(clap->effect_name(), vst->effect_name());
    EXPECT_EQ(clap->vendor_string(), vst->vendor_string());
    EXPECT_EQ(clap->num_inputs(), vst->num_inputs());
    EXPECT_EQ(clap->num_outputs(), vst->num_outputs());
    EXPECT_TRUE(clap->takes_midi());
    EXPECT_EQ(clap->num_params(), vst->num_params());
    EXPECT_EQ(clap->program_names(), vst->program_names());
    for (int i = 0; i < vst->num_params(); ++i)
        EXPECT_EQ(clap->parameter_long_name(i), vst->parameter_long_name(i)) << i;
    int width = 0, height = 0;
    ASSERT_TRUE(clap->editor_size(width, height));
    EXPECT_EQ(width, 730);
    EXPECT_EQ(height, 302);
}

TEST_F(ClapHosting, EveryProgramRendersTheSameSamplesInBothEditions) {
    auto vst = load(CORVANE_PLUGIN);
    auto clap = load(CORVANE_CLAP);
    ASSERT_TRUE(vst && clap);
    for (int program = 0; program < vst->num_programs(); ++program) {
        vst->set_program(program);
        clap->set_program(program);
        EXPECT_TRUE(same_bits(render(*vst, demo, nullptr, {}), render(*clap, demo, nullptr, {})))
            << program;
    }
}

// The follower listening to the side-chain, and to MIDI notes starting and ending on block
// boundaries (the VST 2.4 edition applies a block's notes at its start). Env Trigger positions:
// two thirds of the way is the side-chain, a third MIDI.
TEST_F(ClapHosting, SidechainAndNotesRenderTheSameInBothEditions) {
    const AudioBuffer side = make_demo_signal(kRate, 97.0, 3, 4);
    const std::vector<PlannedNote> notes = {
        {0.125, 60, 100, 0.5}, {0.875, 64, 70, 0.25}, {1.5, 67, 127, 1.0}};
    auto render_fresh = [&](const char* path, int program, float trigger, bool with_side,
                            const std::vector<PlannedNote>& played) {
        auto plugin = load(path);
        if (!plugin) return std::vector<float>{};
        plugin->set_program(program);
        plugin->set_parameter(kEnvTrigger, trigger);
        return render(*plugin, demo, with_side ? &side : nullptr, played);
    };
    for (int program : {0, 19}) {
        const auto vst_side = render_fresh(CORVANE_PLUGIN, program, 0.7f, true, {});
        EXPECT_TRUE(same_bits(vst_side, render_fresh(CORVANE_CLAP, program, 0.7f, true, {})))
            << program;
        EXPECT_FALSE(same_bits(vst_side, render_fresh(CORVANE_PLUGIN, program, 0.7f, false, {})))
            << program;
        const auto vst_notes = render_fresh(CORVANE_PLUGIN, program, 0.4f, false, notes);
        EXPECT_TRUE(same_bits(vst_notes, render_fresh(CORVANE_CLAP, program, 0.4f, false, notes)))
            << program;
        EXPECT_FALSE(same_bits(vst_notes, render_fresh(CORVANE_PLUGIN, program, 0.4f, false, {})))
            << program;
    }
}

} // namespace
} // namespace corvane::tools
