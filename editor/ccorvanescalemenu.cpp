#include "editor/ccorvanescalemenu.h"

#include "editor/corvane_scale.h"
#include "editor/cvovizuduresource.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"

#include <algorithm>
#include <iterator>

using namespace VSTGUI;

namespace {
const char* const kEntryTexts[CCorvaneScaleMenu::kEntryCount] = {"AUTO", "100%", "125%",
                                                                 "150%", "175%", "200%"};
static_assert(std::size(corvane::kScaleSteps) + 1 == CCorvaneScaleMenu::kEntryCount,
              "one entry per scale step, and AUTO");

// The panel's colours: the dark face, its edge, the light legend and the warm accent.
constexpr CColor kMenuFace(24, 25, 28, 245);
constexpr CColor kMenuEdge(67, 70, 77, 255);
constexpr CColor kMenuMark(244, 161, 55, 255);
} // namespace

bool CCorvaneAboutArea::hitTest(const CPoint& where, const CButtonState& buttons) {
    if (buttons.getButtonState() & kRButton) return CControl::hitTest(where, buttons);
    return CSplashScreen::hitTest(where, buttons);
}

CMouseEventResult CCorvaneAboutArea::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons.getButtonState() & kRButton)) return CSplashScreen::onMouseDown(where, buttons);
    if (!isSplashed() && scaleListener != nullptr && pParentFrame != nullptr)
        scaleListener->scaleMenuRequested(pParentFrame, where);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CCorvaneScaleMenu* CCorvaneScaleMenu::open(CFrame* frame, const CPoint& where,
                                           CVovizuduResource* font, double chosen,
                                           ScaleMenuListener* listener) {
    if (frame == nullptr || frame->getModalView() != nullptr) return nullptr;
    const CRect bounds = frame->getViewSize();
    const CCoord h = kEntryHeight * kEntryCount + 2;
    const CCoord left =
        std::clamp(where.x, bounds.left, std::max(bounds.left, bounds.right - kWidth));
    const CCoord top = std::clamp(where.y, bounds.top, std::max(bounds.top, bounds.bottom - h));
    auto* menu =
        new CCorvaneScaleMenu(CRect(left, top, left + kWidth, top + h), font, chosen, listener);
    frame->addView(menu);
    frame->setModalView(menu);
    return menu;
}

CCorvaneScaleMenu::CCorvaneScaleMenu(const CRect& rect, CVovizuduResource* menuFont,
                                     double chosenScale, ScaleMenuListener* menuListener)
    : CView(rect), font(menuFont), chosen(chosenScale), listener(menuListener) {
    if (font != nullptr) font->remember();
}

CCorvaneScaleMenu::~CCorvaneScaleMenu() {
    if (font != nullptr) font->forget();
}

double CCorvaneScaleMenu::entryScale(int i) {
    return i >= 1 && i < kEntryCount ? corvane::kScaleSteps[i - 1] : 0;
}

const char* CCorvaneScaleMenu::entryText(int i) {
    return i >= 0 && i < kEntryCount ? kEntryTexts[i] : "";
}

int CCorvaneScaleMenu::entryAt(const CPoint& where) const {
    if (!size.pointInside(where)) return -1;
    const int i = int((where.y - size.top - 1) / kEntryHeight);
    return i >= 0 && i < kEntryCount ? i : -1;
}

void CCorvaneScaleMenu::draw(CDrawContext* context) {
    context->setFillColor(kMenuFace);
    context->setFrameColor(kMenuEdge);
    context->drawRect(size, kDrawFilledAndStroked);
    for (int i = 0; i < kEntryCount; ++i) {
        const CCoord top = size.top + 1 + i * kEntryHeight;
        if (entryScale(i) == chosen) {
            context->setFillColor(kMenuMark);
            context->drawRect(CRect(size.left + 4, top + 6, size.left + 9, top + 11), kDrawFilled);
        }
        if (font == nullptr) continue;
        CPoint pen(size.left + 14, top + 2);
        font->drawString(context, pen, entryText(i), 0);
    }
    setDirty(false);
}

bool CCorvaneScaleMenu::hitTest(const CPoint&, const CButtonState&) {
    // Modal: a click anywhere is the menu's, if only to close it.
    return true;
}

CMouseEventResult CCorvaneScaleMenu::onMouseDown(CPoint& where, const CButtonState&) {
    const int entry = entryAt(where);
    ScaleMenuListener* target = listener;
    CFrame* frame = pParentFrame;
    if (frame != nullptr) {
        frame->setModalView(nullptr);
        // Deletes the menu: nothing of it is used below.
        frame->removeView(this);
    }
    if (entry >= 0 && target != nullptr) target->scaleChosen(entryScale(entry));
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
