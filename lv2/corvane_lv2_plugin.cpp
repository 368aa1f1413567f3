#include "lv2/corvane_lv2_plugin.h"

#include "lv2/corvane_lv2_ports.h"
#include "lv2/corvane_lv2_transport.h"

#include "params/CorvaneParameterManager.h"
#include "processor/CorvaneProcessor.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

using namespace corvane;
using namespace corvane::lv2;

namespace {

// MIDI messages taken from one run's control port; more in one run are dropped (16 channels of
// 128 notes switched on and off twice over fit).
constexpr int kMaxMidiEvents = 4096;

class CorvaneLv2 {
public:
    static CorvaneLv2* create(double rate, const LV2_Feature* const* features);

    void connect(std::uint32_t port, void* data);
    void activate() { activatePending_ = true; }
    void deactivate() { transport_.forget(); }
    void run(std::uint32_t frames);

private:
    struct Uris {
        LV2_URID atomSequence, midiEvent, display, envelope, lfo, ticks;
        CorvaneLv2Transport::Uris time;
    };

    explicit CorvaneLv2(LV2_URID_Map* map);
    void readControls();
    void updateLayout();
    // Renders frames begin .. end with the MIDI events gathered since the last piece.
    void renderPiece(std::uint32_t begin, std::uint32_t end);
    void writeDisplay();

    CorvaneProcessor processor_;
    const bool atoms_;
    // Converts port values only.
    CorvaneParameterManager units_;
    const ProgramPortValues presetValues_{units_};
    Uris uris_{};
    LV2_Atom_Forge forge_{};

    const float* controls_[kControlPortCount] = {};
    float lastControls_[kControlPortCount] = {};
    bool controlsKnown_ = false;
    const float* inputs_[CorvaneProcessor::kNumInputs] = {};
    float* outputs_[CorvaneProcessor::kNumOutputs] = {};
    const LV2_Atom_Sequence* control_ = nullptr;
    LV2_Atom_Sequence* notify_ = nullptr;

    bool activatePending_ = true;
    int sidechains_ = -1;
    CorvaneLv2Transport transport_;
    CorvaneProcessor::MidiEvent midi_[kMaxMidiEvents];
    int midiCount_ = 0;
    CCorvaneDisplaySums::snapshot sent_{};
    bool sentKnown_ = false;
};

CorvaneLv2* CorvaneLv2::create(double rate, const LV2_Feature* const* features) {
    LV2_URID_Map* map = nullptr;
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<LV2_URID_Map*>(features[i]->data);
    auto* self = new (std::nothrow) CorvaneLv2(map && map->map ? map : nullptr);
    if (self) self->processor_.setSampleRate(rate);
    return self;
}

// Without the host's URID map the atom ports cannot be read or written: the plug-in then
// renders audio with its controls alone, free-running, and leaves the atom ports alone.
CorvaneLv2::CorvaneLv2(LV2_URID_Map* map) : atoms_(map != nullptr) {
    if (!map) return;
    uris_.atomSequence = map->map(map->handle, LV2_ATOM__Sequence);
    uris_.midiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
    uris_.display = map->map(map->handle, kDisplayUri);
    uris_.envelope = map->map(map->handle, kDisplayEnvelopeUri);
    uris_.lfo = map->map(map->handle, kDisplayLfoUri);
    uris_.ticks = map->map(map->handle, kDisplayTicksUri);
    uris_.time.map(map);
    lv2_atom_forge_init(&forge_, map);
}

void CorvaneLv2::connect(std::uint32_t port, void* data) {
    if (port < static_cast<std::uint32_t>(kControlPortCount)) {
        controls_[port] = static_cast<const float*>(data);
        return;
    }
    switch (port) {
        case kMainInLeftPort:
        case kMainInRightPort:
        case kSideInLeftPort:
        case kSideInRightPort:
            inputs_[port - kMainInLeftPort] = static_cast<const float*>(data);
            break;
        case kOutLeftPort:
        case kOutRightPort:
            outputs_[port - kOutLeftPort] = static_cast<float*>(data);
            break;
        case kControlPort:
            control_ = static_cast<const LV2_Atom_Sequence*>(data);
            break;
        case kNotifyPort:
            notify_ = static_cast<LV2_Atom_Sequence*>(data);
            break;
        case kUiScalePort: // the UI's alone
        default:
            break;
    }
}

// Hands the processor the parameters whose ports changed since the last run. LFO Rate comes
// from the Hz port or the division port, whichever LFO Sync selects, and is handed over again
// when LFO Sync switches.
void CorvaneLv2::readControls() {
    bool changed[kControlPortCount] = {};
    for (int p = 0; p < kControlPortCount; ++p) {
        if (!controls_[p]) continue;
        const float value = *controls_[p];
        if (std::isnan(value)) continue;
        changed[p] = !controlsKnown_ || value != lastControls_[p];
        lastControls_[p] = value;
    }
    controlsKnown_ = true;
    for (int p = 0; p < kControlPortCount; ++p) {
        const ControlPortInfo& desc = *controlPort(static_cast<std::uint32_t>(p));
        if (changed[p] && desc.parameter != kLfoRate)
            processor_.setParameter(
                desc.parameter, presetValues_.toNormalised(units_, static_cast<std::uint32_t>(p),
                                                           lastControls_[p]));
    }
    const std::uint32_t ratePort = divisionRulesRate(lastControls_[kLfoSync])
                                       ? std::uint32_t{kLfoDivisionPort}
                                       : std::uint32_t{kLfoRate};
    if (changed[ratePort] || changed[kLfoSync])
        processor_.setParameter(
            kLfoRate, presetValues_.toNormalised(units_, ratePort, lastControls_[ratePort]));
}

// The side-chain ports are optional: the processor hears as many side-chain channels as the
// host connected.
void CorvaneLv2::updateLayout() {
    const int sidechains = (inputs_[2] ? 1 : 0) + (inputs_[3] ? 1 : 0);
    if (sidechains == sidechains_) return;
    sidechains_ = sidechains;
    processor_.setChannelLayout(2, 2, sidechains);
}

void CorvaneLv2::renderPiece(std::uint32_t begin, std::uint32_t end) {
    // MIDI of a zero-length run still reaches the gate, as a VST 2.4 host's events do.
    if (end > begin || midiCount_ > 0) {
        const float* in[CorvaneProcessor::kNumInputs];
        for (int c = 0; c < CorvaneProcessor::kNumInputs; ++c)
            in[c] = inputs_[c] ? inputs_[c] + begin : nullptr;
        float* out[CorvaneProcessor::kNumOutputs];
        bool allOutputs = true;
        for (int c = 0; c < CorvaneProcessor::kNumOutputs; ++c) {
            out[c] = outputs_[c] ? outputs_[c] + begin : nullptr;
            allOutputs = allOutputs && out[c];
        }
        for (int i = 0; i < midiCount_; ++i)
            midi_[i].frame -= static_cast<int>(begin);
        CorvaneProcessor::Block block;
        block.inputs = in;
        block.outputs = allOutputs ? out : nullptr;
        block.frames = static_cast<int>(end - begin);
        block.transport = transport_.current();
        block.midi = midi_;
        block.midiCount = midiCount_;
        processor_.process(block);
        transport_.advance(block.frames, processor_.sampleRate());
    }
    midiCount_ = 0;
}

void CorvaneLv2::run(std::uint32_t frames) {
    readControls();
    updateLayout();
    if (activatePending_) {
        // The first block after activation starts from the ports' values, settled, as a VST
        // 2.4 host's resume starts from the current program's.
        activatePending_ = false;
        processor_.activate();
    }
    std::uint32_t begin = 0;
    if (control_ && atoms_) {
        LV2_ATOM_SEQUENCE_FOREACH(control_, event) {
            const auto at = static_cast<std::uint32_t>(
                event->time.frames < 0 ? 0 : std::min<int64_t>(event->time.frames, frames));
            const LV2_Atom& body = event->body;
            if (body.type == uris_.midiEvent) {
                if (midiCount_ >= kMaxMidiEvents || body.size == 0) continue;
                CorvaneProcessor::MidiEvent& m = midi_[midiCount_++];
                m.frame = static_cast<int>(at < frames ? at : (frames ? frames - 1 : 0));
                const auto* bytes = reinterpret_cast<const unsigned char*>(&body + 1);
                for (std::uint32_t i = 0; i < 3; ++i)
                    m.data[i] = i < body.size ? bytes[i] : 0;
            } else if (transport_.isPosition(uris_.time, &body)) {
                const std::uint32_t split = at > begin ? at : begin;
                renderPiece(begin, split);
                begin = split;
                transport_.update(uris_.time, reinterpret_cast<const LV2_Atom_Object*>(&body));
            }
        }
    }
    renderPiece(begin, frames);
    writeDisplay();
}

// The envelope and LFO values the control ticks of this run added to the display sums, as one
// object for the UI, which turns them into graph entries on its own timer. The UI may live in
// another process, so it learns of them only through the port.
void CorvaneLv2::writeDisplay() {
    if (!notify_ || !atoms_) return;
    const std::uint32_t capacity = notify_->atom.size;
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(notify_), capacity);
    LV2_Atom_Forge_Frame sequence;
    if (!lv2_atom_forge_sequence_head(&forge_, &sequence, 0)) return;
    CCorvaneDisplaySums::snapshot now;
    if (processor_.displayHistory().sums().read(now)) {
        if (sentKnown_ && now.ticks != sent_.ticks) {
            const auto delta = [](std::uint64_t later, std::uint64_t earlier) {
                return static_cast<double>(static_cast<std::int64_t>(later - earlier)) /
                       CCorvaneDisplaySums::scale;
            };
            LV2_Atom_Forge_Frame object;
            if (lv2_atom_forge_frame_time(&forge_, 0) &&
                lv2_atom_forge_object(&forge_, &object, 0, uris_.display)) {
                lv2_atom_forge_key(&forge_, uris_.envelope);
                lv2_atom_forge_double(&forge_, delta(now.envelope, sent_.envelope));
                lv2_atom_forge_key(&forge_, uris_.lfo);
                lv2_atom_forge_double(&forge_, delta(now.lfo, sent_.lfo));
                lv2_atom_forge_key(&forge_, uris_.ticks);
                lv2_atom_forge_long(&forge_, static_cast<std::int64_t>(now.ticks - sent_.ticks));
                lv2_atom_forge_pop(&forge_, &object);
            }
        }
        sent_ = now;
        sentKnown_ = true;
    }
    lv2_atom_forge_pop(&forge_, &sequence);
}

CorvaneLv2* self(LV2_Handle instance) {
    return static_cast<CorvaneLv2*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    return CorvaneLv2::create(rate, features);
}

void connectPort(LV2_Handle instance, std::uint32_t port, void* data) {
    if (instance) self(instance)->connect(port, data);
}

void activate(LV2_Handle instance) {
    if (instance) self(instance)->activate();
}

void run(LV2_Handle instance, std::uint32_t frames) {
    if (instance) self(instance)->run(frames);
}

void deactivate(LV2_Handle instance) {
    if (instance) self(instance)->deactivate();
}

void cleanup(LV2_Handle instance) {
    delete self(instance);
}

const void* extensionData(const char*) {
    return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

} // namespace

const LV2_Descriptor* corvaneLv2Descriptor() {
    return &kDescriptor;
}
