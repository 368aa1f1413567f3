#pragma once

#include "lv2/corvane_lv2_ports.h"

#include "params/CorvaneParameterManager.h"
#include "processor/CorvaneChangeMailbox.h"
#include "processor/CorvaneDisplayHistory.h"
#include "processor/CorvaneEditorView.h"

#include <lv2/ui/ui.h>

#include <cstdint>

// The editor's view of the plug-in in the LV2 UI. The UI may run in another process than the
// plug-in, so it holds its own copy of what the editor shows: the control ports' values as the
// host reports them (port events), turned into normalised parameter values and texts by a
// parameter manager of its own, and the graphs' data the plug-in sends on its notify port. The
// user's gestures go back to the host as control port writes, bracketed by ui:touch where the
// host offers it.
//
// User-interface thread only, like everything of an LV2 UI.
class CorvaneLv2UiView final : public CorvaneEditorView {
public:
    // write and controller: the host's; touch may be null.
    CorvaneLv2UiView(LV2UI_Write_Function write, LV2UI_Controller controller,
                     const LV2UI_Touch* touch);

    // A control port's value from the host. Other ports and NaN are ignored.
    void portValue(std::uint32_t port, float value);
    // The graphs' data of one or more control ticks: their envelope and LFO sums.
    void displayData(double envelopeSum, double lfoSum, std::int64_t ticks);

    float parameterValue(int index) const override;
    float parameterDefault(int index) const override;
    void parameterReadout(int index, char* text, std::size_t size) const override;
    void readoutAt(int index, float normalised, char* text, std::size_t size) const override;
    void parameterTitle(int index, char* text, std::size_t size) const override;
    bool parseTyped(int index, const char* text, float& normalised) const override;
    void beginEdit(int index) override;
    void performEdit(int index, float normalised) override;
    void endEdit(int index) override;
    std::uint32_t takeChangedParameters() override { return changes_.take(); }
    CorvaneDisplayHistory& displayHistory() override { return history_; }
    // The factory programs. The host owns the plug-in's presets and an LV2 UI cannot select
    // one, so choosing a program writes its values as gestures, one parameter at a time.
    int programCount() const override { return corvane::kNumPrograms; }
    int currentProgram() const override { return program_; }
    bool programNameAt(int program, char* text, std::size_t size) const override;
    void selectProgram(int program) override;

private:
    // The port that sets a parameter now: LFO Rate's depends on LFO Sync.
    std::uint32_t portOf(int index) const;
    // A parameter's value from the port that sets it.
    void takeFromPort(std::uint32_t port);
    void writePort(std::uint32_t port, float value);

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Touch* touch_;
    CorvaneParameterManager params_;
    const corvane::lv2::ProgramPortValues presetValues_{params_};
    float ports_[corvane::lv2::kControlPortCount];
    float defaults_[corvane::kNumParams];
    corvane::CorvaneChangeMailbox<corvane::kNumParams> changes_;
    CorvaneDisplayHistory history_;
    int program_ = 0;
};
