#pragma once

#include "clap/clap_ext.h"
#include "params/CorvaneParameters.h"
#include "processor/CorvaneProcessor.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CorvaneEditor;

namespace corvane::clap {

// The plug-in's identity as the factory and the preset provider publish it.
extern const clap_plugin_descriptor kDescriptor;

// One CLAP instance of Corvane: translates the host's calls and events into calls of the
// format-neutral processor, and the editor's gestures into CLAP events.
//
// Lifecycle: created by the factory, init, then any number of activate .. deactivate spans
// (each with start_processing .. stop_processing spans inside), then destroy, which deactivates
// first when the host did not. Calls out of that order are refused, not obeyed.
//
// Threads. The main thread makes every call except start_processing, stop_processing, reset and
// process (the audio thread), and get_extension (any). Where the host offers its thread check,
// calls on the wrong thread are refused. The audio thread owns the modulation offsets and the
// time information of the block; the host's parameter values live in baseValues_, relaxed
// atomics written by whichever thread applies a host change or an editor edit. The editor's
// edits reach the host as events: gesture begins and ends through a single-producer ring, values
// through one dirty bit per parameter (latest value wins), both emptied by process or, while
// the plug-in does not process, by flush. The ring's producer is the main thread (the editor);
// its consumer is whichever of process and flush the host calls, never both at once.
//
// Values. A parameter's CLAP value is its value in its own unit (Hz, dB, percent, step), and
// for LFO Rate, whose unit changes with LFO Sync, the normalised position. Modulation offsets
// are added in the same units on the audio thread only; what the host reads back, what is saved
// and what the editor edits is the unmodulated value.
class CorvaneClap final : private CorvaneGestureListener {
public:
    explicit CorvaneClap(const clap_host* host);
    ~CorvaneClap() override;
    CorvaneClap(const CorvaneClap&) = delete;
    CorvaneClap& operator=(const CorvaneClap&) = delete;

    const clap_plugin* plugin() const { return &plugin_; }
    static CorvaneClap* from(const clap_plugin* plugin);

    bool init();
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process* process);
    const void* extension(const char* id) const;

    // Parameters: the index is the id.
    bool paramInfo(std::uint32_t index, clap_param_info* info) const;
    bool paramValue(clap_id id, double* value) const;
    bool valueToText(clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool textToValue(clap_id id, const char* text, double* value) const;
    void flush(const clap_input_events* in, const clap_output_events* out);

    bool saveState(const clap_ostream* stream);
    bool loadState(const clap_istream* stream);
    bool loadPreset(std::uint32_t kind, const char* location, const char* key);

    bool guiCreate(const char* api, bool floating);
    // The host's scale (before or after the window opens); the size follows it.
    bool guiSetScale(double scale);
    bool guiSize(std::uint32_t& width, std::uint32_t& height) const;
    void guiDestroy();
    bool guiSetParent(const clap_window* window);
    bool guiShow();
    bool guiHide();
    void onTimer(clap_id timer);
    void onFd(int fd, std::uint32_t flags);

private:
    enum class State { Created, Inactive, Active, Processing };

    // One editor gesture for the host.
    struct Gesture {
        std::uint16_t type; // CLAP_EVENT_PARAM_GESTURE_BEGIN or _END
        std::uint16_t index;
    };
    static constexpr std::uint32_t kGestureRing = 256; // a power of two

    // The editor's gestures (user-interface thread), queued for the host.
    void gestureBegin(int index) override;
    void gestureValue(int index, float normalised) override;
    void gestureEnd(int index) override;
    // The editor's program browser switched programs: the values the host sees and saves follow.
    void programSelected(int program) override;
    void queueGesture(std::uint16_t type, int index);

    // A lifecycle step: from one state to the next, on the thread the step belongs to.
    bool transition(State from, State to, bool rightThread);
    bool onMainThread() const;
    bool onAudioThread() const;

    // Host values and conversions.
    float toNormalised(int index, double value) const;
    double toClapValue(int index, float normalised) const;
    // The normalised value a parameter takes: the host's value plus its modulation.
    float effectiveValue(int index) const;
    void refreshBaseValues();
    void tellHostValuesChanged() const;

    // Events: translated into the pending block's lists; false when the lists are full.
    bool addEvent(const clap_event_header* event, int frame);
    bool addMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    bool addNote(const clap_event_header* event, int frame);
    void setTransport(const clap_event_transport* transport);
    // Renders frames [begin, end) of the host's block with the events gathered so far.
    void renderSegment(const clap_process* process, std::uint32_t begin, std::uint32_t end);
    void emitEdits(const clap_output_events* out);
    // Flush: the gathered changes to the processor at once.
    void applyFlushed();

    clap_plugin plugin_{};
    const clap_host* host_ = nullptr;
    const clap_host_thread_check* threadCheck_ = nullptr;
    const clap_host_params* hostParams_ = nullptr;
    const clap_host_state* hostState_ = nullptr;
    const clap_host_timer_support* hostTimer_ = nullptr;
    const clap_host_posix_fd_support* hostFd_ = nullptr;
    const clap_host_gui* hostGui_ = nullptr;
    const clap_host_preset_load* hostPresetLoad_ = nullptr;

    std::unique_ptr<CorvaneProcessor> processor_;
    std::unique_ptr<CorvaneEditor> editor_;
    // Main thread: the editor's scale as the user chose it (0: automatic), kept with the state
    // and carried across the editor's lives.
    double userScale_ = 0.0;
    double userScale() const;
    // Read by the editor's thread too, to know whether process will hand its edits over.
    std::atomic<State> state_{State::Created};

    std::atomic<float> baseValues_[kNumParams];
    // Audio thread: the modulation offset of each parameter, in its CLAP units.
    double modulation_[kNumParams] = {};

    // Audio thread: the block being gathered for the processor.
    static constexpr int kMaxEvents = 256;
    CorvaneProcessor::Transport transport_{};
    bool transportValid_ = false;
    CorvaneProcessor::ParameterEvent changes_[kMaxEvents];
    int changeCount_ = 0;
    CorvaneProcessor::MidiEvent midi_[kMaxEvents];
    int midiCount_ = 0;
    int sidechains_ = -1; // what the processor's layout says, -1 before the first block

    Gesture gestures_[kGestureRing] = {};
    std::atomic<std::uint32_t> gestureWrite_{0};
    std::atomic<std::uint32_t> gestureRead_{0};
    std::atomic<std::uint32_t> editedValues_{0};

    bool guiCreated_ = false;
    bool guiOpen_ = false;
    clap_id timerId_ = CLAP_INVALID_ID;
    int fd_ = -1; // the editor window's connection, while the host watches it
    unsigned long parentWindow_ = 0;
};

} // namespace corvane::clap
