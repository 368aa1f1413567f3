#pragma once

#include "gui/vstguieditorinterface.h"
#include "vst/aeff_editor.h"

// The binding of a toolkit frame to a VST 2.4 editor. It registers itself with its plug-in on
// construction (the plug-in then owns it and reports effFlagsHasEditor), holds the editor
// rectangle the host asks for, runs the frame from the host's idle calls and passes the controls'
// edit gestures to the host through the plug-in. A subclass builds its frame in open() on the
// parent window given there (an X11 window id) and stores it in `frame`; close() must release it.
// User-interface thread only.
class AEffGUIEditor : public AEffEditor, public VSTGUI::VSTGUIEditorInterface {
public:
    // effect: the AudioEffect (normally an AudioEffectX) the editor belongs to; may be null.
    explicit AEffGUIEditor(void* effect);
    ~AEffGUIEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* ptr) override;
    void close() override;
    void idle() override;
    // The knob mode is shared by every editor of the process, as hosts expect of the request.
    bool setKnobMode(VstInt32 val) override;
    int32_t getKnobMode() const override { return knobMode; }

    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;

    // Called by the plug-in after each parameter change; the default does nothing.
    virtual void setParameter(VstInt32 index, float value);

    static VstInt32 knobMode;

protected:
    ERect rect{};

private:
    bool inIdle = false;
};
