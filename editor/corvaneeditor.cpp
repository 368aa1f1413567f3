#include "editor/corvaneeditor.h"

#include <algorithm>
#include <iterator>

#include "editor/ccorvaneknob.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_panel.h"
#include "editor/ctwarrayview.h"
#include "editor/cvovizuduresource.h"
#include "engine/CCorvaneEngine.h"
#include "gui/cbitmap.h"
#include "gui/cframe.h"
#include "gui/cknob.h"
#include "gui/cvstguitimer.h"
#include "vst/audio_effect_x.h"

using namespace VSTGUI;
namespace layout = corvane::layout;

namespace {

// LFO Sync's switch shows "synchronised" in its first position, so its value is the parameter's
// complement, both ways.
float switchValue(int32_t tag, float value) {
    return tag == corvane::kLfoSync ? 1.f - value : value;
}

// The editor rectangle and the frame are the background's size, cut to the 16 bits of ERect.
VstInt16 extent(CCoord size) {
    return static_cast<VstInt16>(static_cast<int32_t>(size));
}

} // namespace

CorvaneEditor::CorvaneEditor(AudioEffectX* owner, CCorvaneEngine* displayEngine)
    : AEffGUIEditor(owner), largeFont(new CVovizuduResource(layout::kLargeFontId)),
      smallFont(new CVovizuduResource(layout::kSmallFontId)),
      background(new CBitmap("background.png")), plugin(owner), engine(displayEngine) {
    defaults.fill(0.5f);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = extent(background->getHeight());
    rect.right = extent(background->getWidth());
    setKnobMode(kLinearMode);
}

void CorvaneEditor::setParameterDefaults(const float (&normalized)[corvane::kNumParams]) {
    std::copy(std::begin(normalized), std::end(normalized), defaults.begin());
}

CorvaneEditor::~CorvaneEditor() {
    // A host may drop the plug-in with its window still open.
    CorvaneEditor::close();
    background->forget();
    largeFont->forget();
    smallFont->forget();
}

bool CorvaneEditor::open(void* parent) {
    if (frame != nullptr) return false;
    AEffGUIEditor::open(parent);

    applyScale();
    auto* window = new CFrame(
        CRect(0, 0, extent(background->getWidth()), extent(background->getHeight())), parent, this);
    window->setScale(scale.current());
    window->setBackgroundColor(kFrameColor);
    window->setBackground(background);

    // The graphs start flat, from the slot the engine writes next.
    if (engine != nullptr) engine->clear_display();

    corvane::PanelBitmaps bitmaps;
    const corvane::PanelFonts fonts{largeFont, smallFont};
    for (const layout::ViewSpec& item : layout::kViews) {
        CView* view = corvane::createPanelView(item, this, bitmaps, fonts);
        if (view == nullptr) continue;
        switch (item.kind) {
            case layout::ViewKind::LFOView:
                lfoView = static_cast<CCorvaneLFOView*>(view);
                if (engine != nullptr)
                    lfoView->setArray(engine->lfo_history(), CCorvaneEngine::history_size);
                break;
            case layout::ViewKind::EnvView:
                envView = static_cast<CCorvaneEnvView*>(view);
                if (engine != nullptr)
                    envView->setArray(engine->envelope_history(), CCorvaneEngine::history_size);
                break;
            case layout::ViewKind::MovieButton:
            case layout::ViewKind::VerticalSwitch:
            case layout::ViewKind::HorizontalSwitch:
            case layout::ViewKind::Knob:
                controls[item.tag] = static_cast<CControl*>(view);
                static_cast<CControl*>(view)->setDefaultValue(
                    switchValue(item.tag, defaults[static_cast<size_t>(item.tag)]));
                break;
            case layout::ViewKind::SplashScreen:
                static_cast<CCorvaneAboutArea*>(view)->setScaleMenuListener(&scaleMenu);
                break;
            case layout::ViewKind::VersionLabel:
                break;
        }
        window->addView(view);
    }
    bitmaps.releaseAll();

    frame = window;
    // Values posted before the window existed are older than what getParameter reads below.
    mailbox.clear();
    openFlag.store(true, std::memory_order_release);
    for (int32_t i = 0; i < corvane::kNumParams; ++i)
        applyParameter(i, plugin != nullptr ? plugin->getParameter(i) : 0.f);

    timer = new CVSTGUITimer(this, kTimerPeriodMs);
    timer->start();
    return true;
}

void CorvaneEditor::close() {
    openFlag.store(false, std::memory_order_release);
    if (frame != nullptr) {
        timer->stop();
        timer->forget();
        timer = nullptr;
        controls.clear();
        lfoView = nullptr;
        envView = nullptr;
        CFrame* window = frame;
        frame = nullptr;
        window->forget();
    }
    mailbox.clear();
    AEffGUIEditor::close();
}

void CorvaneEditor::idle() {
    applyWaitingParameters();
    AEffGUIEditor::idle();
}

void CorvaneEditor::setParameter(VstInt32 index, float value) {
    if (!openFlag.load(std::memory_order_acquire)) return;
    mailbox.post(index, value);
}

void CorvaneEditor::valueChanged(CControl* control) {
    if (!openFlag.load(std::memory_order_acquire) || control == nullptr || plugin == nullptr)
        return;
    const int32_t tag = control->getTag();
    // The about area (and anything else without a parameter) changes nothing.
    if (tag < 0 || tag >= corvane::kNumParams) return;
    plugin->setParameterAutomated(tag, switchValue(tag, control->getValue()));
    // The plug-in has just reported the change back: show its read-out while the user drags.
    applyWaitingParameters();
}

CMessageResult CorvaneEditor::notify(CBaseObject*, const char*) {
    if (frame == nullptr) return kMessageNotified;
    if (engine != nullptr) engine->poll_display();
    if (envView != nullptr) envView->notify(this, nullptr);
    if (lfoView != nullptr) lfoView->notify(this, nullptr);
    return kMessageNotified;
}

std::string CorvaneEditor::readout(int32_t index) const {
    if (plugin == nullptr) return std::string();
    // Room well beyond the 8 characters a text may have, and a terminator whatever is written.
    char value[64] = {};
    char label[64] = {};
    plugin->getParameterDisplay(index, value);
    plugin->getParameterLabel(index, label);
    value[sizeof value - 1] = 0;
    label[sizeof label - 1] = 0;
    return std::string(value) + label;
}

CControl* CorvaneEditor::getControl(int32_t tag) const {
    const auto it = controls.find(tag);
    return it != controls.end() ? it->second : nullptr;
}

void CorvaneEditor::applyParameter(int32_t index, float value) {
    CControl* control = getControl(index);
    if (control == nullptr) return;
    control->setValue(switchValue(index, value));
    if (control->isTypeOf("CCorvaneKnob")) {
        static_cast<CCorvaneKnob*>(control)->setValueText(readout(index));
    } else if (index == corvane::kLfoSync) {
        // The rate reads in Hz or in note divisions, depending on the sync.
        CControl* rate = getControl(corvane::kLfoRate);
        if (rate != nullptr && rate->isTypeOf("CCorvaneKnob"))
            static_cast<CCorvaneKnob*>(rate)->setValueText(readout(corvane::kLfoRate));
    }
}

bool CorvaneEditor::getRect(ERect** r) {
    applyScale();
    return AEffGUIEditor::getRect(r);
}

double CorvaneEditor::getScale() {
    return scale.current();
}

void CorvaneEditor::setScale(double hostScale) {
    scale.setHostScale(hostScale);
    applyScale();
}

void CorvaneEditor::setUserScale(double userScale) {
    scale.setUserScale(userScale);
    applyScale();
}

bool CorvaneEditor::applyScale() {
    const double s = scale.current();
    rect.bottom = extent(CFrame::scaledExtent(background->getHeight(), s));
    rect.right = extent(CFrame::scaledExtent(background->getWidth(), s));
    if (frame == nullptr || frame->getScale() == s) return false;
    frame->setScale(s);
    return true;
}

void CorvaneEditor::ScaleMenuBridge::scaleMenuRequested(CFrame* window, const CPoint& where) {
    CCorvaneScaleMenu::open(window, where, editor.largeFont, editor.scale.getUserScale(), this);
}

void CorvaneEditor::ScaleMenuBridge::scaleChosen(double chosen) {
    editor.scale.setUserScale(chosen);
    if (!editor.applyScale()) return;
    if (editor.scaleListener)
        editor.scaleListener(editor.scale.current());
    else if (editor.plugin != nullptr)
        editor.plugin->sizeWindow(editor.rect.right, editor.rect.bottom);
}

void CorvaneEditor::applyWaitingParameters() {
    if (frame == nullptr) return;
    mailbox.collect([this](int index, float value) { applyParameter(index, value); });
}
