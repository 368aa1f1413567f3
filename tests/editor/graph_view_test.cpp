#include "editor/ctwarrayview.h"
#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace VSTGUI;

namespace {

constexpr CColor kLine(255, 0, 0, 87);
const CRect kEnvRect(418, 151, 547, 196);
const CRect kLfoRect(259, 151, 388, 196);

TEST(GraphViews, ScaleFollowsSizeRangeAndCount) {
    std::vector<float> history(129, 0.f);
    CCorvaneEnvView env(kEnvRect, kLine);
    CCorvaneLFOView lfo(kLfoRect, kLine);
    env.setArray(history.data(), 129);
    lfo.setArray(history.data(), 129);
    EXPECT_FLOAT_EQ(env.getXStep(), 128.f / 129.f);
    EXPECT_FLOAT_EQ(env.getYScale(), 4.3f);
    EXPECT_FLOAT_EQ(lfo.getYScale(), 43.f);
    EXPECT_EQ(env.getLineColor(), kLine);
}

TEST(GraphViews, ZerosLieAlongTheBottomEdge) {
    std::vector<float> history(129, 0.f);
    CCorvaneLFOView lfo(kLfoRect, kLine);
    lfo.setArray(history.data(), 129);
    EXPECT_EQ(lfo.pointAt(0), CPoint(259, 196));
    EXPECT_EQ(lfo.pointAt(1), CPoint(259, 195));
    EXPECT_EQ(lfo.pointAt(2).y, 195);
    EXPECT_NEAR(lfo.pointAt(128).x, 259 + 127 * (128.0 / 129.0), 1e-4);
}

TEST(GraphViews, FullScaleIsFortyThreeAboveTheBottomFirstAndFortyFourAfter) {
    std::vector<float> env(129, 0.f), lfo(129, 0.f);
    CCorvaneEnvView envView(kEnvRect, kLine);
    CCorvaneLFOView lfoView(kLfoRect, kLine);
    envView.setArray(env.data(), 129);
    lfoView.setArray(lfo.data(), 129);
    env[5] = 10.f;
    lfo[5] = 1.f;
    envView.setIndex(5);
    lfoView.setIndex(5);
    EXPECT_NEAR(envView.pointAt(0).y, 196 - 43, 1e-5);
    EXPECT_NEAR(lfoView.pointAt(0).y, 196 - 43, 1e-5);
    envView.setIndex(4);
    lfoView.setIndex(4);
    EXPECT_NEAR(envView.pointAt(1).y, 196 - 44, 1e-5);
    EXPECT_NEAR(lfoView.pointAt(1).y, 196 - 44, 1e-5);
    EXPECT_NEAR(lfoView.pointAt(1).x, 259, 1e-9);
    // Values beyond the range are not clamped.
    lfo[6] = 2.f;
    EXPECT_NEAR(lfoView.pointAt(2).y, 196 - 1 - 86, 1e-5);
    EXPECT_NEAR(lfoView.pointAt(2).x, 259 + 128.0 / 129.0, 1e-6);
}

TEST(GraphViews, ReadIndexWrapsAroundTheRing) {
    std::vector<float> h(129);
    for (int i = 0; i < 129; ++i)
        h[i] = i / 128.f;
    CCorvaneLFOView view(kLfoRect, kLine);
    view.setArray(h.data(), 129);
    view.setIndex(128);
    EXPECT_NEAR(view.pointAt(0).y, 196 - 43, 1e-4);
    EXPECT_NEAR(view.pointAt(1).y, 195, 1e-4); // entry 0 follows entry 128
}

TEST(GraphViews, SetIndexIgnoresIndicesOutsideTheRing) {
    std::vector<float> h(129, 0.f);
    CCorvaneEnvView view(kEnvRect, kLine);
    view.setIndex(3); // no array yet
    EXPECT_EQ(view.getIndex(), 0);
    view.setArray(h.data(), 129);
    view.setIndex(7);
    view.setIndex(-1);
    view.setIndex(129);
    EXPECT_EQ(view.getIndex(), 7);
}

TEST(GraphViews, EachTickAdvancesByOneAndWrapsAfter129) {
    std::vector<float> h(129, 0.f);
    CCorvaneEnvView view(kEnvRect, kLine);
    view.setArray(h.data(), 129);
    for (int tick = 1; tick <= 128; ++tick) {
        EXPECT_EQ(view.notify(nullptr, nullptr), kMessageNotified);
        EXPECT_EQ(view.getIndex(), tick);
    }
    view.notify(nullptr, "anything");
    EXPECT_EQ(view.getIndex(), 0);
    view.notify(nullptr, nullptr);
    EXPECT_EQ(view.getIndex(), 1);
}

TEST(GraphViews, DrawsAFlatRedLineAtTheBottomAndNothingWithoutData) {
    std::vector<float> h(129, 0.f);
    CFrame* frame = new CFrame(CRect(0, 0, 600, 250), nullptr, nullptr);
    auto* env = new CCorvaneEnvView(kEnvRect, kLine);
    auto* lfo = new CCorvaneLFOView(kLfoRect, kLine);
    frame->addView(env);
    frame->addView(lfo);
    env->setArray(h.data(), 129);
    frame->render();
    const auto line = corvane::test::pixelAt(frame->getImage(), 480, 195);
    EXPECT_GT(line.r, 60);
    EXPECT_EQ(line.g, 0);
    EXPECT_EQ(corvane::test::pixelAt(frame->getImage(), 480, 185).r, 0);
    EXPECT_TRUE(corvane::test::inkBox(frame->getImage(), kLfoRect, 0).isEmpty());
    frame->forget();
}

TEST(GraphViews, OddInputDrawsSafely) {
    std::vector<float> h(129, NAN);
    h[3] = INFINITY;
    CFrame* frame = new CFrame(CRect(0, 0, 600, 250), nullptr, nullptr);
    auto* view = new CCorvaneLFOView(kLfoRect, kLine);
    frame->addView(view);
    view->setArray(h.data(), 129);
    frame->render();
    view->setArray(h.data(), 0);
    EXPECT_EQ(view->getCount(), 0);
    frame->render();
    view->setArray(nullptr, 129);
    EXPECT_EQ(view->pointAt(0), CPoint(259, 196));
    frame->render();
    CTWArrayView flat(kLfoRect, 1.f, 1.f, kLine);
    flat.setArray(h.data(), 1);
    EXPECT_EQ(flat.getYScale(), 0.f);
    frame->forget();
}

} // namespace
