#include "engine/CCorvaneEngine.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr float min_rate = 8000.0f;
constexpr float max_rate = 768000.0f;
constexpr float min_cutoff_hz = 20.0f;
constexpr float max_cutoff_hz = 20000.0f;
// The filters' coefficient update needs the cutoff below half the rate.
constexpr float max_cutoff_share = 0.45f;
// Lower end of the VCA level: still a normal float gain (1e-15), and finite whatever the
// envelope does.
constexpr float min_vca_db = -300.0f;
// Host samples beyond ±1e5 (100 dB over full scale) are limited, NaN reads as silence: one
// broken sample must not leave the reverb and the filters full of NaN for ever.
constexpr float input_limit = 1e5f;

alignas(64) const float silence[256] = {};

inline twdsp_f4 clean(twdsp_f4 x) {
    const twdsp_f4 limit = twdsp_splat<twdsp_f4>(input_limit);
    // NaN lanes become +0 first (a NaN is the one value unequal to itself).
    const twdsp_f4 number = twdsp_from_bits(twdsp_bits(x) & (x == x));
    return twdsp_min(twdsp_max(number, -limit), limit);
}

inline float clean(float x) {
    if (std::fabs(x) <= input_limit) return x;
    return x > 0.0f ? input_limit : (x < 0.0f ? -input_limit : 0.0f);
}

// out[i] = clean(in[i]) for i < n.
void clean_block(const float* in, float* out, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4)
        twdsp_store(out + i, clean(twdsp_load(in + i)));
    for (; i < n; ++i)
        out[i] = clean(in[i]);
}

// One output channel of frames begin .. end - 1: dry × input + wet × chain output, with no NaN,
// infinity or subnormal sample handed to the host. Returns the chain output × 0 summed, which is
// not finite once a chain sample is not.
twdsp_f4 mix_block(const float* in, const float* z, float* out, float dry, float wet, int begin,
                   int end) {
    twdsp_f4 check = {};
    int n = begin;
    for (; n + 4 <= end; n += 4) {
        const twdsp_f4 chain = twdsp_load(z + n);
        check += chain * 0.0f;
        twdsp_store(out + n, twdsp_finite_normal(dry * twdsp_load(in + n) + wet * chain));
    }
    for (; n < end; ++n) {
        check[0] += z[n] * 0.0f;
        out[n] = twdsp_finite_normal(dry * in[n] + wet * z[n]);
    }
    return check;
}

// Zero while every sample is finite.
float finite_check(const float* x, int n) {
    twdsp_f4 check = {};
    int i = 0;
    for (; i + 4 <= n; i += 4)
        check += twdsp_load(x + i) * 0.0f;
    for (; i < n; ++i)
        check[0] += x[i] * 0.0f;
    return check[0] + check[1] + check[2] + check[3];
}

inline float decibels_to_gain(float db) {
    return powf(10.0f, db * 0.05f);
}

} // namespace

CCorvaneEngine::CCorvaneEngine() {
    filters_ = {&lowpass_left_,   &lowpass_right_, &bandpass_left_,
                &bandpass_right_, &highpass_left_, &highpass_right_};
    current_left_ = &lowpass_left_;
    current_right_ = &lowpass_right_;
    route_ = 0;
    for (twdsp_filter* f : filters_) {
        f->set_frequency(base_cutoff_);
        f->set_resonance(0.0f);
    }
    colour_left_.set_tilt_range(9.0f);
    colour_right_.set_tilt_range(9.0f);
    twdsp_smoother_lag_processor* const smoothers[] = {
        &input_smoother_,  &mix_smoother_,   &reverb_mix_smoother_, &follower_,
        &cutoff_smoother_, &ratio_smoother_, &feedback_smoother_};
    for (twdsp_smoother_lag_processor* s : smoothers)
        s->set_update_interval(control_interval);
    lfo_.set_unipolar(true);
    ratio_smoother_.set_rise_time(0.005f);
    vca_gain_ = decibels_to_gain(vca_level_db_);
}

CCorvaneEngine::~CCorvaneEngine() = default;

void CCorvaneEngine::reset() {
    unload_lanes();
    for (twdsp_filter* f : filters_)
        f->reset();
    feedback_left_ = feedback_right_ = 0.0f;
    feedback_rest_left_ = feedback_rest_right_ = 0.0f;
}

void CCorvaneEngine::set_reverb(int parameter, float value) {
    (parameter == twdsp_deverb::room_size ? reverb_decay_ : reverb_freeze_) = value;
    float& pending = parameter == twdsp_deverb::room_size ? pending_room_size_ : pending_freeze_;
    if (wet_used_ < wet_count_)
        pending = value;
    else
        reverb_.set_parameter(parameter, value);
}

void CCorvaneEngine::start_reverb_chunk() {
    for (int parameter : {twdsp_deverb::room_size, twdsp_deverb::freeze}) {
        float& pending =
            parameter == twdsp_deverb::room_size ? pending_room_size_ : pending_freeze_;
        if (pending == pending) reverb_.set_parameter(parameter, pending);
        pending = std::numeric_limits<float>::quiet_NaN();
    }
    wet_count_ = reverb_.render_wet(wet_[0], wet_[1], chunk);
    wet_used_ = 0;
    if (!std::isfinite(finite_check(wet_[0], wet_count_) + finite_check(wet_[1], wet_count_))) {
        reverb_.clear();
        std::fill(&wet_[0][0], &wet_[0][0] + 2 * chunk, 0.0f);
    }
}

// The frames of the chunk not played yet hand silence to the reverb.
void CCorvaneEngine::finish_reverb_chunk() {
    for (float* send : send_)
        std::fill(send + wet_used_, send + wet_count_, 0.0f);
    reverb_.feed(send_[0], send_[1], wet_count_);
    wet_used_ = wet_count_;
}

void CCorvaneEngine::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    rate = std::clamp(rate, min_rate, max_rate);
    unload_lanes();
    // The reverb's lines change length: the chunk in progress ends here.
    if (wet_used_ < wet_count_) finish_reverb_chunk();
    twdsp_block::set_sample_rate(rate);
    for (twdsp_filter* f : filters_)
        f->set_sample_rate(rate);
    twdsp_block* const blocks[] = {
        &input_smoother_,  &mix_smoother_,   &reverb_mix_smoother_, &follower_,
        &cutoff_smoother_, &ratio_smoother_, &feedback_smoother_,   &lfo_,
        &colour_left_,     &colour_right_,   &detector_left_,       &detector_right_,
        &reverb_};
    for (twdsp_block* b : blocks)
        b->set_sample_rate(rate);
}

void CCorvaneEngine::select_filter(int type) {
    // Selecting the pair that already runs changes nothing: hosts resend unchanged values, and
    // each resend would otherwise throw the running filter back to the unmodulated cutoff.
    if (type == filter_type_) return;
    twdsp_filter* left;
    twdsp_filter* right;
    switch (type) {
        case 0:
            left = &lowpass_left_;
            right = &lowpass_right_;
            break;
        case 1:
            left = &bandpass_left_;
            right = &bandpass_right_;
            break;
        case 2:
            left = &highpass_left_;
            right = &highpass_right_;
            break;
        default:
            return;
    }
    unload_lanes();
    // The incoming pair starts from rest. Its memories date from whenever it last ran, at
    // another cutoff and resonance; resumed under the new coefficients they are a jump, and a
    // host switching the type at a fast rate pumps the resonant filters up by such jumps until
    // the output is thousands of times full scale.
    for (twdsp_filter* f : {left, right}) {
        f->reset();
        f->set_frequency(base_cutoff_);
        f->set_resonance(resonance_);
    }
    current_left_ = left;
    current_right_ = right;
    filter_type_ = type;
}

void CCorvaneEngine::set_parameter(int index, float value) {
    if (!std::isfinite(value)) return;
    switch (index) {
        case rev_decay:
            set_reverb(twdsp_deverb::room_size, value);
            break;
        case rev_mix:
            reverb_mix_smoother_.set_target(1.0f - value);
            break;
        case rev_route:
            route_ = static_cast<int>(std::clamp(value, 0.0f, 1.0f));
            break;
        case rev_freeze:
            set_reverb(twdsp_deverb::freeze, value);
            break;
        case filter_cutoff:
            base_cutoff_ = value;
            update_cutoff();
            break;
        case filter_reson:
            lane_coefficients_stale_ = true;
            resonance_ = value;
            current_left_->set_resonance(value);
            current_right_->set_resonance(value);
            break;
        case filter_type:
            if (value > -1.0f && value < 3.0f) select_filter(static_cast<int>(value));
            break;
        case filter_lfo_mod:
            filter_lfo_depth_ = value;
            break;
        case filter_env_mod:
            filter_env_depth_ = value;
            break;
        case filter_drive:
            lane_coefficients_stale_ = true;
            drive_left_.set_drive(7.0f * value * value + 0.0001f);
            drive_right_.set_drive(7.0f * value * value + 0.0001f);
            break;
        case lfo_rate:
            lfo_.set_frequency(value * static_cast<float>(control_interval));
            break;
        case lfo_phase:
            lfo_phase_offset_ = value;
            break;
        case lfo_shape:
            if (std::fabs(value) < 1e6f) lfo_.set_shape(static_cast<int>(value));
            break;
        case lfo_skew:
            lfo_.set_skew(value);
            break;
        case lfo_sync:
            sync_on_ = value > 0.5f;
            break;
        case env_attack:
            follower_.set_rise_time(0.2f * value);
            break;
        case env_decay:
            follower_.set_fall_time(value + 0.04f);
            break;
        case env_hpf:
            lane_coefficients_stale_ = true;
            detector_left_.set_frequency(value);
            detector_right_.set_frequency(value);
            break;
        case env_gain:
            envelope_gain_ = decibels_to_gain(value);
            break;
        case input:
            input_smoother_.set_target(decibels_to_gain(value));
            break;
        case feedback:
            feedback_smoother_.set_target(decibels_to_gain(value));
            break;
        case vca:
            vca_level_db_ = value;
            break;
        case master_lfo_mod:
            master_lfo_depth_ = 2.0f * value - 1.0f;
            break;
        case master_env_mod:
            master_env_depth_ = 2.0f * value - 1.0f;
            break;
        case mix:
            stored_mix_ = 1.0f - value;
            if (!bypassed_) mix_smoother_.set_target(1.0f - value);
            break;
        case bypass:
            bypassed_ = value > 0.5f;
            mix_smoother_.set_target(bypassed_ ? 1.0f : stored_mix_);
            break;
        default: // Rev Color, LFO Trigger and Env Trigger have no command; unknown indices
            break;
    }
}

void CCorvaneEngine::set_normalised_parameter(int index, float value) {
    if (std::isnan(value)) return;
    const float v = std::clamp(value, 0.0f, 1.0f);
    switch (index) {
        case rev_color:
            lane_coefficients_stale_ = true;
            colour_left_.set_tilt(v);
            colour_right_.set_tilt(v);
            break;
        case rev_route:
            set_parameter(rev_route, std::trunc(v));
            break;
        case filter_cutoff:
        case lfo_rate:
            break;
        case filter_type:
            set_parameter(filter_type, std::trunc(2.0f * v + 0.5f));
            break;
        case filter_lfo_mod:
        case filter_env_mod:
            set_parameter(index, (v - 0.5f) * 2.0f);
            break;
        case lfo_sync:
            set_parameter(lfo_sync, v > 0.5f ? 1.0f : 0.0f);
            break;
        case env_gain:
            envelope_gain_setting_ = v;
            envelope_gain_ = decibels_to_gain(20.0f * v);
            break;
        case env_trigger:
            trigger_mode_ = static_cast<int>(3.0f * v);
            break;
        default:
            set_parameter(index, v);
            break;
    }
}

void CCorvaneEngine::set_octave_limit(float octaves) {
    if (octaves > 0.0f) octave_limit_ = octaves;
}

void CCorvaneEngine::set_sync_phase(double phase) {
    sync_phase_ = std::isfinite(phase) ? phase : 0.0;
}

void CCorvaneEngine::set_sync_increment(double increment) {
    sync_increment_ = std::isfinite(increment) ? increment : 0.0;
}

// No finite input makes a state non-finite: inputs are cleaned, commands checked, gains and
// cutoffs limited. Should one go non-finite all the same, it must not stay so for ever (a NaN
// in a recursion never leaves it): each tick checks the modulation states, each rendered piece
// its chain output and each chunk the reverb output, and whatever went bad starts from rest.
void CCorvaneEngine::recover_modulation() {
    if (!std::isfinite(detector_level_)) {
        unload_lanes();
        detector_left_.reset();
        detector_right_.reset();
        detector_sum_left_ = detector_sum_right_ = detector_level_ = 0.0f;
    }
    twdsp_smoother_lag_processor* const smoothers[] = {
        &input_smoother_,  &mix_smoother_,   &reverb_mix_smoother_, &follower_,
        &cutoff_smoother_, &ratio_smoother_, &feedback_smoother_};
    for (twdsp_smoother_lag_processor* s : smoothers)
        if (!std::isfinite(s->value()))
            s->set_value(std::isfinite(s->target()) ? s->target() : 0.0f);
}

void CCorvaneEngine::recover_chain() {
    unload_lanes();
    for (twdsp_filter* f : filters_)
        f->reset();
    colour_left_.reset();
    colour_right_.reset();
    // The blockers have no reset of their own (their memory runs on across resumes).
    feedback_dc_left_ = twdsp_filter_dc_blocker();
    feedback_dc_right_ = twdsp_filter_dc_blocker();
    feedback_left_ = feedback_right_ = 0.0f;
    feedback_rest_left_ = feedback_rest_right_ = 0.0f;
}

void CCorvaneEngine::control_tick() {
    recover_modulation();
    if (sync_on_) {
        // Phases above 1 are brought back into (0, 1] in one bounded step, as repeated
        // subtraction of whole cycles would, however far a broken host has pushed them.
        double phase = std::isfinite(sync_phase_) ? sync_phase_ : 0.0;
        if (phase > 1.0) {
            phase -= std::floor(phase);
            if (phase == 0.0) phase = 1.0;
        }
        lfo_.process(static_cast<float>(phase));
        sync_phase_ = phase + sync_increment_;
    } else {
        lfo_.tick();
    }
    const float lfo_out = lfo_.last_output();

    switch (trigger_mode_) {
        case trigger_main:
        case trigger_sidechain: {
            const float e = envelope_gain_ * detector_level_ * 0.03125f;
            detector_level_ = e;
            follower_.process(e);
            break;
        }
        case trigger_midi:
            follower_.process(note_gate_ >= envelope_gain_setting_ ? note_gate_ * 10.0f : 0.0f);
            break;
        case trigger_lfo:
            follower_.process(lfo_out > 0.5f ? 10.0f : 0.0f);
            break;
        default:
            break;
    }

    float level_db = (follower_.value() * master_env_depth_ + lfo_out * master_lfo_depth_) * 15.0f +
                     vca_level_db_;
    if (level_db > 0.0f) level_db = 0.0f;
    if (!(level_db >= min_vca_db)) level_db = min_vca_db;
    vca_gain_ = decibels_to_gain(level_db);
    lane_coefficients_stale_ = true; // the drive's coefficients hold the VCA gain

    input_gain_ = input_smoother_.tick();
    feedback_gain_ = feedback_smoother_.tick();
    const float m = mix_smoother_.tick();
    wet_gain_ = 1.0f - m * m;
    dry_gain_ = 1.0f - (1.0f - m) * (1.0f - m);
    const float r = reverb_mix_smoother_.tick();
    reverb_wet_gain_ = 1.0f - r * r;
    reverb_dry_gain_ = 1.0f - (1.0f - r) * (1.0f - r);

    update_cutoff();

    detector_sum_left_ = 0.0f;
    detector_sum_right_ = 0.0f;
    detector_level_ = 0.0f;
    control_counter_ = 0;

    if (display_) display_->add(follower_.value(), lfo_out);
}

void CCorvaneEngine::update_cutoff() {
    float octaves =
        (follower_.value() * filter_env_depth_ + lfo_.last_output() * filter_lfo_depth_) * 6.0f;
    if (!(octaves > -octave_limit_)) octaves = octaves < 0.0f ? -octave_limit_ : 0.0f;
    if (octaves > octave_limit_) octaves = octave_limit_;
    const float ratio = ratio_smoother_.process(powf(2.0f, octaves));
    const float cutoff = cutoff_smoother_.process(base_cutoff_);
    const float top = std::min(max_cutoff_hz, max_cutoff_share * sample_rate_);
    float fc = ratio * cutoff;
    if (!(fc >= min_cutoff_hz)) fc = min_cutoff_hz;
    if (fc > top) fc = top;
    cutoff_hz_ = fc;
    lane_coefficients_stale_ = true;
    // Both channels run at the same rate and cutoff: the right filter takes the left one's
    // coefficients instead of computing them again.
    switch (filter_type_) {
        case 0:
            lowpass_left_.set_frequency(fc);
            lowpass_right_.copy_coefficients(lowpass_left_);
            break;
        case 1:
            bandpass_left_.set_frequency(fc);
            bandpass_right_.copy_coefficients(bandpass_left_);
            break;
        default:
            highpass_left_.set_frequency(fc);
            highpass_right_.copy_coefficients(highpass_left_);
            break;
    }
}

CCorvaneEngine::chain_lanes::chain_lanes(CCorvaneEngine& e)
    : colour(e.colour_left_, e.colour_right_), drive(e.drive_left_, e.drive_right_, e.vca_gain_),
      blocker(e.feedback_dc_left_, e.feedback_dc_right_),
      detector(e.detector_left_, e.detector_right_),
      fb_in(twdsp_pair(e.feedback_left_, e.feedback_right_)),
      fb_rest(twdsp_pair(e.feedback_rest_left_, e.feedback_rest_right_)),
      offsets(twdsp_pair(e.offset_, -e.offset_)) {}

template <int Type>
auto& CCorvaneEngine::filter_lanes() {
    if constexpr (Type == 0)
        return lowpass_lanes_;
    else if constexpr (Type == 1)
        return bandpass_lanes_;
    else
        return highpass_lanes_;
}

template <int Plan, int Type>
void CCorvaneEngine::load_lanes() {
    unload_lanes();
    lanes_.emplace(*this);
    if constexpr (Type == 0)
        lowpass_lanes_.emplace(lowpass_left_, lowpass_right_);
    else if constexpr (Type == 1)
        bandpass_lanes_.emplace(bandpass_left_, bandpass_right_);
    else
        highpass_lanes_.emplace(highpass_left_, highpass_right_);
    lanes_plan_ = Plan;
    lane_coefficients_stale_ = false;
}

template <int Type>
void CCorvaneEngine::load_lane_coefficients() {
    chain_lanes& l = *lanes_;
    l.colour.load_coefficients();
    l.drive = twdsp_saturator_inv_atan::gained_pair(drive_left_, drive_right_, vca_gain_);
    l.detector.load_coefficients();
    filter_lanes<Type>()->load_coefficients();
    lane_coefficients_stale_ = false;
}

void CCorvaneEngine::unload_lanes() {
    if (lanes_plan_ < 0) return;
    // The mono plan runs lane 0 alone; the right-hand blocks keep what they had.
    const int kept = lanes_plan_ == plan_mono ? 1 : 2;
    chain_lanes& l = *lanes_;
    l.colour.store(kept);
    l.blocker.store(kept);
    if (lanes_plan_ == plan_stereo) l.detector.store();
    switch (filter_type_) {
        case 0:
            lowpass_lanes_->store(kept);
            break;
        case 1:
            bandpass_lanes_->store(kept);
            break;
        default:
            highpass_lanes_->store(kept);
            break;
    }
    feedback_left_ = l.fb_in[0];
    feedback_rest_left_ = l.fb_rest[0];
    if (kept == 2) {
        feedback_right_ = l.fb_in[1];
        feedback_rest_right_ = l.fb_rest[1];
    }
    offset_ = l.offsets[0];
    lanes_plan_ = -1;
}

template <int Plan, int Route, int Type>
void CCorvaneEngine::render(const channels& ch, int begin, int end) {
    constexpr bool both = Plan != plan_mono;
    constexpr bool stereo_in = Plan == plan_stereo;

    const float in_gain = input_gain_;
    const float fb_gain = feedback_gain_;
    const float rev_dry = reverb_dry_gain_;
    const float rev_wet = reverb_wet_gain_;
    const float dry = dry_gain_;
    const float wet = wet_gain_;
    // The left and right chains run side by side as lanes 0 and 1; the mono plan keeps only
    // lane 0. The loop keeps the memories in variables of its own, which the compiler can hold
    // in registers, and reads the coefficients where they are.
    if (lanes_plan_ != Plan)
        load_lanes<Plan, Type>();
    else if (lane_coefficients_stale_)
        load_lane_coefficients<Type>();
    chain_lanes& l = *lanes_;
    const auto& filter = *filter_lanes<Type>();
    const auto drive = l.drive;
    auto colour = l.colour.memory();
    auto detector = l.detector.memory();
    auto filtered = filter.memory();
    auto blocker = l.blocker;
    twdsp_f4 fb_in = l.fb_in;
    twdsp_f4 fb_rest = l.fb_rest;
    twdsp_f4 offsets = l.offsets;
    // The detector hears the host's input only: its steps fill the time the chain's feedback
    // loop spends waiting on its own results.
    float sum_left = detector_sum_left_;
    float sum_right = detector_sum_right_;

    // The chunk's reverb output was rendered before it (it depends only on earlier input); the
    // reverb input is collected for the chunk's end.
    for (int n = begin; n < end; ++n) {
        if constexpr (stereo_in) {
            const twdsp_d2 d = {ch.detect_left[n] + offsets[0], ch.detect_right[n] + offsets[0]};
            const twdsp_d2 e = l.detector.process(d, detector);
            sum_left += std::fabs(static_cast<float>(e[0]));
            sum_right += std::fabs(static_cast<float>(e[1]));
        } else {
            sum_left += std::fabs(detector_left_.process(ch.detect_left[n] + offsets[0]));
        }
        const float in_left = ch.in_left[n];
        const twdsp_f4 in = twdsp_pair(in_left, stereo_in ? ch.in_right[n] : in_left);
        // The feedback loop is one long chain of dependent steps per sample, so every product
        // that can be taken before its input arrives is (the same arithmetic within rounding).
        const twdsp_f4 a = fb_gain * fb_in + (fb_gain * fb_rest + in_gain * in);
        const twdsp_f4 clip = 0.28f * a * a + 1.0f;
        const twdsp_f4 x = a / clip;
        const twdsp_f4 v = twdsp_pair(ch.wet_left[n], ch.wet_right[n]);
        twdsp_f4 z;
        if constexpr (Route == 0) {
            ch.send_left[n] = x[0];
            ch.send_right[n] = both ? x[1] : x[0];
            const twdsp_f4 y = rev_dry * a / clip + rev_wet * l.colour.process(v, colour);
            z = filter.process(drive.process(y), filtered);
        } else {
            const twdsp_f4 f = filter.process(drive.process(x), filtered);
            ch.send_left[n] = f[0];
            ch.send_right[n] = both ? f[1] : f[0];
            z = rev_dry * f + rev_wet * l.colour.process(v, colour);
        }
        chain_[0][n] = z[0];
        chain_[1][n] = z[1];
        fb_rest = blocker.rest(offsets);
        blocker.advance(z, offsets, fb_rest);
        fb_in = z;
        offsets = -offsets;
    }

    detector_sum_left_ = sum_left;
    detector_sum_right_ = sum_right;
    detector_level_ = stereo_in ? sum_left + sum_right : sum_left;
    l.colour.set_memory(colour);
    if constexpr (stereo_in) l.detector.set_memory(detector);
    filter_lanes<Type>()->set_memory(filtered);
    l.blocker = blocker;
    l.fb_in = fb_in;
    l.fb_rest = fb_rest;
    l.offsets = offsets;

    // The outputs, four frames at a time. The checks stay zero while the chain output is
    // finite (x × 0 is NaN only for a NaN or an infinity).
    twdsp_f4 check = mix_block(ch.in_left, chain_[0], ch.out_left, dry, wet, begin, end);
    if constexpr (both)
        check += mix_block(stereo_in ? ch.in_right : ch.in_left, chain_[1], ch.out_right, dry, wet,
                           begin, end);
    if (!std::isfinite(check[0] + check[1] + check[2] + check[3])) recover_chain();
}

CCorvaneEngine::renderer CCorvaneEngine::pick_renderer(int layout, int routing, int type) {
    static constexpr renderer table[3][2][3] = {
        {{&CCorvaneEngine::render<0, 0, 0>, &CCorvaneEngine::render<0, 0, 1>,
          &CCorvaneEngine::render<0, 0, 2>},
         {&CCorvaneEngine::render<0, 1, 0>, &CCorvaneEngine::render<0, 1, 1>,
          &CCorvaneEngine::render<0, 1, 2>}},
        {{&CCorvaneEngine::render<1, 0, 0>, &CCorvaneEngine::render<1, 0, 1>,
          &CCorvaneEngine::render<1, 0, 2>},
         {&CCorvaneEngine::render<1, 1, 0>, &CCorvaneEngine::render<1, 1, 1>,
          &CCorvaneEngine::render<1, 1, 2>}},
        {{&CCorvaneEngine::render<2, 0, 0>, &CCorvaneEngine::render<2, 0, 1>,
          &CCorvaneEngine::render<2, 0, 2>},
         {&CCorvaneEngine::render<2, 1, 0>, &CCorvaneEngine::render<2, 1, 1>,
          &CCorvaneEngine::render<2, 1, 2>}}};
    return table[layout][routing][type];
}

void CCorvaneEngine::process_buffers(const float* const* inputs, float* const* outputs,
                                     int active_inputs, int active_outputs, int sidechains,
                                     int frames) {
    if (frames <= 0 || !outputs) return;
    const int layout =
        active_inputs == 1 ? (active_outputs == 1 ? plan_mono : plan_mono_to_stereo) : plan_stereo;
    const bool stereo_in = layout == plan_stereo;
    const int side = std::clamp(sidechains, 0, 2);
    const float* const absent[4] = {};
    const float* const* in = inputs ? inputs : absent;
    // The detector's channels, as input numbers: the main ones or the side-chain.
    int detect_left = 0;
    int detect_right = 1;
    if (!stereo_in || trigger_mode_ != trigger_main) {
        if (side >= 1) detect_left = 2;
        if (stereo_in && side == 2) detect_right = 3;
    }
    float* out_left = outputs[0];
    float* out_right = layout == plan_mono ? nullptr : outputs[1];

    const renderer run = pick_renderer(layout, route_, filter_type_);
    for (int done = 0; done < frames;) {
        if (wet_used_ == wet_count_) start_reverb_chunk();
        const int n = std::min(frames - done, wet_count_ - wet_used_);
        // Host input cleaned once: NaN reads as silence, samples beyond ±1e5 are limited. A
        // detector channel that is a main channel reads that channel's cleaned copy.
        auto clean = [&](int channel, int to) {
            clean_block(in[channel] ? in[channel] + done : silence, input_[to], n);
            return input_[to];
        };
        const float* in_left = clean(0, 0);
        const float* in_right = stereo_in ? clean(1, 1) : in_left;
        const float* detect_l = detect_left == 0 ? in_left : clean(detect_left, 2);
        const float* detect_r = detect_right == 1 ? in_right : clean(detect_right, 3);
        auto out_at = [this, done](float* p) { return p ? p + done : discard_; };
        const channels ch{in_left,
                          in_right,
                          detect_l,
                          detect_r,
                          out_at(out_left),
                          out_at(out_right),
                          wet_[0] + wet_used_,
                          wet_[1] + wet_used_,
                          send_[0] + wet_used_,
                          send_[1] + wet_used_};
        // Pieces between control ticks: a tick runs before the sample at which the counter
        // reaches the interval, so ticks stay 32 samples apart across any block sizes.
        for (int pos = 0; pos < n;) {
            int len;
            if (control_counter_ + 1 >= control_interval) {
                control_tick();
                len = std::min(n - pos, control_interval);
                control_counter_ = len - 1;
            } else {
                len = std::min(n - pos, control_interval - 1 - control_counter_);
                control_counter_ += len;
            }
            (this->*run)(ch, pos, pos + len);
            pos += len;
        }
        wet_used_ += n;
        if (wet_used_ == wet_count_) reverb_.feed(send_[0], send_[1], wet_count_);
        done += n;
    }
}
