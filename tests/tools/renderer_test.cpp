// Rendering through a hosted plug-in: the audio that comes out, how inputs reach the pins, and
// MIDI and time delivered at the right frames whatever the block size.

#include "host_test_support.h"
#include "tools/corvane-host/renderer.h"

#include <optional>

namespace corvane::tools {
namespace {

using namespace corvane::test;
namespace gp = corvane::test::gain_plugin;

AudioBuffer render(HostedPlugin& plugin, const AudioBuffer* main, VstInt32 block, size_t frames,
                   const std::vector<PlannedNote>& notes = {},
                   const std::vector<AutomationEvent>& changes = {}) {
    std::optional<BufferSource> source;
    if (main) source.emplace(*main);
    RenderInput input;
    input.sample_rate = main ? main->sample_rate : 44100.0;
    input.block = block;
    input.main = main ? &*source : nullptr;
    input.notes = notes;
    input.automation = changes;
    const size_t played = main ? main->frames() : notes_end_frame(notes, input.sample_rate);
    input.tail_frames = frames - played;
    AudioBuffer out;
    out.sample_rate = input.sample_rate;
    out.channels.resize(static_cast<size_t>(plugin.num_outputs()));
    RenderStats stats;
    std::string error;
    const auto keep = [&out](const float* const* channels, size_t n, std::string&) {
        for (size_t c = 0; c < out.channels.size(); ++c)
            out.channels[c].insert(out.channels[c].end(), channels[c], channels[c] + n);
        return true;
    };
    EXPECT_TRUE(render_audio(plugin, input, keep, stats, nullptr, error)) << error;
    EXPECT_EQ(stats.non_finite, 0u);
    EXPECT_EQ(out.frames(), frames);
    return out;
}

TEST(Render, OutputIsTheInputThroughTheProgram) {
    auto plugin = load_test_plugin();
    plugin->set_program(2); // "Left": full gain on the left, 0.4 on the right
    const AudioBuffer in = test_signal(2, 3000);
    const AudioBuffer out = render(*plugin, &in, 256, in.frames());
    ASSERT_EQ(out.channel_count(), 2);
    ASSERT_EQ(out.frames(), in.frames());
    const float* values = gp::kPrograms[2].values;
    for (size_t i = 0; i < in.frames(); ++i) {
        ASSERT_EQ(out.channels[0][i], gp::left_gain(values) * in.channels[0][i]) << i;
        ASSERT_EQ(out.channels[1][i], gp::right_gain(values) * in.channels[1][i]) << i;
    }
}

TEST(Render, PastTheEndOfTheInputComesSilence) {
    auto plugin = load_test_plugin();
    const AudioBuffer in = test_signal(2, 1000);
    const AudioBuffer out = render(*plugin, &in, 300, 1700);
    ASSERT_EQ(out.frames(), 1700u);
    EXPECT_EQ(out.channels[0][999], in.channels[0][999]);
    for (size_t i = 1000; i < 1700; ++i)
        ASSERT_EQ(out.channels[0][i], 0.0f);
}

TEST(Render, MonoSourceConnectsOnePinAndFeedsBoth) {
    auto plugin = load_test_plugin();
    const AudioBuffer in = test_signal(1, 800);
    const AudioBuffer out = render(*plugin, &in, 128, in.frames());
    EXPECT_EQ(plugin_pins(*plugin), 1);
    EXPECT_EQ(out.channels[0], in.channels[0]);
    EXPECT_EQ(out.channels[1], in.channels[0]);
}

TEST(Render, TransportStartsAtZeroAndAdvances) {
    auto plugin = load_test_plugin();
    plugin->transport().tempo = 90.0;
    plugin->transport().ppq_pos = 17.0; // left from an earlier run
    const AudioBuffer in = test_signal(2, 44100, 44100.0);
    render(*plugin, &in, 1000, in.frames());
    const SeenTime t = plugin_time(*plugin);
    EXPECT_EQ(t.sample_pos, 44000.0); // the last block started here
    EXPECT_NEAR(t.ppq, 44000.0 / 44100.0 * 90.0 / 60.0, 1e-9);
    EXPECT_EQ(t.tempo, 90.0);
}

class BlockSize : public ::testing::TestWithParam<VstInt32> {};

TEST_P(BlockSize, AudioDoesNotDependOnIt) {
    auto plugin = load_test_plugin();
    plugin->set_program(1);
    const AudioBuffer in = test_signal(2, 5000);
    const AudioBuffer reference = render(*plugin, &in, 512, in.frames());
    EXPECT_EQ(render(*plugin, &in, GetParam(), in.frames()).channels, reference.channels);
}

TEST_P(BlockSize, NotesArriveOnTheirFrames) {
    auto plugin = load_test_plugin();
    const std::vector<PlannedNote> notes = {
        {0.0, 60, 100, 0.01}, {0.05, 64, 90, 0.02}, {0.06, 64, 80, 0.03}};
    render(*plugin, nullptr, GetParam(), 5000, notes);
    // 0.01 s is 441 frames; the two notes of key 64 overlap.
    const std::vector<SeenMidi> expected = {{0, 0x90, 60, 100},   {441, 0x80, 60, 64},
                                            {2205, 0x90, 64, 90}, {2646, 0x90, 64, 80},
                                            {3087, 0x80, 64, 64}, {3969, 0x80, 64, 64}};
    EXPECT_EQ(plugin_midi(*plugin), expected);
}

// A host splits its block where a change falls, so each lands on its frame exactly, and the
// notes of the split block keep theirs.
TEST_P(BlockSize, ChangesLandOnTheirFramesAndNotesKeepTheirs) {
    auto plugin = load_test_plugin();
    const AudioBuffer in = test_signal(2, 5000);
    const std::vector<AutomationEvent> changes = {
        {3000, -1, 0.0f, 1}, {1234, gp::kGain, 0.25f, -1}, {1234, gp::kBalance, 0.5f, -1}};
    const AudioBuffer out =
        render(*plugin, &in, GetParam(), in.frames(), {{0.028, 60, 100, 0.01}}, changes);
    for (size_t i = 0; i < in.frames(); ++i) {
        const float gain = i < 1234 ? gp::left_gain(gp::kPrograms[0].values)
                                    : (i < 3000 ? 0.5f : gp::left_gain(gp::kPrograms[1].values));
        ASSERT_EQ(out.channels[0][i], gain * in.channels[0][i]) << i;
    }
    const std::vector<SeenMidi> expected = {{1235, 0x90, 60, 100}, {1676, 0x80, 60, 64}};
    EXPECT_EQ(plugin_midi(*plugin), expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockSize, ::testing::Values(1, 37, 64, 441, 512, 4096, 65536));

TEST(Render, NoteOffBeforeNoteOnOnTheSameFrame) {
    auto plugin = load_test_plugin();
    render(*plugin, nullptr, 64, 2000, {{0.0, 60, 100, 0.01}, {0.01, 60, 110, 0.01}});
    const std::vector<SeenMidi> seen = plugin_midi(*plugin);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1].frame, 441);
    EXPECT_EQ(seen[1].status, 0x80);
    EXPECT_EQ(seen[2].frame, 441);
    EXPECT_EQ(seen[2].status, 0x90);
}

TEST(Render, NotesEndFrameCoversTheLastNoteOff) {
    EXPECT_EQ(notes_end_frame({}, 44100.0), 0u);
    EXPECT_EQ(notes_end_frame({{1.0, 60, 100, 0.5}, {0.2, 60, 100, 0.1}}, 48000.0), 72001u);
}

} // namespace
} // namespace corvane::tools
