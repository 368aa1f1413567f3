#include "host/CorvaneVstEditor.h"

#include "gui/cknob.h"

CorvaneVstEditor::CorvaneVstEditor(void* owner, CorvaneEditorView* view)
    : AEffGUIEditor(owner), editor_(view) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<VstInt16>(editor_.height());
    rect.right = static_cast<VstInt16>(editor_.width());
    setKnobMode(VSTGUI::kLinearMode);
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
