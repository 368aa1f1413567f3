#pragma once

#include "editor/ccorvanescalemenu.h"
#include "editor/corvane_parameter_mailbox.h"
#include "editor/corvane_scale.h"
#include "gui/aeffguieditor.h"
#include "gui/cbaseobject.h"
#include "gui/ccolor.h"
#include "gui/ccontrollistener.h"
#include "params/CorvaneParameters.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
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
// Scale: the editor lays out, draws and takes the mouse in its own 730 x 302 pixels and shows them
// at a scale (corvane_scale.h says where it comes from): the window, and the rectangle getRect
// reports, are the scaled size. The user chooses a scale from a menu opened by a right-click on
// the title; the choice lives with the editor object, so for the plug-in instance's life, and a
// format that keeps user-interface state saves it (getUserScale / setUserScale). VST 2.4 keeps no
// such state: there the choice is kept in memory only, and the host is asked to resize the window
// (sizeWindow) when the user changes it.
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

    // The host's scale hint, from formats that pass one (CLAP's gui set_scale, LV2's
    // ui:scaleFactor); 0 clears it. Applies at once to an open window; the host resizes it.
    void setScale(double hostScale);
    // The scale in effect: the user's choice, else the host's hint, else the desktop's.
    double getScale();
    // The user's choice (0: none, follow the host or the desktop), for formats that save it.
    void setUserScale(double userScale);
    double getUserScale() const { return scale.getUserScale(); }
    // Called after the user chose a scale that changed an open window, with the new scale; the
    // format then resizes its window to getRect's rectangle. Without a listener the VST host is
    // asked to (sizeWindow).
    void setScaleListener(std::function<void(double)> listener) {
        scaleListener = std::move(listener);
    }
    // The editor rectangle at the scale in effect.
    bool getRect(ERect** rect) override;

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
    // Brings the rectangle and an open window to the scale in effect; true if the window changed.
    bool applyScale();

    // The scale menu's requests, kept apart from the editor's own bases.
    struct ScaleMenuBridge : ScaleMenuListener {
        explicit ScaleMenuBridge(CorvaneEditor& e) : editor(e) {}
        void scaleMenuRequested(VSTGUI::CFrame* frame, const VSTGUI::CPoint& where) override;
        void scaleChosen(double chosen) override;
        CorvaneEditor& editor;
    };

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
    corvane::EditorScale scale;
    std::function<void(double)> scaleListener;
    ScaleMenuBridge scaleMenu{*this};
};
