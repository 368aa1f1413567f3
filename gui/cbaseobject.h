#pragma once

#include <cstdint>
#include <cstring>

// The root of the toolkit's objects: reference counted (created with one reference; remember()
// adds one, forget() drops one and deletes the object with the last), with a run-time type test
// by class name and a notification entry point, which timers use.

namespace VSTGUI {

enum CMessageResult { kMessageUnknown = 0, kMessageNotified = 1 };

class CBaseObject {
public:
    CBaseObject() = default;
    // A copy is a new object: it starts with its own single reference.
    CBaseObject(const CBaseObject&) : CBaseObject() {}
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject() = default;

    virtual void remember() { ++nbReference; }
    virtual void forget() {
        if (nbReference > 0 && --nbReference == 0) delete this;
    }
    int32_t getNbReference() const { return nbReference; }

    virtual bool isTypeOf(const char* s) const {
        return s != nullptr && std::strcmp(s, "CBaseObject") == 0;
    }
    virtual CMessageResult notify(CBaseObject* /*sender*/, const char* /*message*/) {
        return kMessageUnknown;
    }

private:
    int32_t nbReference = 1;
};

} // namespace VSTGUI

// Answers isTypeOf for a class and, through its parent, for every base class.
#define CLASS_TYPE_OF(name, parent)                                                                \
    bool isTypeOf(const char* s) const override {                                                  \
        return (s != nullptr && std::strcmp(s, #name) == 0) || parent::isTypeOf(s);                \
    }

// isTypeOf plus newCopy for views.
#define CLASS_METHODS(name, parent)                                                                \
    CLASS_TYPE_OF(name, parent)                                                                    \
    CView* newCopy() const override {                                                              \
        return new name(*this);                                                                    \
    }
