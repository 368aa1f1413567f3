// Event lists as hosts allocate them: longer than the two pointers the struct declares.

#include "corvane_test_host.h"

#include <vector>

namespace corvane::test {
namespace {

TEST(CorvaneEventList, EveryEventOfALongListIsRead) {
    TestHost host;
    auto plugin = host.make_plugin();
    constexpr int kNotes = 40;
    std::vector<VstMidiEvent> on, off;
    for (int i = 0; i < kNotes; ++i) {
        on.push_back(midi_event(0x90, 20 + i, 1 + i));
        off.push_back(midi_event(0x80, 20 + i, 0));
    }
    send_midi(*plugin, on);
    EXPECT_EQ(plugin->getHeldNoteCount(), kNotes);
    // The last note-on's velocity: the list was read to its end.
    EXPECT_FLOAT_EQ(plugin->getEngine().note_gate(), kNotes / 127.0f);
    off.pop_back();
    send_midi(*plugin, off);
    EXPECT_EQ(plugin->getHeldNoteCount(), 1);
    send_midi(*plugin, {midi_event(0x80, 20, 0)});
    EXPECT_EQ(plugin->getEngine().note_gate(), 0.0f);
}

TEST(CorvaneEventList, PointersRoundTripThroughTheListStorage) {
    constexpr VstInt32 kCount = 5;
    VstMidiEvent events[kCount] = {};
    std::vector<VstIntPtr> storage(vstEventsSize(kCount) / sizeof(VstIntPtr));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    EXPECT_EQ(vstEventsSize(0), sizeof(VstEvents));
    // Room for the three pointers beyond the two declared ones.
    EXPECT_EQ(vstEventsSize(kCount), sizeof(VstEvents) + 3 * sizeof(void*));
    for (VstInt32 i = 0; i < kCount; ++i)
        vstSetEventAt(list, i, reinterpret_cast<VstEvent*>(&events[i]));
    EXPECT_EQ(list->events[1], reinterpret_cast<VstEvent*>(&events[1]));
    for (VstInt32 i = 0; i < kCount; ++i)
        EXPECT_EQ(vstEventAt(list, i), reinterpret_cast<VstEvent*>(&events[i]));
}

} // namespace
} // namespace corvane::test
