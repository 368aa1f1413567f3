#include "gui/aeffguieditor.h"

#include "gui/cframe.h"
#include "gui/cknob.h"
#include "vst/audio_effect_x.h"

VstInt32 AEffGUIEditor::knobMode = VSTGUI::kCircularMode;

AEffGUIEditor::AEffGUIEditor(void* owner) : AEffEditor(static_cast<AudioEffect*>(owner)) {
    if (effect != nullptr) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() {
    // A subclass closes its window before this runs; release a frame it left behind.
    if (frame != nullptr) {
        VSTGUI::CFrame* f = frame;
        frame = nullptr;
        f->forget();
    }
}

bool AEffGUIEditor::getRect(ERect** ppRect) {
    if (ppRect == nullptr) return false;
    *ppRect = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    AEffEditor::open(ptr);
    return true;
}

void AEffGUIEditor::close() {
    AEffEditor::close();
}

void AEffGUIEditor::idle() {
    // A frame's idle may end up here again (a host calling idle from a callback): ignore that.
    if (inIdle) return;
    inIdle = true;
    AEffEditor::idle();
    if (frame != nullptr) frame->idle();
    inIdle = false;
}

bool AEffGUIEditor::setKnobMode(VstInt32 val) {
    knobMode = val;
    return true;
}

void AEffGUIEditor::beginEdit(int32_t index) {
    if (auto* fx = dynamic_cast<AudioEffectX*>(effect)) fx->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) {
    if (auto* fx = dynamic_cast<AudioEffectX*>(effect)) fx->endEdit(index);
}

void AEffGUIEditor::setParameter(VstInt32, float) {}
