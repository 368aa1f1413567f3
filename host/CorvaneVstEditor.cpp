#include "host/CorvaneVstEditor.h"

#include "gui/cknob.h"
#include "vst/audio_effect_x.h"

CorvaneVstEditor::CorvaneVstEditor(void* owner, CorvaneEditorView* view)
    : AEffGUIEditor(owner), editor_(view) {
    rect.top = 0;
    rect.left = 0;
    setKnobMode(VSTGUI::kLinearMode);
    editor_.setScaleListener([this](double) {
        updateRect();
        if (auto* plugin = static_cast<AudioEffectX*>(effect))
            plugin->sizeWindow(rect.right, rect.bottom);
    });
}

void CorvaneVstEditor::updateRect() {
    rect.bottom = static_cast<VstInt16>(editor_.height());
    rect.right = static_cast<VstInt16>(editor_.width());
}

bool CorvaneVstEditor::getRect(ERect** r) {
    // The scale may have changed since the last question (the host's hint, the desktop's).
    updateRect();
    return AEffGUIEditor::getRect(r);
}

CorvaneVstEditor::~CorvaneVstEditor() {
    // A host may drop the plug-in with its window still open.
    editor_.close();
}

bool CorvaneVstEditor::open(void* parent) {
    // The knob mode is the process's, as a host set it through any instance.
    editor_.setKnobMode(knobMode);
    if (!editor_.open(parent)) return false;
    AEffGUIEditor::open(parent);
    return true;
}

void CorvaneVstEditor::close() {
    editor_.close();
    AEffGUIEditor::close();
}

void CorvaneVstEditor::idle() {
    AEffGUIEditor::idle();
    editor_.idle();
}

bool CorvaneVstEditor::setKnobMode(VstInt32 mode) {
    AEffGUIEditor::setKnobMode(mode);
    editor_.setKnobMode(mode);
    return true;
}
