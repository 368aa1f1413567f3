#pragma once

#include "editor/corvaneeditor.h"
#include "gui/aeffguieditor.h"

class CorvaneEditorView;

// The VST 2.4 binding of the editor: registers with its plug-in (which then owns it and reports
// effFlagsHasEditor), answers the host's rectangle, open, close, idle and knob-mode requests by
// passing them to the format-neutral CorvaneEditor. The rectangle is the editor's size at its
// scale; when the user picks another scale in the editor, the host is asked to resize its window
// (sizeWindow). VST 2.4 keeps no user-interface state, so that choice lasts as long as the plug-in
// instance. User-interface thread only.
class CorvaneVstEditor : public AEffGUIEditor {
public:
    // owner: the plug-in (an AudioEffectX); view: its processor's editor view. Both outlive this.
    CorvaneVstEditor(void* owner, CorvaneEditorView* view);
    ~CorvaneVstEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    bool isOpen() override { return editor_.isOpen(); }
    void idle() override;
    bool setKnobMode(VstInt32 mode) override;

    CorvaneEditor& editor() { return editor_; }

private:
    void updateRect();

    CorvaneEditor editor_;
};
