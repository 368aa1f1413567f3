#pragma once

#include <cstdint>

// Mouse buttons and modifier keys of a mouse event, and what a view answers to one.

namespace VSTGUI {

enum CButton : int32_t {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
    kButton4 = 1 << 8,
    kButton5 = 1 << 9,
    kDoubleClick = 1 << 10,
};

// Fine adjustment while dragging or turning the wheel.
constexpr int32_t kZoomModifier = kShift;
// Click with this held resets a control to its default value.
constexpr int32_t kDefaultValueModifier = kControl;

class CButtonState {
public:
    constexpr CButtonState(int32_t s = 0) : state(s) {}

    int32_t getButtonState() const {
        return state & (kLButton | kMButton | kRButton | kButton4 | kButton5);
    }
    int32_t getModifierState() const { return state & (kShift | kControl | kAlt | kApple); }
    bool isLeftButton() const { return (state & kLButton) != 0; }
    bool isRightButton() const { return (state & kRButton) != 0; }
    bool isDoubleClick() const { return (state & kDoubleClick) != 0; }

    int32_t operator&(int32_t mask) const { return state & mask; }
    bool operator==(const CButtonState& o) const { return state == o.state; }
    bool operator!=(const CButtonState& o) const { return state != o.state; }
    int32_t operator()() const { return state; }

private:
    int32_t state;
};

enum CMouseEventResult {
    kMouseEventNotImplemented = 0,
    kMouseEventHandled,
    kMouseEventNotHandled,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
    kMouseMoveEventHandledButDontNeedMoreEvents
};

} // namespace VSTGUI
