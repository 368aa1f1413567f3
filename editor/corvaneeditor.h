#pragma once

#include "editor/corvane_parameter_mailbox.h"
#include "gui/aeffguieditor.h"
#include "gui/cbaseobject.h"
#include "gui/ccolor.h"
#include "gui/ccontrollistener.h"
#include "params/CorvaneParameters.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>

class AudioEffectX;
class CCorvaneEngine;
class CCorvaneEnvView;
class CCorvaneLFOView;
class CVovizuduResource;

namespace VSTGUI {
class CBitmap;
class CControl;
class CVSTGUITimer;
} // namespace VSTGUI

// The plug-in's editor: a fixed window drawn from the module's bitmaps, one control per
// parameter (its tag is the parameter index; LFO Trigger has none), knobs that show their
// parameter's read-out while hovered, and the envelope and LFO graphs, moved by a 30 ms timer.
// The user's edits go to the plug-in as automated parameter changes; the plug-in reports every
// change back through setParameter, which moves the control.
//
// The editor object lives as long as its plug-in (which deletes it); the window and its views
// exist only between open and close. Fonts and the background bitmap live with the editor.
//
// Threads: everything runs on the host's user-interface thread except setParameter, which the
// plug-in calls from whichever thread changed the parameter (automation, program changes, the
// audio thread). setParameter only posts the value to a lock-free mailbox; the user-interface
// thread applies what is waiting on idle (and right after the user's own edits), so controls and
// knob texts are only ever touched there.
//
// What it needs of its plug-in is the AudioEffectX side (getParameter, setParameterAutomated,
// beginEdit / endEdit, getParameterDisplay / getParameterLabel) and the engine's display, so a
// test can put any AudioEffectX and engine behind it.
class CorvaneEditor : public AEffGUIEditor,
                      public VSTGUI::CControlListener,
                      public VSTGUI::CBaseObject {
public:
    static constexpr int32_t kTimerPeriodMs = 30;
    static constexpr VSTGUI::CColor kFrameColor{127, 127, 127, 255};

    // owner: the plug-in the editor attaches itself to (null: an editor that changes nothing).
    // displayEngine: whose display histories the graphs show and whose display poll the timer runs;
    // null leaves the graphs empty. Both must outlive the editor.
    CorvaneEditor(AudioEffectX* owner, CCorvaneEngine* displayEngine);
    ~CorvaneEditor() override;

    // Builds the window in the host's parent window (an X11 window id; null or an unusable
    // window gives an offscreen window). False, changing nothing, while a window exists.
    bool open(void* parent) override;
    void close() override;
    bool isOpen() override { return openFlag.load(std::memory_order_acquire); }
    // Applies the parameter changes that arrived since the last call, then runs the frame.
    void idle() override;
    // Any thread, never blocks or allocates: the change reaches the control at the next idle.
    // Ignored while closed and for indices outside the parameters.
    void setParameter(VstInt32 index, float value) override;

    void valueChanged(VSTGUI::CControl* control) override;
    // The timer tick: polls the engine's display, then moves the envelope and LFO graphs.
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, const char* message) override;

    // The normalised values the controls return to on the default-value click (ctrl-click),
    // one per parameter; until given, every control returns to the middle.
    void setParameterDefaults(const float (&normalized)[corvane::kNumParams]);

    // A parameter's read-out: its value text immediately followed by its unit text.
    std::string readout(int32_t index) const;

    // The open window's control for a tag, or null.
    VSTGUI::CControl* getControl(int32_t tag) const;
    CCorvaneLFOView* getLFOView() const { return lfoView; }
    CCorvaneEnvView* getEnvView() const { return envView; }
    VSTGUI::CVSTGUITimer* getTimer() const { return timer; }

private:
    // User-interface thread: moves the control of index to value and refreshes read-outs.
    void applyParameter(int32_t index, float value);
    void applyWaitingParameters();

    CVovizuduResource* largeFont;
    CVovizuduResource* smallFont;
    VSTGUI::CBitmap* background;
    VSTGUI::CVSTGUITimer* timer = nullptr;
    // The open window's controls by tag; emptied when the window closes.
    std::map<int32_t, VSTGUI::CControl*> controls;
    CCorvaneLFOView* lfoView = nullptr;
    CCorvaneEnvView* envView = nullptr;
    std::atomic<bool> openFlag{false};

    AudioEffectX* plugin;
    CCorvaneEngine* engine;
    corvane::ParameterMailbox<corvane::kNumParams> mailbox;
    std::array<float, corvane::kNumParams> defaults;
};
