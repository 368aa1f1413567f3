#pragma once

#include "vst/vst_abi.h"

class AudioEffect;

// Base of a plug-in's editor. The host reaches it only through the plug-in's dispatcher
// (effEditGetRect, effEditOpen, ...); the plug-in that owns it (see AudioEffect::setEditor)
// deletes it. Runs on the host's user-interface thread.
class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* owner = nullptr) : effect(owner) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect; }
    // Writes the address of the editor's rectangle, which must stay valid while the editor lives.
    virtual bool getRect(ERect** rect);
    // ptr is the host's parent window (an X11 Window id on Linux).
    virtual bool open(void* ptr);
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}

    virtual bool onKeyDown(VstKeyCode& keyCode);
    virtual bool onKeyUp(VstKeyCode& keyCode);
    virtual bool onWheel(float distance);
    virtual bool setKnobMode(VstInt32 val);

protected:
    AudioEffect* effect = nullptr;
    void* systemWindow = nullptr;
};
