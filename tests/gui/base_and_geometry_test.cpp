#include "gui/vstgui.h"

#include <gtest/gtest.h>

using namespace VSTGUI;

namespace {

struct Tracked : CBaseObject {
    explicit Tracked(bool& flag) : deleted(flag) {}
    ~Tracked() override { deleted = true; }
    bool& deleted;
};

TEST(CBaseObject, LastForgetDeletes) {
    bool deleted = false;
    auto* o = new Tracked(deleted);
    EXPECT_EQ(o->getNbReference(), 1);
    o->remember();
    o->forget();
    EXPECT_FALSE(deleted);
    EXPECT_EQ(o->getNbReference(), 1);
    o->forget();
    EXPECT_TRUE(deleted);
}

TEST(CBaseObject, TypeTestsWalkTheClassChain) {
    CAnimKnob knob(CRect(0, 0, 10, 10), nullptr, 1, 101, 10, nullptr);
    for (const char* name : {"CAnimKnob", "CKnob", "CControl", "CView", "CBaseObject"})
        EXPECT_TRUE(knob.isTypeOf(name)) << name;
    EXPECT_FALSE(knob.isTypeOf("CVerticalSwitch"));
    EXPECT_FALSE(knob.isTypeOf(nullptr));
    CVerticalSwitch sw(CRect(0, 0, 10, 20), nullptr, 2, 2, 10, 2, nullptr);
    EXPECT_TRUE(sw.isTypeOf("CVerticalSwitch"));
    EXPECT_TRUE(sw.isTypeOf("CControl"));
    EXPECT_FALSE(sw.isTypeOf("CKnob"));
}

TEST(CView, NewCopyKeepsSizeValueAndTakesABitmapReference) {
    CBitmap* bitmap = new CBitmap("knob_small.png");
    CAnimKnob knob(CRect(5, 6, 42, 54), nullptr, 9, 101, 48, bitmap);
    knob.setValue(0.25f);
    EXPECT_EQ(bitmap->getNbReference(), 2);
    CView* copy = knob.newCopy();
    EXPECT_EQ(bitmap->getNbReference(), 3);
    ASSERT_TRUE(copy->isTypeOf("CAnimKnob"));
    auto* k = static_cast<CAnimKnob*>(copy);
    EXPECT_EQ(k->getViewSize(), CRect(5, 6, 42, 54));
    EXPECT_EQ(k->getValue(), 0.25f);
    EXPECT_EQ(k->getTag(), 9);
    EXPECT_EQ(k->getNumSubPixmaps(), 101);
    copy->forget();
    EXPECT_EQ(bitmap->getNbReference(), 2);
    bitmap->forget();
}

TEST(CRect, BoundUniteAndHitTest) {
    CRect a(0, 0, 10, 10);
    CRect b(5, 5, 20, 20);
    EXPECT_TRUE(a.rectOverlap(b));
    EXPECT_EQ(CRect(a).bound(b), CRect(5, 5, 10, 10));
    EXPECT_EQ(CRect(a).unite(b), CRect(0, 0, 20, 20));
    EXPECT_TRUE(CRect(a).bound(CRect(30, 30, 40, 40)).isEmpty());
    EXPECT_EQ(CRect().unite(b), b);
    EXPECT_TRUE(a.pointInside(CPoint(0, 0)));
    EXPECT_TRUE(a.pointInside(CPoint(9.5, 9.5)));
    EXPECT_FALSE(a.pointInside(CPoint(10, 5)));
    EXPECT_FALSE(a.rectOverlap(CRect(10, 0, 20, 10)));
}

} // namespace
