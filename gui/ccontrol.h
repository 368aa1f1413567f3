#pragma once

#include "gui/ccontrollistener.h"
#include "gui/cview.h"

// A view with a value from 0 to 1, a tag that names what it controls, a listener told of every
// change the user makes, and a default value. User gestures are bracketed by beginEdit and
// endEdit, which reach the listener and, through the frame, the editor.

namespace VSTGUI {

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
             CBitmap* background = nullptr);
    CControl(const CControl& other);

    // Clamped to the range; a value that is not a number is ignored.
    virtual void setValue(float val);
    float getValue() const { return value; }
    float getOldValue() const { return oldValue; }
    virtual void setMin(float val) { vmin = val; }
    float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    float getMax() const { return vmax; }
    void setDefaultValue(float val) { defaultValue = val; }
    float getDefaultValue() const { return defaultValue; }

    virtual void setTag(int32_t val) { tag = val; }
    int32_t getTag() const { return tag; }
    virtual void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }

    // Tells the listener that the user changed the value.
    virtual void valueChanged();
    // Nested calls count: only the outermost begin and its matching end are passed on, so the
    // host always sees balanced gestures.
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editing > 0; }

    void bounceValue();
    // A left click with the default-value modifier resets the value; true when it did.
    virtual bool checkDefaultValue(const CButtonState& buttons);

    void setDirty(bool val = true) override;
    bool isDirty() const override;

    CLASS_TYPE_OF(CControl, CView)

protected:
    CControlListener* listener;
    int32_t tag;
    float value = 0.f;
    float oldValue = 1.f;
    float defaultValue = 0.5f;
    float vmin = 0.f;
    float vmax = 1.f;

private:
    int32_t editing = 0;
};

} // namespace VSTGUI
