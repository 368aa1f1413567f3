#pragma once

#include "dsp/CCorvaneBPF.h"
#include "dsp/twdsp_block.h"
#include "dsp/twdsp_deverb.h"
#include "dsp/twdsp_filter_cascaded_highpass.h"
#include "dsp/twdsp_filter_dc_blocker.h"
#include "dsp/twdsp_filter_ms20_hp.h"
#include "dsp/twdsp_filter_ms20_lp.h"
#include "dsp/twdsp_oscillator_LFO_skewed.h"
#include "dsp/twdsp_saturator_inv_atan.h"
#include "dsp/twdsp_smoother.h"
#include "dsp/twdsp_smoother_lag_processor.h"
#include "dsp/twdsp_tilting_eq.h"
#include "engine/CCorvaneDisplaySums.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>

// The effect: input gain, a soft-clipped feedback loop, the reverb with its colour EQ and
// dry/wet mix, the VCA, the drive stage and the resonant filter (in one of two orders), an
// output dry/wet mix, with the cutoff and the VCA modulated by an LFO and an envelope
// follower every 32 samples (the control tick).
//
// Threads: the engine belongs to the audio thread; every operation below is called from there
// (the processor hands parameter changes over to it). Its only output to other threads is the
// display sums it adds to (CCorvaneDisplaySums, owned by the processor).
//
// The object holds all its blocks by value, the reverb's delay memory included (over 400 KiB):
// create it once, on the heap or as a member of a heap object.
class CCorvaneEngine final : public twdsp_block {
public:
    // Engine command numbers, the same as the plug-in's parameter indices.
    enum command {
        rev_color = 0,
        rev_decay = 1,
        rev_mix = 2,
        rev_route = 3,
        rev_freeze = 4,
        filter_cutoff = 5,
        filter_reson = 6,
        filter_type = 7,
        filter_lfo_mod = 8,
        filter_env_mod = 9,
        filter_drive = 10,
        lfo_rate = 11,
        lfo_phase = 12,
        lfo_shape = 13,
        lfo_skew = 14,
        lfo_sync = 15,
        lfo_trigger = 16,
        env_attack = 17,
        env_decay = 18,
        env_hpf = 19,
        env_gain = 20,
        env_trigger = 21,
        input = 22,
        feedback = 23,
        vca = 24,
        master_lfo_mod = 25,
        master_env_mod = 26,
        mix = 27,
        bypass = 28,
        command_count = 29
    };

    enum trigger { trigger_main = 0, trigger_midi = 1, trigger_sidechain = 2, trigger_lfo = 3 };

    static constexpr int control_interval = 32;

    CCorvaneEngine();
    ~CCorvaneEngine() override;
    // The lanes point into the object itself.
    CCorvaneEngine(const CCorvaneEngine&) = delete;
    CCorvaneEngine& operator=(const CCorvaneEngine&) = delete;

    // Clears the six filters and the feedback memory (every resume). Reverb tail, LFO phase,
    // smoothers, envelope, detector filters and DC blockers keep their state.
    void reset() override;
    // Host rate in Hz; rates that are not finite or not positive are ignored, others are
    // limited to 8000 .. 768000.
    void set_sample_rate(float rate) override;
    // Engine command in the parameter's own unit (Hz, dB, 0..1, step number), see command.
    // Unknown indices (and 0, 16, 21) and non-finite values are ignored. Filter Cutoff runs the
    // cutoff update at once (one step of the cutoff and ratio smoothers). Filter Type switches
    // at once: the incoming pair starts from rest with the unmodulated base cutoff and the
    // resonance, and the modulated cutoff follows at the next tick; selecting the type that
    // already runs changes nothing.
    void set_parameter(int index, float value) override;
    // Parameter index with the host's normalised value (limited to 0..1); ends in
    // set_parameter for most indices. Filter Cutoff and LFO Rate are ignored here: the
    // plug-in sends them as commands in Hz.
    void set_normalised_parameter(int index, float value);

    // Renders frames samples. inputs: main L, main R, side-chain 1, side-chain 2 (four
    // pointers; a null array or channel reads as silence). outputs: left, right (overwritten;
    // the mono plan writes only the left one). active_inputs 1 selects the mono-input plans,
    // active_outputs 1 with one input the mono plan; sidechains is 0..2.
    //
    // Input samples that are NaN read as silence, those beyond ±1e5 are limited; no output
    // sample is NaN, infinite or subnormal (such samples are written as 0). Should an internal
    // state go non-finite (no finite input can make it), that block starts from rest: the
    // filter chain within the piece between two control ticks, the reverb at the start of its
    // next chunk, the detector, smoothers and envelope at the next tick.
    void process_buffers(const float* const* inputs, float* const* outputs, int active_inputs,
                         int active_outputs, int sidechains, int frames);

    // Bound of the cutoff modulation in octaves, either way (positive values only). The envelope
    // follows its input unbounded (a loud side-chain takes a program's octave term past 30);
    // 2^±100 is still a normal float while 2^±128 is not, so the default acts only where the
    // ratio would overflow. Tests widen it to show that it never acts on the programs.
    static constexpr float default_octave_limit = 100.0f;
    void set_octave_limit(float octaves);

    // Where each control tick's envelope and LFO values go for the editor's graphs (the
    // owner's display history); null: nowhere. Set while no block runs.
    void set_display(CCorvaneDisplaySums* sums) { display_ = sums; }

    // MIDI gate for the MIDI trigger mode: velocity / 127 of the held notes, 0 when none.
    void set_note_gate(float gate) { note_gate_ = gate == gate ? gate : 0.0f; }
    float note_gate() const { return note_gate_; }
    // Tempo sync: the LFO phase at the next control tick (cycles) and its advance per tick.
    // Non-finite values are taken as 0.
    void set_sync_phase(double phase);
    double sync_phase() const { return sync_phase_; }
    void set_sync_increment(double increment);
    double sync_increment() const { return sync_increment_; }
    // LFO Phase in cycles (0..1), for the plug-in's sync phase computation.
    double lfo_phase_offset() const { return lfo_phase_offset_; }

    // Current state, for the plug-in, the editor and tests.
    int filter_type_index() const { return filter_type_; }
    int route() const { return route_; }
    int trigger_mode() const { return trigger_mode_; }
    bool sync_on() const { return sync_on_; }
    bool bypassed() const { return bypassed_; }
    float cutoff() const { return cutoff_hz_; }
    float vca_gain() const { return vca_gain_; }
    float input_gain() const { return input_gain_; }
    float feedback_gain() const { return feedback_gain_; }
    float wet_gain() const { return wet_gain_; }
    float dry_gain() const { return dry_gain_; }
    float reverb_wet_gain() const { return reverb_wet_gain_; }
    float reverb_dry_gain() const { return reverb_dry_gain_; }
    float envelope_gain() const { return envelope_gain_; }
    float envelope() const { return follower_.value(); }
    float lfo_output() const { return lfo_.last_output(); }
    int control_counter() const { return control_counter_; }
    const twdsp_filter* current_filter(int channel) const {
        return channel == 0 ? current_left_ : current_right_;
    }
    const twdsp_deverb& reverb() const { return reverb_; }
    // Rev Decay and Rev Freeze as last set. The reverb renders in chunks of its own (see wet_)
    // and takes a change that arrives within one at the chunk's end, at most 256 frames later.
    float reverb_decay() const { return reverb_decay_; }
    float reverb_freeze() const { return reverb_freeze_; }
    const twdsp_oscillator_LFO_skewed& lfo() const { return lfo_; }

private:
    enum plan { plan_mono = 0, plan_mono_to_stereo = 1, plan_stereo = 2 };

    // The reverb's chunks have at most this many frames (fewer where its shortest line is
    // shorter), and host blocks are rendered in pieces that lie within one chunk, so that absent
    // channels can be read from (or written to) fixed buffers.
    static constexpr int chunk = twdsp_deverb::max_block;

    // Channel pointers of one block, with absent channels replaced.
    struct channels {
        const float* in_left;
        const float* in_right;
        const float* detect_left;
        const float* detect_right;
        float* out_left;
        float* out_right;
        // The reverb's wet output for these frames, and where their reverb input goes.
        const float* wet_left;
        const float* wet_right;
        float* send_left;
        float* send_right;
    };

    void control_tick();
    // Reverb: a setting now or at the chunk's end, and the chunk's end brought forward.
    void set_reverb(int parameter, float value);
    void start_reverb_chunk();
    void finish_reverb_chunk();
    // Non-finite internal states start afresh (see control_tick and render).
    void recover_modulation();
    void recover_chain();
    void update_cutoff();
    void select_filter(int type);

    template <int Plan, int Route, int Type>
    void render(const channels& ch, int begin, int end);
    using renderer = void (CCorvaneEngine::*)(const channels&, int, int);
    static renderer pick_renderer(int layout, int routing, int type);

    // The stereo chain as lanes, kept from one rendered piece to the next, so that small host
    // blocks do not gather and scatter it in every call. While loaded (lanes_plan_ >= 0) the
    // lanes hold the chain's memories and the blocks' own are stale: a member that resets or
    // reads those memories unloads first, which hands them back. The blocks keep their
    // coefficients; a member that changes them marks the lanes' copies stale, and the next
    // piece takes them again.
    struct chain_lanes {
        explicit chain_lanes(CCorvaneEngine& e);
        twdsp_tilting_eq::pair colour;
        // The VCA gain goes into the drive's coefficients.
        twdsp_saturator_inv_atan::gained_pair drive;
        twdsp_filter_dc_blocker::pair blocker;
        // Used in the stereo plan only; the others run the left detector on its own.
        twdsp_filter_cascaded_highpass::pair detector;
        // The feedback is carried as the blocker's last input and the rest of its output, so
        // the feedback gain can be applied to the rest before the input arrives.
        twdsp_f4 fb_in, fb_rest;
        // The anti-denormal offset flips once per sample: the detector takes it as it stands,
        // the left feedback path too, the right one flipped.
        twdsp_f4 offsets;
    };
    template <int Plan, int Type>
    void load_lanes();
    void unload_lanes();
    template <int Type>
    void load_lane_coefficients();
    // The current filter pair's lanes.
    template <int Type>
    auto& filter_lanes();

    twdsp_filter* current_left_ = nullptr;
    twdsp_filter* current_right_ = nullptr;
    twdsp_filter_ms20_lp lowpass_left_;
    twdsp_filter_ms20_lp lowpass_right_;
    twdsp_filter_ms20_hp highpass_left_;
    twdsp_filter_ms20_hp highpass_right_;
    CCorvaneBPF bandpass_left_;
    CCorvaneBPF bandpass_right_;
    twdsp_filter_cascaded_highpass detector_left_;
    twdsp_filter_cascaded_highpass detector_right_;
    twdsp_oscillator_LFO_skewed lfo_;
    twdsp_tilting_eq colour_left_;
    twdsp_tilting_eq colour_right_;
    std::array<twdsp_filter*, 6> filters_{};
    twdsp_deverb reverb_;
    float base_cutoff_ = 2000.0f;
    float resonance_ = 0.0f;
    int route_ = 0;
    int trigger_mode_ = trigger_main;
    twdsp_smoother_lag_processor follower_;
    twdsp_smoother cutoff_smoother_;
    twdsp_smoother ratio_smoother_;
    twdsp_smoother input_smoother_;
    twdsp_smoother mix_smoother_;
    twdsp_smoother reverb_mix_smoother_;
    twdsp_smoother feedback_smoother_;
    twdsp_saturator_inv_atan drive_left_;
    twdsp_saturator_inv_atan drive_right_;
    twdsp_filter_dc_blocker feedback_dc_left_;
    twdsp_filter_dc_blocker feedback_dc_right_;
    float offset_ = 1e-12f;
    float detector_sum_left_ = 0.0f;
    float detector_sum_right_ = 0.0f;
    // The feedback signal in two parts whose sum it is: the DC blocker's last input and the
    // rest of its output (see render).
    float feedback_left_ = 0.0f;
    float feedback_right_ = 0.0f;
    float feedback_rest_left_ = 0.0f;
    float feedback_rest_right_ = 0.0f;
    float wet_gain_ = 0.707f;
    float dry_gain_ = 0.707f;
    float reverb_wet_gain_ = 0.707f;
    float reverb_dry_gain_ = 0.707f;
    float input_gain_ = 1.0f;
    float feedback_gain_ = 0.0f;
    float vca_gain_ = 0.01f;
    float vca_level_db_ = -40.0f;
    float stored_mix_ = 0.5f;
    bool bypassed_ = false;
    float detector_level_ = 0.0f;
    float envelope_gain_ = 0.0f;
    float note_gate_ = 0.0f;
    float envelope_gain_setting_ = 0.0f;
    float filter_lfo_depth_ = 0.0f;
    float filter_env_depth_ = 0.0f;
    float master_lfo_depth_ = 0.0f;
    float master_env_depth_ = 0.0f;
    int control_counter_ = control_interval;
    double sync_phase_ = 0.0;
    double sync_increment_ = 0.0;
    double lfo_phase_offset_ = 0.0;
    bool sync_on_ = false;
    int filter_type_ = 0;
    float cutoff_hz_ = 2000.0f;
    float octave_limit_ = default_octave_limit;

    CCorvaneDisplaySums* display_ = nullptr;

    std::optional<chain_lanes> lanes_;
    std::optional<twdsp_filter_ms20_lp::pair> lowpass_lanes_;
    std::optional<CCorvaneBPF::pair> bandpass_lanes_;
    std::optional<twdsp_filter_ms20_hp::pair> highpass_lanes_;
    int lanes_plan_ = -1;
    bool lane_coefficients_stale_ = false;

    // Where output for an absent channel goes.
    float discard_[chunk] = {};

    // The reverb runs in chunks of its own, whatever the host's block size: the wet output of a
    // whole chunk is rendered before its first frame (it depends only on earlier input) and the
    // chunk's reverb input handed over after its last, so small blocks do not pay the reverb's
    // fixed cost each. wet_count_ frames of the current chunk exist, wet_used_ are played.
    alignas(16) float wet_[2][chunk] = {};
    alignas(16) float send_[2][chunk] = {};
    int wet_count_ = 0;
    int wet_used_ = 0;
    // Reverb Decay and Freeze that arrived within a chunk, taken at its end (NaN: none): the
    // chunk's wet output was rendered with the settings it started with.
    float pending_room_size_ = std::numeric_limits<float>::quiet_NaN();
    float pending_freeze_ = std::numeric_limits<float>::quiet_NaN();
    float reverb_decay_ = 0.5f;
    float reverb_freeze_ = 0.0f;
    // The chunk's host input, cleaned (main L, main R, detector L, detector R), and the chain
    // output before the output mix.
    alignas(16) float input_[4][chunk] = {};
    alignas(16) float chain_[2][chunk] = {};
};
