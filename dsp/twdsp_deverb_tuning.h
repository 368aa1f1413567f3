#pragma once

// Section lengths of the reverb network in samples at 192000 Hz, which are also the capacities
// of their delay lines. Each right-channel line is its left partner plus 100 samples, which
// decorrelates the two outputs. The allpasses run in the order listed.
namespace twdsp_deverb_tuning {

constexpr float reference_rate = 192000.0f;
constexpr int combs_per_channel = 8;
constexpr int allpasses_per_channel = 4;
constexpr int stereo_spread = 100;

constexpr int comb_lengths[combs_per_channel] = {4859, 5172, 5560, 5904, 6191, 6491, 6779, 7040};
constexpr int allpass_lengths[allpasses_per_channel] = {2421, 1920, 1485, 980};

constexpr float input_gain = 0.015f;
constexpr float room_scale = 0.28f;
constexpr float room_offset = 0.7f;
constexpr float damping_scale = 0.4f;
constexpr float allpass_feedback = 0.5f;

} // namespace twdsp_deverb_tuning
