#include "lv2/corvane_lv2_ui_view.h"

#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneValueText.h"
#include "processor/CorvaneProcessor.h"

#include <cmath>
#include <cstdio>

using namespace corvane;
using namespace corvane::lv2;

namespace {

bool isParameter(int index) {
    return index >= 0 && index < kNumParams;
}

// Far more ticks than one run of any host makes; a message claiming more is cut to this.
constexpr std::int64_t kMaxTicksPerMessage = 1 << 16;

} // namespace

CorvaneLv2UiView::CorvaneLv2UiView(LV2UI_Write_Function write, LV2UI_Controller controller,
                                   const LV2UI_Touch* touch)
    : write_(write), controller_(controller), touch_(touch) {
    // Until the host reports them, the ports hold their defaults.
    for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p)
        ports_[p] = portDefault(params_, p);
    for (int i = 0; i < kNumParams; ++i)
        defaults_[i] = toNormalised(params_, static_cast<std::uint32_t>(i), ports_[i]);
    for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p)
        takeFromPort(p);
}

std::uint32_t CorvaneLv2UiView::portOf(int index) const {
    if (index == kLfoRate && divisionRulesRate(ports_[kLfoSync])) return kLfoDivisionPort;
    return static_cast<std::uint32_t>(index);
}

void CorvaneLv2UiView::takeFromPort(std::uint32_t port) {
    const ControlPortInfo* desc = controlPort(port);
    if (!desc || portOf(desc->parameter) != port) return;
    params_.setNormalized(desc->parameter, presetValues_.toNormalised(params_, port, ports_[port]));
    changes_.raiseOne(desc->parameter);
}

void CorvaneLv2UiView::portValue(std::uint32_t port, float value) {
    if (!controlPort(port) || std::isnan(value)) return;
    ports_[port] = value;
    takeFromPort(port);
    // LFO Sync chooses which port LFO Rate follows.
    if (port == kLfoSync) takeFromPort(portOf(kLfoRate));
}

void CorvaneLv2UiView::displayData(double envelopeSum, double lfoSum, std::int64_t ticks) {
    if (ticks <= 0 || !std::isfinite(envelopeSum) || !std::isfinite(lfoSum)) return;
    const auto envelope = static_cast<float>(envelopeSum / static_cast<double>(ticks));
    const auto lfo = static_cast<float>(lfoSum / static_cast<double>(ticks));
    if (ticks > kMaxTicksPerMessage) ticks = kMaxTicksPerMessage;
    for (std::int64_t t = 0; t < ticks; ++t)
        history_.sums().add(envelope, lfo);
}

float CorvaneLv2UiView::parameterValue(int index) const {
    return isParameter(index) ? params_.getNormalized(index) : 0.0f;
}

float CorvaneLv2UiView::parameterDefault(int index) const {
    return isParameter(index) ? defaults_[index] : 0.5f;
}

void CorvaneLv2UiView::parameterReadout(int index, char* text, std::size_t size) const {
    if (!text || size == 0) return;
    char value[32] = {};
    char unit[32] = {};
    if (isParameter(index)) {
        params_.getDisplay(index, value, CorvaneProcessor::kTextChars);
        params_.getLabel(index, unit, CorvaneProcessor::kTextChars);
    }
    std::snprintf(text, size, "%s%s", value, unit);
}

void CorvaneLv2UiView::readoutAt(int index, float normalised, char* text, std::size_t size) const {
    if (!text || size == 0) return;
    char value[32] = {};
    char unit[32] = {};
    if (isParameter(index) && !std::isnan(normalised)) {
        params_.displayText(index, std::fmin(std::fmax(normalised, 0.0f), 1.0f), value,
                            CorvaneProcessor::kTextChars);
        params_.getLabel(index, unit, CorvaneProcessor::kTextChars);
    }
    std::snprintf(text, size, "%s%s", value, unit);
}

void CorvaneLv2UiView::parameterTitle(int index, char* text, std::size_t size) const {
    if (!text || size == 0) return;
    std::snprintf(text, size, "%s", isParameter(index) ? params_.getNameString(index).c_str() : "");
}

bool CorvaneLv2UiView::parseTyped(int index, const char* text, float& normalised) const {
    return parseTypedValue(params_, index, text, normalised);
}

bool CorvaneLv2UiView::programNameAt(int program, char* text, std::size_t size) const {
    if (!text || size == 0) return false;
    const bool known = program >= 0 && program < kNumPrograms;
    std::snprintf(text, size, "%s", known ? kFactoryPrograms[program].name : "");
    return known;
}

void CorvaneLv2UiView::selectProgram(int program) {
    if (program < 0 || program >= kNumPrograms) return;
    program_ = program;
    const auto apply = [this, program](int index) {
        beginEdit(index);
        performEdit(index, kFactoryPrograms[program].values[index]);
        endEdit(index);
    };
    // LFO Sync first: it decides which port LFO Rate's value goes to.
    apply(kLfoSync);
    for (int index = 0; index < kNumParams; ++index)
        if (index != kLfoSync) apply(index);
}

void CorvaneLv2UiView::beginEdit(int index) {
    if (isParameter(index) && touch_ && touch_->touch)
        touch_->touch(touch_->handle, portOf(index), true);
}

void CorvaneLv2UiView::performEdit(int index, float normalised) {
    if (!isParameter(index) || std::isnan(normalised)) return;
    params_.setNormalized(index, normalised);
    changes_.raiseOne(index);
    const std::uint32_t port = portOf(index);
    writePort(port, toPortValue(params_, port, params_.getNormalized(index)));
    // Switching LFO Sync hands LFO Rate to the other port, whose value the rate now shows.
    if (index == kLfoSync) takeFromPort(portOf(kLfoRate));
}

void CorvaneLv2UiView::endEdit(int index) {
    if (isParameter(index) && touch_ && touch_->touch)
        touch_->touch(touch_->handle, portOf(index), false);
}

void CorvaneLv2UiView::writePort(std::uint32_t port, float value) {
    ports_[port] = value;
    if (write_) write_(controller_, port, sizeof value, 0, &value);
}
