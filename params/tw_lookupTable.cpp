#include "params/tw_lookupTable.h"

#include <algorithm>
#include <cmath>

namespace {

// A range the curve cannot span (a zero or negative end of an exponential) leaves silence rather
// than NaN in the table.
float finiteOrZero(double v) {
    return std::isfinite(v) ? static_cast<float>(v) : 0.0f;
}

} // namespace

tw_lookupTable::tw_lookupTable(int count) : count_(count < 2 ? 2 : count), points_(count_ + 1) {}

void tw_lookupTable::fill(int shape, float a, float b) {
    std::fill(points_.begin(), points_.end(), 0.0f);
    const double last = static_cast<double>(count_ - 1);
    if (shape == kShapeExponential) {
        const double ratio = static_cast<double>(b) / a;
        for (int i = 0; i < count_; ++i)
            points_[i] =
                finiteOrZero(a * std::pow(2.0, (i / last) * std::log(ratio) / std::log(2.0)));
    } else if (shape == kShapeDecibel) {
        const double lo = std::pow(10.0, a / 20.0);
        const double hi = std::pow(10.0, b / 20.0);
        const double span = std::log(hi / lo);
        // Point 0 stays 0: the bottom of a decibel range is silence rather than its lowest gain.
        for (int i = 1; i < count_; ++i)
            points_[i] = finiteOrZero(lo * std::exp((i / last) * span));
    }
    points_[count_] = points_[count_ - 1];
    lastValue_.store(points_[0], std::memory_order_relaxed);
}

float tw_lookupTable::lookup(float p) const {
    // The negated test also sends NaN to the bottom of the table.
    if (!(p > 0.0f)) p = 0.0f;
    if (p > 1.0f) p = 1.0f;
    // The position is scaled in single precision; only the interpolation runs in double.
    const float q = static_cast<float>(count_ - 1) * p;
    const int i = static_cast<int>(q);
    const double f = q - static_cast<float>(i);
    const float result = static_cast<float>((1.0 - f) * points_[i] + f * points_[i + 1]);
    lastValue_.store(result, std::memory_order_relaxed);
    return result;
}

float tw_lookupTable::getPoint(int i) const {
    if (i < 0 || i > count_) return 0.0f;
    return points_[i];
}
