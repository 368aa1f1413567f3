#include "editor/corvaneeditor.h"

#include <algorithm>
#include <iterator>

#include "editor/ccorvaneknob.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_panel.h"
#include "editor/ctwarrayview.h"
#include "editor/cvovizuduresource.h"
#include "gui/cbitmap.h"
#include "gui/cframe.h"
#include "gui/cknob.h"
#include "gui/cvstguitimer.h"
#include "processor/CorvaneDisplayHistory.h"
#include "processor/CorvaneEditorView.h"

using namespace VSTGUI;
namespace layout = corvane::layout;

namespace {

// LFO Sync's switch shows "synchronised" in its first position, so its value is the parameter's
// complement, both ways.
float switchValue(int32_t tag, float value) {
    return tag == corvane::kLfoSync ? 1.f - value : value;
}

// The window is the background's size, cut to the 16 bits a VST 2.4 host's rectangle holds.
int32_t extent(CCoord size) {
    return static_cast<int16_t>(static_cast<int32_t>(size));
}

} // namespace

CorvaneEditor::CorvaneEditor(CorvaneEditorView* editorView)
    : largeFont(new CVovizuduResource(layout::kLargeFontId)),
      smallFont(new CVovizuduResource(layout::kSmallFontId)),
      background(new CBitmap("background.png")), source(editorView),
      width_(extent(background->getWidth())), height_(extent(background->getHeight())) {}

CorvaneEditor::~CorvaneEditor() {
    // A host may drop the plug-in with its window still open.
    CorvaneEditor::close();
    background->forget();
    largeFont->forget();
    smallFont->forget();
}

bool CorvaneEditor::open(void* parent) {
    if (frame != nullptr) return false;

    auto* window = new CFrame(CRect(0, 0, width_, height_), parent, this);
    window->setScale(scale.current());
    window->setBackgroundColor(kFrameColor);
    window->setBackground(background);

    // The graphs start flat, from the slot the timer writes next.
    CorvaneDisplayHistory* history = source != nullptr ? &source->displayHistory() : nullptr;
    if (history != nullptr) history->clear();

    corvane::PanelBitmaps bitmaps;
    const corvane::PanelFonts fonts{largeFont, smallFont};
    for (const layout::ViewSpec& item : layout::kViews) {
        CView* view = corvane::createPanelView(item, this, bitmaps, fonts);
        if (view == nullptr) continue;
        switch (item.kind) {
            case layout::ViewKind::LFOView:
                lfoView = static_cast<CCorvaneLFOView*>(view);
                if (history != nullptr)
                    lfoView->setArray(history->lfo(), CorvaneDisplayHistory::kSize);
                break;
            case layout::ViewKind::EnvView:
                envView = static_cast<CCorvaneEnvView*>(view);
                if (history != nullptr)
                    envView->setArray(history->envelope(), CorvaneDisplayHistory::kSize);
                break;
            case layout::ViewKind::MovieButton:
            case layout::ViewKind::VerticalSwitch:
            case layout::ViewKind::HorizontalSwitch:
            case layout::ViewKind::Knob:
                controls[item.tag] = static_cast<CControl*>(view);
                static_cast<CControl*>(view)->setDefaultValue(switchValue(
                    item.tag, source != nullptr ? source->parameterDefault(item.tag) : 0.5f));
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
    // Flags first, values second: a change that lands after the take raises its flag again,
    // one that landed before is in the values read below.
    if (source != nullptr) source->takeChangedParameters();
    for (int32_t i = 0; i < corvane::kNumParams; ++i)
        applyParameter(i);

    timer = new CVSTGUITimer(this, kTimerPeriodMs);
    timer->start();
    return true;
}

void CorvaneEditor::close() {
    if (frame == nullptr) return;
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

void CorvaneEditor::idle() {
    // A frame's idle may end up here again (a host calling idle from a callback): ignore that.
    if (inIdle) return;
    inIdle = true;
    applyChangedParameters();
    if (frame != nullptr) frame->idle();
    inIdle = false;
}

int32_t CorvaneEditor::width() const {
    return CFrame::scaledExtent(width_, scale.current());
}

int32_t CorvaneEditor::height() const {
    return CFrame::scaledExtent(height_, scale.current());
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
    if (frame == nullptr || frame->getScale() == s) return false;
    frame->setScale(s);
    return true;
}

void CorvaneEditor::ScaleMenuBridge::scaleMenuRequested(CFrame* window, const CPoint& where) {
    CCorvaneScaleMenu::open(window, where, editor.largeFont, editor.scale.getUserScale(), this);
}

void CorvaneEditor::ScaleMenuBridge::scaleChosen(double chosen) {
    editor.scale.setUserScale(chosen);
    if (editor.applyScale() && editor.scaleListener) editor.scaleListener(editor.getScale());
}

void CorvaneEditor::beginEdit(int32_t index) {
    if (source != nullptr) source->beginEdit(index);
}

void CorvaneEditor::endEdit(int32_t index) {
    if (source != nullptr) source->endEdit(index);
}

void CorvaneEditor::valueChanged(CControl* control) {
    if (frame == nullptr || control == nullptr || source == nullptr) return;
    const int32_t tag = control->getTag();
    // The about area (and anything else without a parameter) changes nothing.
    if (tag < 0 || tag >= corvane::kNumParams) return;
    source->performEdit(tag, switchValue(tag, control->getValue()));
    // Show the read-out of the value just stored while the user drags.
    applyChangedParameters();
}

CMessageResult CorvaneEditor::notify(CBaseObject*, const char*) {
    if (frame == nullptr) return kMessageNotified;
    if (source != nullptr) source->displayHistory().poll();
    applyChangedParameters();
    if (envView != nullptr) envView->notify(this, nullptr);
    if (lfoView != nullptr) lfoView->notify(this, nullptr);
    return kMessageNotified;
}

std::string CorvaneEditor::readout(int32_t index) const {
    if (source == nullptr) return std::string();
    char text[64] = {};
    source->parameterReadout(index, text, sizeof text);
    return text;
}

CControl* CorvaneEditor::getControl(int32_t tag) const {
    const auto it = controls.find(tag);
    return it != controls.end() ? it->second : nullptr;
}

void CorvaneEditor::applyParameter(int32_t index) {
    CControl* control = getControl(index);
    if (control == nullptr) return;
    control->setValue(switchValue(index, source != nullptr ? source->parameterValue(index) : 0.f));
    if (control->isTypeOf("CCorvaneKnob")) {
        static_cast<CCorvaneKnob*>(control)->setValueText(readout(index));
    } else if (index == corvane::kLfoSync) {
        // The rate reads in Hz or in note divisions, depending on the sync.
        CControl* rate = getControl(corvane::kLfoRate);
        if (rate != nullptr && rate->isTypeOf("CCorvaneKnob"))
            static_cast<CCorvaneKnob*>(rate)->setValueText(readout(corvane::kLfoRate));
    }
}

void CorvaneEditor::applyChangedParameters() {
    if (frame == nullptr || source == nullptr) return;
    std::uint32_t changed = source->takeChangedParameters();
    while (changed != 0) {
        const int32_t index = __builtin_ctz(changed);
        changed &= changed - 1;
        applyParameter(index);
    }
}
