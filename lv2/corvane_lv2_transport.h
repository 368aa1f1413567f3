#pragma once

#include "processor/CorvaneProcessor.h"

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

// The host's musical time as LV2 hosts send it: a time:Position object on the control port
// whenever the transport changes (some hosts every cycle), and nothing in between, so the plug-in
// runs the position on by itself at the transport's speed and tempo. Before the first position
// there is no time information at all and the processor's LFO runs free, as in a VST 2.4 host
// that answers no time requests.
//
// Positions reach the processor in quarter notes (time:beat counts time:beatUnit notes) with the
// tempo as the host states it and the beat unit as the time signature's denominator: the VST 2.4
// edition's tempo sync reads the same three numbers.
//
// Audio thread only.
class CorvaneLv2Transport {
public:
    struct Uris {
        LV2_URID atomBlank, atomObject, atomFloat, atomDouble, atomInt, atomLong;
        LV2_URID position, bar, barBeat, beat, beatUnit, beatsPerBar, beatsPerMinute, speed;
        void map(LV2_URID_Map* map);
    };

    // True for an atom object of type time:Position.
    bool isPosition(const Uris& uris, const LV2_Atom* atom) const;
    // Takes what a time:Position object states; fields it leaves out keep their last values.
    void update(const Uris& uris, const LV2_Atom_Object* position);
    // The position frames later at the transport's speed.
    void advance(int frames, double sampleRate);
    // What the processor reads at a block's first frame; null while the host has sent no
    // position with a tempo.
    const CorvaneProcessor::Transport* current() const { return known_ ? &transport_ : nullptr; }
    void forget() { known_ = false; }

private:
    CorvaneProcessor::Transport transport_;
    double speed_ = 0.0;
    bool known_ = false;
};
