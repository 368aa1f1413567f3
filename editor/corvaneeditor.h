#pragma once

#include "editor/ccorvanescalemenu.h"
#include "editor/corvane_scale.h"
#include "editor/ctypeinfield.h"
#include "gui/cbaseobject.h"
#include "gui/ccolor.h"
#include "gui/ccontrollistener.h"
#include "gui/vstguieditorinterface.h"
#include "params/CorvaneParameters.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class CorvaneEditorView;
class CorvanePresetBrowser;
class CHelpBubble;
class CCorvaneEnvView;
class CCorvaneLFOView;
class CVovizuduResource;

namespace VSTGUI {
class CBitmap;
class CControl;
class CVSTGUITimer;
} // namespace VSTGUI

// The plug-in's editor, whatever format opened it: a fixed window drawn from the module's
// bitmaps, one control per parameter (its tag is the parameter index; LFO Trigger has none),
// knobs that show their parameter's read-out while hovered, and the envelope and LFO graphs,
// moved by a 30 ms timer. It talks only to the processor's editor view: the user's gestures go
// there (begin, values, end), and the controls follow the view's values.
//
// The editor object lives as long as its format edition's binding (VST 2.4: host/, an
// AEffGUIEditor); the window and its views exist only between open and close. Fonts and the
// background bitmap live with the editor.
//
// Scale: the editor lays out, draws and takes the mouse in its own 730 x 302 pixels and shows them
// at a scale (corvane_scale.h says where it comes from); the window is the scaled size. A format
// passes its host's scale with setScale (CLAP's gui set_scale, LV2's ui:scaleFactor, VST 2.4's
// content-scale vendor request) and reads the window's size from width() and height(). The user
// chooses a scale from a menu opened by a right-click on the title; the choice lives with the
// editor object, so for the plug-in instance's life, and a format that keeps user-interface state
// saves and restores it (getUserScale / setUserScale). When the user's choice changes an open
// window, the scale listener is told, and the format resizes its host window.
//
// Threads: the user-interface thread only. Changes made on other threads reach the controls
// through the view's changed flags, taken on idle, on the timer and right after the user's own
// edits; open takes them once and then reads every value, so no change can slip past a window
// that opens.
//
// On top of the panel: a typing field for a value (double click on a knob, or Enter over any
// control;
// the text goes through the view's one conversion and becomes one gesture), the program browser
// with the user's presets (CorvanePresetBrowser), and a help bubble naming the control under a
// resting pointer with its range, which also carries messages for the user. The help and the
// messages count timer ticks, not wall-clock time.
class CorvaneEditor : public VSTGUI::VSTGUIEditorInterface,
                      public VSTGUI::CControlListener,
                      public VSTGUI::CBaseObject,
                      private CTypeInField::Listener {
public:
    static constexpr int32_t kTimerPeriodMs = 30;
    static constexpr VSTGUI::CColor kFrameColor{127, 127, 127, 255};
    // Timer ticks before the help shows (about 0.6 s) and for which a message stays (3 s).
    static constexpr int kHelpDelayTicks = 20;
    static constexpr int kMessageTicks = 100;

    // view: the processor's editor view (null: an editor that shows defaults and changes
    // nothing). It must outlive the editor.
    // presetFolder: the user's presets (empty: UserPresetStore::defaultDirectory()).
    explicit CorvaneEditor(CorvaneEditorView* view, const std::string& presetFolder = {});
    ~CorvaneEditor() override;

    // The window's size: the background bitmap's, at the scale in effect.
    int32_t width() const;
    int32_t height() const;

    // The host's scale hint (0 clears it); an open window follows at once, and the host, having
    // asked, resizes its own window to width() x height().
    void setScale(double hostScale);
    // The scale in effect: the user's choice, else the host's hint, else the desktop's.
    double getScale() const { return scale.current(); }
    // The user's choice (0: none, follow the host or the desktop), for formats that save it.
    void setUserScale(double userScale);
    double getUserScale() const { return scale.getUserScale(); }
    // Called after the user chose a scale that changed an open window, with the new scale.
    void setScaleListener(std::function<void(double)> listener) {
        scaleListener = std::move(listener);
    }

    // Builds the window in the host's parent window (an X11 window id; null or an unusable
    // window gives an offscreen window). False, changing nothing, while a window exists.
    bool open(void* parent);
    void close();
    bool isOpen() const { return frame != nullptr; }
    // Applies the parameter changes since the last look, then runs the frame.
    void idle();

    // The knob mode the controls use (circular, relative circular or linear).
    void setKnobMode(int32_t mode) { knobMode_ = mode; }
    int32_t getKnobMode() const override { return knobMode_; }
    // The controls' gestures, to the view.
    void beginEdit(int32_t index) override;
    void endEdit(int32_t index) override;

    void valueChanged(VSTGUI::CControl* control) override;
    // Enter over a control opens its typing field.
    bool onKeyDown(VSTGUI::CKeyCode& key) override;
    // The timer tick: polls the display history, then moves the envelope and LFO graphs.
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, const char* message) override;

    // A parameter's read-out: its value text immediately followed by its unit text.
    std::string readout(int32_t index) const;

    // The open window's control for a tag, or null.
    VSTGUI::CControl* getControl(int32_t tag) const;
    CCorvaneLFOView* getLFOView() const { return lfoView; }
    CCorvaneEnvView* getEnvView() const { return envView; }
    VSTGUI::CVSTGUITimer* getTimer() const { return timer; }

    // Opens the typing field over the control of tag (a knob's: over its read-out); false when
    // there is no such control, no window, or something else (the list, another field) holds
    // the window.
    bool openTypeIn(int32_t tag);
    CTypeInField* getTypeInField() const { return typeIn; }
    CHelpBubble* getHelpBubble() const { return bubble; }
    CorvanePresetBrowser& presetBrowser() { return *browser; }
    // Shows a message for the user in the help bubble, under the browser.
    void showMessage(const std::string& text);

private:
    // Moves the control of index to the view's value and refreshes read-outs.
    void applyParameter(int32_t index);
    void applyChangedParameters();
    void typeInFinished(CTypeInField* field, bool accepted) override;
    // One timer tick of the help bubble: shows help for a control the pointer rests on, ends
    // a message whose time is up.
    void tickHelp();
    std::string helpText(int32_t tag) const;
    // Brings an open window to the scale in effect; true if it changed.
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

    CorvaneEditorView* source;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t knobMode_ = 2; // linear
    bool inIdle = false;

    std::unique_ptr<CorvanePresetBrowser> browser;
    CTypeInField* typeIn = nullptr;
    CHelpBubble* bubble = nullptr;
    VSTGUI::CView* helpView = nullptr;
    int helpTicks = 0;
    int messageTicks = 0;
    corvane::EditorScale scale;
    std::function<void(double)> scaleListener;
    ScaleMenuBridge scaleMenu{*this};
};
