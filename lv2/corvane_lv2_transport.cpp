#include "lv2/corvane_lv2_transport.h"

#include <lv2/atom/util.h>
#include <lv2/time/time.h>

#include <cmath>

namespace {

// A number atom of any of the four numeric types; false for anything else or a missing atom.
bool numberOf(const CorvaneLv2Transport::Uris& u, const LV2_Atom* atom, double& out) {
    if (!atom) return false;
    double v;
    if (atom->type == u.atomFloat && atom->size >= sizeof(float))
        v = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    else if (atom->type == u.atomDouble && atom->size >= sizeof(double))
        v = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    else if (atom->type == u.atomInt && atom->size >= sizeof(int32_t))
        v = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    else if (atom->type == u.atomLong && atom->size >= sizeof(int64_t))
        v = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    else
        return false;
    if (!std::isfinite(v)) return false;
    out = v;
    return true;
}

} // namespace

void CorvaneLv2Transport::Uris::map(LV2_URID_Map* m) {
    atomBlank = m->map(m->handle, LV2_ATOM__Blank);
    atomObject = m->map(m->handle, LV2_ATOM__Object);
    atomFloat = m->map(m->handle, LV2_ATOM__Float);
    atomDouble = m->map(m->handle, LV2_ATOM__Double);
    atomInt = m->map(m->handle, LV2_ATOM__Int);
    atomLong = m->map(m->handle, LV2_ATOM__Long);
    position = m->map(m->handle, LV2_TIME__Position);
    bar = m->map(m->handle, LV2_TIME__bar);
    barBeat = m->map(m->handle, LV2_TIME__barBeat);
    beat = m->map(m->handle, LV2_TIME__beat);
    beatUnit = m->map(m->handle, LV2_TIME__beatUnit);
    beatsPerBar = m->map(m->handle, LV2_TIME__beatsPerBar);
    beatsPerMinute = m->map(m->handle, LV2_TIME__beatsPerMinute);
    speed = m->map(m->handle, LV2_TIME__speed);
}

bool CorvaneLv2Transport::isPosition(const Uris& u, const LV2_Atom* atom) const {
    if (!atom || (atom->type != u.atomObject && atom->type != u.atomBlank)) return false;
    if (atom->size < sizeof(LV2_Atom_Object_Body)) return false;
    return reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == u.position;
}

void CorvaneLv2Transport::update(const Uris& u, const LV2_Atom_Object* object) {
    const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beat = nullptr, *beatUnit = nullptr,
                   *beatsPerBar = nullptr, *bpm = nullptr, *speed = nullptr;
    lv2_atom_object_get(object, u.bar, &bar, u.barBeat, &barBeat, u.beat, &beat, u.beatUnit,
                        &beatUnit, u.beatsPerBar, &beatsPerBar, u.beatsPerMinute, &bpm, u.speed,
                        &speed, 0);
    double v = 0.0;
    if (numberOf(u, beatUnit, v) && v >= 1.0 && v <= 256.0) {
        transport_.denominator = static_cast<int>(v);
        transport_.signatureValid = true;
    }
    if (numberOf(u, beatsPerBar, v) && v >= 1.0 && v <= 256.0)
        transport_.numerator = static_cast<int>(v);
    if (numberOf(u, speed, v)) speed_ = v;
    transport_.playing = speed_ != 0.0;
    if (numberOf(u, bpm, v) && v >= 0.0) {
        transport_.tempoBpm = v;
        transport_.tempoValid = true;
    }

    // Beats of time:beatUnit from the song's start: time:beat, or the bar and the beat in it.
    const double quartersPerBeat = 4.0 / transport_.denominator;
    double beats = 0.0, barNumber = 0.0, beatInBar = 0.0;
    const bool haveBar = numberOf(u, bar, barNumber) && numberOf(u, barBeat, beatInBar);
    if (numberOf(u, beat, beats) || haveBar) {
        if (!beat) beats = barNumber * transport_.numerator + beatInBar;
        transport_.positionPpq = beats * quartersPerBeat;
        transport_.positionValid = true;
    }
    if (haveBar) {
        transport_.barStartPpq = barNumber * transport_.numerator * quartersPerBeat;
        transport_.barValid = true;
    }
    known_ = transport_.tempoValid && transport_.positionValid;
}

void CorvaneLv2Transport::advance(int frames, double sampleRate) {
    if (!known_ || frames <= 0 || !(sampleRate > 0.0)) return;
    // In the order a VST 2.4 host counts its quarter notes, so both editions see the same
    // positions at normal speed in 4/4.
    const double quarters =
        frames / sampleRate * transport_.tempoBpm / 60.0 * speed_ * (4.0 / transport_.denominator);
    if (!std::isfinite(quarters)) return;
    transport_.positionPpq += quarters;
    const double quartersPerBar = transport_.numerator * 4.0 / transport_.denominator;
    if (transport_.barValid && transport_.positionPpq >= transport_.barStartPpq + quartersPerBar)
        transport_.barStartPpq =
            std::floor(transport_.positionPpq / quartersPerBar) * quartersPerBar;
}
