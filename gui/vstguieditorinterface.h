#pragma once

#include "gui/ckeycode.h"

#include <cstdint>

namespace VSTGUI {

class CFrame;

// What a frame needs of the editor that owns it: the knob mode and the edit gestures, which the
// editor passes on to the host with the control's tag as the parameter index.
class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;

    virtual void doIdleStuff() {}
    virtual int32_t getKnobMode() const { return -1; }
    virtual void beginEdit(int32_t /*index*/) {}
    virtual void endEdit(int32_t /*index*/) {}
    // A key no view used; true when the editor used it.
    virtual bool onKeyDown(CKeyCode& /*key*/) { return false; }
    virtual CFrame* getFrame() const { return frame; }

protected:
    CFrame* frame = nullptr;
};

} // namespace VSTGUI
