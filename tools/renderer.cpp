#include "tools/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane::tools {

namespace {

struct TimedNote {
    size_t frame;
    bool on;
    int key;
    int velocity;
};

size_t to_frame(double seconds, double rate) {
    return seconds <= 0.0 ? 0 : static_cast<size_t>(std::llround(seconds * rate));
}

std::vector<TimedNote> schedule(const std::vector<NoteSpec>& notes, double rate) {
    std::vector<TimedNote> timed;
    for (const NoteSpec& n : notes) {
        const size_t on = to_frame(n.start, rate);
        const size_t off = std::max(on + 1, to_frame(n.start + n.length, rate));
        timed.push_back({on, true, n.key, n.velocity});
        timed.push_back({off, false, n.key, 0});
    }
    // A note-off that meets a note-on of the same key on one frame must not end the new note.
    std::stable_sort(timed.begin(), timed.end(), [](const TimedNote& a, const TimedNote& b) {
        return a.frame != b.frame ? a.frame < b.frame : (!a.on && b.on);
    });
    return timed;
}

// The per-block MIDI list: storage for every event of the render, made before it starts.
class EventList {
public:
    explicit EventList(size_t capacity)
        : midi_(capacity), storage_(sizeof(VstEvents) + capacity * sizeof(VstEvent*)) {}

    VstEvents* events() { return reinterpret_cast<VstEvents*>(storage_.data()); }
    void clear() { events()->numEvents = 0; }
    void add(const TimedNote& note, VstInt32 delta) {
        VstEvents* list = events();
        VstMidiEvent& e = midi_[used_++];
        std::memset(&e, 0, sizeof e);
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = delta;
        e.flags = kVstMidiEventIsRealtime;
        e.midiData[0] = static_cast<char>(note.on ? 0x90 : 0x80);
        e.midiData[1] = static_cast<char>(note.key & 0x7f);
        e.midiData[2] = static_cast<char>(note.on ? note.velocity & 0x7f : 0x40);
        vstSetEventAt(list, list->numEvents++, reinterpret_cast<VstEvent*>(&e));
    }

private:
    std::vector<VstMidiEvent> midi_;
    std::vector<char> storage_;
    size_t used_ = 0;
};

float sample_of(const AudioBuffer* source, int channel, size_t frame) {
    if (!source || frame >= source->frames()) return 0.0f;
    return source
        ->channels[static_cast<size_t>(std::min(channel, source->channel_count() - 1))][frame];
}

// Fills input pin pin for frames [start, start + n).
void fill_input(const RenderInput& in, VstInt32 pin, VstInt32 pins, size_t start, VstInt32 n,
                float* out) {
    const AudioBuffer* source = pin < 2 ? in.main : (pin < 4 ? in.sidechain : nullptr);
    const int channel = pin % 2;
    // A plug-in with one input gets a stereo source mixed down.
    const bool mix_down = pins == 1 && source && source->channel_count() == 2;
    for (VstInt32 i = 0; i < n; ++i) {
        const size_t frame = start + static_cast<size_t>(i);
        out[i] = mix_down ? 0.5f * (sample_of(source, 0, frame) + sample_of(source, 1, frame))
                          : sample_of(source, channel, frame);
    }
}

int channels_of(const AudioBuffer* source) {
    return source ? source->channel_count() : 0;
}

} // namespace

size_t notes_end_frame(const std::vector<NoteSpec>& notes, double sample_rate) {
    size_t end = 0;
    for (const TimedNote& n : schedule(notes, sample_rate))
        end = std::max(end, n.frame + 1);
    return end;
}

bool render_audio(HostedPlugin& plugin, const RenderInput& input, AudioBuffer& output,
                  RenderStats& stats, const RenderProgress& progress, std::string& error) {
    const VstInt32 ins = std::max(plugin.num_inputs(), 0);
    const VstInt32 outs = plugin.num_outputs();
    if (outs < 1) {
        error = "the plug-in has no outputs";
        return false;
    }
    if (input.block < 1 || !(input.sample_rate > 0.0)) {
        error = "block size and sample rate must be positive";
        return false;
    }
    const VstInt32 block = input.block;
    std::vector<std::vector<float>> in_buffers(static_cast<size_t>(ins),
                                               std::vector<float>(static_cast<size_t>(block)));
    std::vector<std::vector<float>> out_buffers(static_cast<size_t>(outs),
                                                std::vector<float>(static_cast<size_t>(block)));
    std::vector<float*> in_ptrs, out_ptrs;
    for (auto& b : in_buffers)
        in_ptrs.push_back(b.data());
    for (auto& b : out_buffers)
        out_ptrs.push_back(b.data());

    const int main_channels = channels_of(input.main);
    const int side_channels = channels_of(input.sidechain);
    for (VstInt32 pin = 0; pin < ins; ++pin) {
        const bool carried =
            pin < 2 ? pin < main_channels : (pin < 4 ? pin - 2 < side_channels : false);
        plugin.set_input_connected(pin, carried);
    }
    for (VstInt32 pin = 0; pin < outs; ++pin)
        plugin.set_output_connected(pin, true);

    const std::vector<TimedNote> notes = schedule(input.notes, input.sample_rate);
    EventList events(notes.size());
    size_t next_note = 0;

    output = AudioBuffer{};
    output.sample_rate = input.sample_rate;
    output.resize(outs, input.frames);
    stats = RenderStats{};

    plugin.suspend();
    plugin.set_sample_rate(input.sample_rate);
    plugin.set_block_size(block);
    plugin.transport().sample_pos = 0.0;
    plugin.transport().ppq_pos = 0.0;
    plugin.resume();
    for (size_t pos = 0; pos < input.frames;) {
        const VstInt32 n =
            static_cast<VstInt32>(std::min(static_cast<size_t>(block), input.frames - pos));
        for (VstInt32 pin = 0; pin < ins; ++pin)
            fill_input(input, pin, ins, pos, n, in_ptrs[static_cast<size_t>(pin)]);
        for (auto& b : out_buffers)
            std::fill(b.begin(), b.end(), 0.0f);

        events.clear();
        while (next_note < notes.size() && notes[next_note].frame < pos + static_cast<size_t>(n)) {
            events.add(notes[next_note], static_cast<VstInt32>(notes[next_note].frame - pos));
            ++next_note;
        }
        if (events.events()->numEvents > 0) plugin.process_events(events.events());

        plugin.process(ins > 0 ? in_ptrs.data() : nullptr, out_ptrs.data(), n);
        for (VstInt32 c = 0; c < outs; ++c) {
            float* to = output.channels[static_cast<size_t>(c)].data() + pos;
            const float* from = out_ptrs[static_cast<size_t>(c)];
            for (VstInt32 i = 0; i < n; ++i) {
                const bool finite = std::isfinite(from[i]);
                to[i] = finite ? from[i] : 0.0f;
                if (!finite) ++stats.non_finite;
            }
        }
        pos += static_cast<size_t>(n);
        if (progress && !progress(pos, input.frames)) {
            stats.stopped = true;
            break;
        }
    }
    plugin.suspend();
    return true;
}

} // namespace corvane::tools
