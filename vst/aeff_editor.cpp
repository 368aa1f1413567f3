#include "vst/aeff_editor.h"

bool AEffEditor::getRect(ERect** rect) {
    if (rect) *rect = nullptr;
    return false;
}

// The base has no window of its own; it only remembers the parent, and reports failure so a
// host never shows an empty frame.
bool AEffEditor::open(void* ptr) {
    systemWindow = ptr;
    return false;
}

bool AEffEditor::onKeyDown(VstKeyCode&) {
    return false;
}
bool AEffEditor::onKeyUp(VstKeyCode&) {
    return false;
}
bool AEffEditor::onWheel(float) {
    return false;
}
bool AEffEditor::setKnobMode(VstInt32) {
    return false;
}
