#include "editor/corvaneeditor.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "editor/ccorvaneknob.h"
#include "editor/chelpbubble.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_panel.h"
#include "editor/corvane_preset_browser.h"
#include "editor/ctwarrayview.h"
#include "editor/cvovizuduresource.h"
#include "gui/cbitmap.h"
#include "gui/cframe.h"
#include "gui/cknob.h"
#include "gui/cvstguitimer.h"
#include "params/CorvaneValueText.h"
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

CorvaneEditor::CorvaneEditor(CorvaneEditorView* editorView, const std::string& presetFolder)
    : largeFont(new CVovizuduResource(layout::kLargeFontId)),
      smallFont(new CVovizuduResource(layout::kSmallFontId)),
      background(new CBitmap("background.png")), source(editorView),
      width_(extent(background->getWidth())), height_(extent(background->getHeight())),
      browser(std::make_unique<CorvanePresetBrowser>(
          editorView,
          presetFolder.empty() ? corvane::UserPresetStore::defaultDirectory() : presetFolder,
          [this](const std::string& text) { showMessage(text); })) {}

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
    for (const layout::ViewItem& item : layout::kViews) {
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
            case layout::ViewKind::Knob:
                if (view->isTypeOf("CCorvaneKnob"))
                    static_cast<CCorvaneKnob*>(view)->setTypeInRequest(
                        [this](int32_t tag) { openTypeIn(tag); });
                [[fallthrough]];
            case layout::ViewKind::MovieButton:
            case layout::ViewKind::VerticalSwitch:
            case layout::ViewKind::HorizontalSwitch:
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
    browser->attach(window);
    // Last, so that it lies on top of everything.
    bubble = new CHelpBubble(CRect(0, 0, width_, height_));
    window->addView(bubble);
    helpView = nullptr;
    helpTicks = 0;
    messageTicks = 0;
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
    browser->detach();
    typeIn = nullptr;
    bubble = nullptr;
    helpView = nullptr;
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

bool CorvaneEditor::onKeyDown(CKeyCode& key) {
    if (frame == nullptr || key.virt != kKeyReturn) return false;
    CView* hovered = frame->getHoverView();
    if (hovered == nullptr || !hovered->isTypeOf("CControl")) return false;
    const int32_t tag = static_cast<CControl*>(hovered)->getTag();
    return tag >= 0 && tag < corvane::kNumParams && openTypeIn(tag);
}

CMessageResult CorvaneEditor::notify(CBaseObject*, const char*) {
    if (frame == nullptr) return kMessageNotified;
    if (source != nullptr) source->displayHistory().poll();
    applyChangedParameters();
    browser->refresh();
    tickHelp();
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

bool CorvaneEditor::openTypeIn(int32_t tag) {
    CControl* control = getControl(tag);
    if (frame == nullptr || typeIn != nullptr || frame->getModalView() != nullptr ||
        control == nullptr)
        return false;
    // Over a knob's text line, over the middle of anything else; wide enough for "1/16T" or
    // "-40.0dB" and some.
    const CRect& r = control->getViewSize();
    CPoint at((r.left + r.right) / 2, (r.top + r.bottom) / 2 - 8);
    if (control->isTypeOf("CCorvaneKnob")) at = static_cast<CCorvaneKnob*>(control)->textPosition();
    constexpr CCoord kHalfWidth = 36, kHeight = 17;
    const CCoord left = std::clamp(at.x - kHalfWidth, CCoord(0), width_ - 2 * kHalfWidth);
    typeIn = new CTypeInField(CRect(left, at.y - 3, left + 2 * kHalfWidth, at.y - 3 + kHeight),
                              this, tag);
    // The field starts with what the control shows now, selected.
    int choices = 0;
    const char* const* names = corvane::choiceNames(tag, choices);
    std::string shown = readout(tag);
    if (names != nullptr && source != nullptr) {
        const float steps = static_cast<float>(choices - 1);
        const int step = static_cast<int>(std::lround(source->parameterValue(tag) * steps));
        shown = names[std::clamp(step, 0, choices - 1)];
    }
    shown.erase(0, shown.find_first_not_of(' '));
    typeIn->setText(shown);
    frame->addView(typeIn);
    frame->setModalView(typeIn);
    frame->setFocusView(typeIn);
    bubble->hide();
    return true;
}

void CorvaneEditor::typeInFinished(CTypeInField* field, bool accepted) {
    if (frame == nullptr || field != typeIn) return;
    const int32_t tag = field->getTag();
    const std::string text = field->getText();
    typeIn = nullptr;
    frame->setModalView(nullptr);
    frame->removeView(field);
    if (!accepted || source == nullptr) return;
    float normalised = 0.f;
    if (!source->parseTyped(tag, text.c_str(), normalised)) {
        // The value stays; the knob and the help line say why.
        CControl* control = getControl(tag);
        if (control != nullptr && control->isTypeOf("CCorvaneKnob"))
            static_cast<CCorvaneKnob*>(control)->showNotice("NO VALUE");
        char title[64] = {};
        source->parameterTitle(tag, title, sizeof title);
        showMessage(std::string(title) + ": \"" + text + "\" is not a value");
        return;
    }
    // One gesture, as a drag would be.
    source->beginEdit(tag);
    source->performEdit(tag, normalised);
    source->endEdit(tag);
    applyChangedParameters();
}

void CorvaneEditor::showMessage(const std::string& text) {
    if (frame == nullptr || bubble == nullptr) return;
    // On top of whatever opened since (the program list).
    if (frame->getView(frame->getNbViews() - 1) != bubble) {
        frame->removeView(bubble, false);
        frame->addView(bubble);
    }
    const layout::Box& b = layout::kProgramBrowser;
    bubble->show(text, CPoint(b.x + b.w / 2, b.y + b.h + 3));
    messageTicks = kMessageTicks;
}

std::string CorvaneEditor::helpText(int32_t tag) const {
    if (source == nullptr || tag < 0 || tag >= corvane::kNumParams) return std::string();
    char title[64] = {};
    source->parameterTitle(tag, title, sizeof title);
    std::string help = std::string(title) + ": ";
    int count = 0;
    const char* const* names = corvane::choiceNames(tag, count);
    for (int i = 0; i < count; ++i)
        help += (i > 0 ? " / " : "") + std::string(names[i]);
    if (names != nullptr) return help;
    char low[32] = {}, high[32] = {};
    source->readoutAt(tag, 0.f, low, sizeof low);
    source->readoutAt(tag, 1.f, high, sizeof high);
    return help + low + " to " + high + " (double-click to type)";
}

void CorvaneEditor::tickHelp() {
    if (frame == nullptr || bubble == nullptr) return;
    if (messageTicks > 0) {
        if (--messageTicks == 0) bubble->hide();
        return;
    }
    CView* hovered = frame->getModalView() == nullptr ? frame->getHoverView() : nullptr;
    if (hovered != helpView) {
        helpView = hovered;
        helpTicks = 0;
        bubble->hide();
        return;
    }
    if (hovered == nullptr || ++helpTicks != kHelpDelayTicks) return;
    std::string text;
    if (hovered == browser->getBrowser())
        text = "Programs and your presets: arrows step, click for the list";
    else if (hovered->isTypeOf("CControl"))
        text = helpText(static_cast<CControl*>(hovered)->getTag());
    const CRect& r = hovered->getViewSize();
    if (!text.empty()) bubble->show(text, CPoint((r.left + r.right) / 2, r.bottom + 2));
}
