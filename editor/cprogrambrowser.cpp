#include "editor/cprogrambrowser.h"

#include "gui/cdrawcontext.h"

#include <algorithm>

using namespace VSTGUI;

namespace {

constexpr CColor kPanelColor{28, 30, 34, 240};
constexpr CColor kEdgeColor{240, 160, 40, 255};
constexpr CColor kTextColor{225, 225, 225, 255};
constexpr CColor kDimTextColor{150, 150, 150, 255};
constexpr CColor kCurrentColor{70, 52, 20, 255};
constexpr CCoord kPad = 4;

void drawText(CDrawContext* context, const std::string& text, const CRect& box, CCoord fontSize,
              const CColor& color) {
    context->setFrameColor(color);
    const CCoord baseline = box.top + (box.height() + fontSize * 0.7) * 0.5;
    context->drawString(text.c_str(), CPoint(box.left + 3, baseline), fontSize);
}

} // namespace

CProgramBrowser::CProgramBrowser(const CRect& rect, CProgramBrowserListener* l)
    : CView(rect), listener(l) {}

void CProgramBrowser::setProgramText(const std::string& text, bool isModified) {
    if (text == name && isModified == modified) return;
    name = text;
    modified = isModified;
    setDirty(true);
}

CRect CProgramBrowser::previousArrow() const {
    return CRect(size.left, size.top, size.left + kArrowWidth, size.bottom);
}

CRect CProgramBrowser::nextArrow() const {
    return CRect(size.right - kArrowWidth, size.top, size.right, size.bottom);
}

void CProgramBrowser::draw(CDrawContext* context) {
    context->setFillColor(kPanelColor);
    context->setFrameColor(CColor{90, 90, 96, 255});
    context->drawRect(size, kDrawFilledAndStroked);
    const CRect names(size.left + kArrowWidth, size.top, size.right - kArrowWidth, size.bottom);
    context->setClipRect(names);
    drawText(context, modified ? name + " *" : name, names, kFontSize, kTextColor);
    context->setClipRect(size);
    context->setDrawMode(kAntiAliasing);
    context->setFrameColor(kEdgeColor);
    context->setLineWidth(1.5);
    for (const int direction : {-1, 1}) {
        const CRect arrow = direction < 0 ? previousArrow() : nextArrow();
        const CCoord cx = (arrow.left + arrow.right) * 0.5, cy = (arrow.top + arrow.bottom) * 0.5;
        context->drawLine(CPoint(cx - 3 * direction, cy - 5), CPoint(cx + 3 * direction, cy));
        context->drawLine(CPoint(cx + 3 * direction, cy), CPoint(cx - 3 * direction, cy + 5));
    }
    setDirty(false);
}

bool CProgramBrowser::hitTest(const CPoint& where, const CButtonState& buttons) {
    return size.pointInside(where) && (buttons.getButtonState() == 0 || buttons.isLeftButton());
}

CMouseEventResult CProgramBrowser::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || listener == nullptr) return kMouseEventNotHandled;
    if (previousArrow().pointInside(where))
        listener->browserStep(-1);
    else if (nextArrow().pointInside(where))
        listener->browserStep(1);
    else
        listener->browserOpenList();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CProgramList::CProgramList(const CRect& window, const CPoint& panelTopLeft,
                           CProgramBrowserListener* l)
    : CView(window), listener(l), origin(panelTopLeft) {}

void CProgramList::setPrograms(const std::vector<std::string>& names, int current) {
    programs = names;
    currentProgram = current;
    setDirty(true);
}

void CProgramList::setPresets(const std::vector<std::string>& names, const std::string& current) {
    presets = names;
    currentPreset = current;
    scroll =
        std::clamp(scroll, 0, std::max(0, static_cast<int>(presets.size()) - visiblePresets()));
    editing = Editing::None;
    confirmDelete = -1;
    setDirty(true);
}

CRect CProgramList::panel() const {
    return CRect(origin.x, origin.y, origin.x + kFactoryWidth + kUserWidth + 2 * kPad,
                 origin.y + kRows * kRowHeight + 2 * kPad);
}

CRect CProgramList::factoryRow(int program) const {
    const CCoord top = origin.y + kPad + program * kRowHeight;
    return CRect(origin.x + kPad, top, origin.x + kPad + kFactoryWidth - kPad, top + kRowHeight);
}

CRect CProgramList::userRow(int row) const {
    const CCoord top = origin.y + kPad + row * kRowHeight;
    const CCoord left = origin.x + kPad + kFactoryWidth;
    return CRect(left, top, left + kUserWidth, top + kRowHeight);
}

CRect CProgramList::renameButton(int preset) const {
    const CRect row = userRow(preset - scroll + 1);
    return CRect(row.right - 2 * kButtonWidth, row.top, row.right - kButtonWidth, row.bottom);
}

CRect CProgramList::deleteButton(int preset) const {
    const CRect row = userRow(preset - scroll + 1);
    return CRect(row.right - kButtonWidth, row.top, row.right, row.bottom);
}

int CProgramList::visiblePresets() const {
    return kRows - 1;
}

int CProgramList::presetAtRow(int row) const {
    const int preset = scroll + row - 1;
    return row >= 1 && preset < static_cast<int>(presets.size()) ? preset : -1;
}

void CProgramList::drawRow(CDrawContext* context, const CRect& row, const std::string& text,
                           bool current) {
    if (current) {
        context->setFillColor(kCurrentColor);
        context->drawRect(row, kDrawFilled);
    }
    context->setClipRect(row);
    drawText(context, text, row, kFontSize, kTextColor);
    context->setClipRect(size);
}

void CProgramList::draw(CDrawContext* context) {
    // The window dims behind the list.
    context->setFillColor(CColor{0, 0, 0, 110});
    context->drawRect(size, kDrawFilled);
    const CRect box = panel();
    context->setFillColor(kPanelColor);
    context->setFrameColor(kEdgeColor);
    context->drawRect(box, kDrawFilledAndStroked);
    const CCoord split = origin.x + kPad + kFactoryWidth - kPad / 2;
    context->setFrameColor(CColor{90, 90, 96, 255});
    context->drawLine(CPoint(split, box.top + kPad), CPoint(split, box.bottom - kPad));

    for (int p = 0; p < static_cast<int>(programs.size()) && p < kRows; ++p)
        drawRow(context, factoryRow(p), programs[static_cast<std::size_t>(p)],
                p == currentProgram && currentPreset.empty());

    const std::string entry = line.getText() + "|";
    if (editing == Editing::Save) {
        drawRow(context, userRow(0), "Save as: " + entry, true);
    } else {
        context->setClipRect(userRow(0));
        drawText(context,
                 presets.empty() ? "Save current values as... (no user presets yet)"
                                 : "Save current values as...",
                 userRow(0), kFontSize, kEdgeColor);
        context->setClipRect(size);
    }
    for (int row = 1; row < kRows; ++row) {
        const int preset = presetAtRow(row);
        if (preset < 0) break;
        const CRect r = userRow(row);
        if (editing == Editing::Rename && editingPreset == preset) {
            drawRow(context, r, "Rename: " + entry, true);
            continue;
        }
        drawRow(context, CRect(r.left, r.top, r.right - 2 * kButtonWidth, r.bottom),
                presets[preset], presets[preset] == currentPreset);
        drawText(context, "rename", renameButton(preset), kFontSize, kDimTextColor);
        drawText(context, confirmDelete == preset ? "sure?" : "delete", deleteButton(preset),
                 kFontSize, confirmDelete == preset ? kEdgeColor : kDimTextColor);
    }
    setDirty(false);
}

CMouseEventResult CProgramList::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (listener == nullptr) return kMouseEventNotHandled;
    if (!panel().pointInside(where)) {
        listener->browserListClosed();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (!buttons.isLeftButton()) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    // A click elsewhere leaves a name half typed behind.
    editing = Editing::None;
    setDirty(true);
    for (int p = 0; p < static_cast<int>(programs.size()) && p < kRows; ++p) {
        if (factoryRow(p).pointInside(where)) {
            listener->programChosen(p);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
    }
    if (userRow(0).pointInside(where)) {
        editing = Editing::Save;
        line.setText(std::string());
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    for (int row = 1; row < kRows; ++row) {
        const int preset = presetAtRow(row);
        if (preset < 0 || !userRow(row).pointInside(where)) continue;
        if (deleteButton(preset).pointInside(where)) {
            if (confirmDelete == preset) {
                confirmDelete = -1;
                listener->presetDelete(presets[static_cast<std::size_t>(preset)]);
            } else {
                confirmDelete = preset;
            }
        } else if (renameButton(preset).pointInside(where)) {
            editing = Editing::Rename;
            editingPreset = preset;
            line.setText(presets[static_cast<std::size_t>(preset)]);
        } else {
            listener->presetChosen(presets[static_cast<std::size_t>(preset)]);
        }
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool CProgramList::onWheel(const CPoint&, const float& distance, const CButtonState&) {
    const int last = std::max(0, static_cast<int>(presets.size()) - visiblePresets());
    scroll = std::clamp(scroll - static_cast<int>(distance), 0, last);
    setDirty(true);
    return true;
}

bool CProgramList::onKeyDown(CKeyCode& key) {
    if (listener == nullptr) return true;
    if (editing == Editing::None) {
        if (key.virt == kKeyEscape) listener->browserListClosed();
        return true;
    }
    const CTypedLine::Result result = line.key(key);
    setDirty(true);
    if (result == CTypedLine::Result::Cancelled) {
        editing = Editing::None;
    } else if (result == CTypedLine::Result::Accepted) {
        const Editing what = editing;
        editing = Editing::None;
        const std::string name = line.getText();
        if (what == Editing::Save)
            listener->presetSave(name);
        else if (editingPreset >= 0 && editingPreset < static_cast<int>(presets.size()))
            listener->presetRename(presets[static_cast<std::size_t>(editingPreset)], name);
    }
    return true;
}
