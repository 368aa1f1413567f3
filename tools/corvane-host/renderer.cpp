#include "tools/corvane-host/renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane::tools {

namespace {

struct TimedNote {
    size_t frame;
    bool on;
    int key;
    int velocity;
};

std::vector<TimedNote> schedule(const std::vector<PlannedNote>& notes, double rate) {
    std::vector<TimedNote> timed;
    for (const PlannedNote& n : notes) {
        const size_t on = frame_at(n.start, rate);
        const size_t off = std::max(on + 1, frame_at(n.start + n.length, rate));
        timed.push_back({on, true, n.key, n.velocity});
        timed.push_back({off, false, n.key, 0});
    }
    // A note-off that meets a note-on of the same key on one frame must not end the new note.
    std::stable_sort(timed.begin(), timed.end(), [](const TimedNote& a, const TimedNote& b) {
        return a.frame != b.frame ? a.frame < b.frame : (!a.on && b.on);
    });
    return timed;
}

MidiMessage message_of(const TimedNote& note, size_t block_start) {
    MidiMessage m;
    m.frame = static_cast<int32_t>(note.frame - block_start);
    m.bytes[0] = note.on ? 0x90 : 0x80;
    m.bytes[1] = static_cast<uint8_t>(note.key & 0x7f);
    m.bytes[2] = static_cast<uint8_t>(note.on ? note.velocity & 0x7f : 0x40);
    return m;
}

// Block-sized arrays, one per channel, and pointers into them.
struct Channels {
    std::vector<std::vector<float>> data;
    std::vector<float*> at;
    Channels(size_t count, size_t frames) : data(count, std::vector<float>(frames)) {
        for (auto& d : data)
            at.push_back(d.data());
    }
    void clear_from(size_t frame) {
        for (auto& d : data)
            std::fill(d.begin() + static_cast<std::ptrdiff_t>(frame), d.end(), 0.0f);
    }
    // Pointers to the frames from offset on.
    float** from(size_t offset, std::vector<float*>& out) {
        for (size_t c = 0; c < data.size(); ++c)
            out[c] = data[c].data() + offset;
        return out.data();
    }
};

// Reads n frames of a source into buffer (silence past its end); the frames it gave.
size_t pull(AudioSource* source, bool& ended, Channels& buffer, size_t n) {
    size_t got = 0;
    if (source && !ended) {
        got = source->read(buffer.at.data(), n);
        if (got < n) ended = true;
    }
    buffer.clear_from(got);
    return got;
}

// The pins' signal for one block: pin 0/1 from the main source, 2/3 from the side-chain; a mono
// source feeds both pins of its pair; a plug-in with one input gets a stereo source mixed down.
void fill_pins(const Channels& main, int main_channels, const Channels& side, int side_channels,
               Channels& pins, size_t n) {
    const size_t count = pins.data.size();
    for (size_t pin = 0; pin < count; ++pin) {
        float* out = pins.data[pin].data();
        const Channels* source = pin < 2 ? &main : (pin < 4 ? &side : nullptr);
        const int channels = pin < 2 ? main_channels : side_channels;
        if (!source || channels == 0) {
            std::fill(out, out + n, 0.0f);
            continue;
        }
        if (count == 1 && channels == 2) {
            for (size_t i = 0; i < n; ++i)
                out[i] = 0.5f * (source->data[0][i] + source->data[1][i]);
            continue;
        }
        const size_t channel = std::min<size_t>(pin % 2, static_cast<size_t>(channels - 1));
        std::copy_n(source->data[channel].data(), n, out);
    }
}

} // namespace

size_t frame_at(double seconds, double rate) {
    return seconds <= 0.0 ? 0 : static_cast<size_t>(std::llround(seconds * rate));
}

size_t notes_end_frame(const std::vector<PlannedNote>& notes, double sample_rate) {
    size_t end = 0;
    for (const TimedNote& n : schedule(notes, sample_rate))
        end = std::max(end, n.frame + 1);
    return end;
}

bool render_audio(PluginInstance& plugin, const RenderInput& input, const RenderSink& sink,
                  RenderStats& stats, const RenderProgress& progress, std::string& error) {
    const int ins = std::max(plugin.num_inputs(), 0);
    const int outs = plugin.num_outputs();
    if (outs < 1) {
        error = "the plug-in has no outputs";
        return false;
    }
    if (input.block < 1 || !(input.sample_rate > 0.0)) {
        error = "block size and sample rate must be positive";
        return false;
    }
    const size_t block = static_cast<size_t>(input.block);
    const int main_channels = input.main ? input.main->channel_count() : 0;
    const int side_channels = input.sidechain ? input.sidechain->channel_count() : 0;
    Channels main(static_cast<size_t>(main_channels), block);
    Channels side(static_cast<size_t>(side_channels), block);
    Channels pins(static_cast<size_t>(ins), block);
    Channels out(static_cast<size_t>(outs), block);
    std::vector<float*> in_offset(pins.at.size()), out_offset(out.at.size());
    for (int pin = 0; pin < ins; ++pin) {
        const bool carried =
            pin < 2 ? pin < main_channels : (pin < 4 ? pin - 2 < side_channels : false);
        plugin.set_input_connected(pin, carried);
    }
    for (int pin = 0; pin < outs; ++pin)
        plugin.set_output_connected(pin, true);

    const std::vector<TimedNote> notes = schedule(input.notes, input.sample_rate);
    const size_t notes_end = notes.empty() ? 0 : notes.back().frame + 1;
    std::vector<MidiMessage> messages(notes.size());
    plugin.reserve_midi(notes.size());
    size_t next_note = 0;
    std::vector<AutomationEvent> automation = input.automation;
    std::stable_sort(
        automation.begin(), automation.end(),
        [](const AutomationEvent& a, const AutomationEvent& b) { return a.frame < b.frame; });
    size_t next_change = 0;

    // The end is known once the main input has ended (at once when there is none).
    constexpr size_t kUnknown = std::numeric_limits<size_t>::max();
    size_t end = input.main ? kUnknown : notes_end + input.tail_frames;
    const size_t expected =
        input.main ? std::max(input.main->expected_frames(), notes_end) + input.tail_frames : end;
    bool main_ended = input.main == nullptr, side_ended = input.sidechain == nullptr;

    stats = RenderStats{};
    plugin.suspend();
    plugin.set_sample_rate(input.sample_rate);
    plugin.set_block_size(input.block);
    plugin.transport().sample_pos = 0.0;
    plugin.transport().ppq_pos = 0.0;
    plugin.resume();
    bool ok = true;
    for (size_t pos = 0;;) {
        size_t n = end == kUnknown ? block : std::min(block, end - pos);
        if (n == 0) break;
        const bool was_playing = !main_ended;
        const size_t got = pull(input.main, main_ended, main, n);
        if (was_playing && main_ended) {
            end = std::max(pos + got, notes_end) + input.tail_frames;
            n = std::min(n, end - pos);
            if (n == 0) break;
        }
        pull(input.sidechain, side_ended, side, n);
        fill_pins(main, main_channels, side, side_channels, pins, n);

        out.clear_from(0);
        // Split where the automation changes something, so each change lands on its frame.
        for (size_t done = 0; done < n;) {
            while (next_change < automation.size() && automation[next_change].frame <= pos + done) {
                const AutomationEvent& change = automation[next_change++];
                if (change.parameter >= 0)
                    plugin.set_parameter(change.parameter, change.value);
                else
                    plugin.set_program(change.program);
            }
            size_t stop = n;
            if (next_change < automation.size() && automation[next_change].frame < pos + n)
                stop = automation[next_change].frame - pos;
            size_t count = 0;
            while (next_note < notes.size() && notes[next_note].frame < pos + stop)
                messages[count++] = message_of(notes[next_note++], pos + done);
            if (count > 0) plugin.send_midi(messages.data(), count);
            plugin.process(ins > 0 ? pins.from(done, in_offset) : nullptr,
                           out.from(done, out_offset), static_cast<int>(stop - done));
            done = stop;
        }
        for (float* channel : out.at)
            for (size_t i = 0; i < n; ++i)
                if (!std::isfinite(channel[i])) {
                    channel[i] = 0.0f;
                    ++stats.non_finite;
                }
        if (!sink(out.at.data(), n, error)) {
            ok = false;
            break;
        }
        pos += n;
        stats.frames = pos;
        if (progress && !progress(pos, std::max(expected, pos))) {
            stats.stopped = true;
            break;
        }
    }
    plugin.suspend();
    return ok;
}

} // namespace corvane::tools
