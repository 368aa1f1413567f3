// The editor's user-interface costs, offscreen: building the window, opening it at a scale,
// redrawing all of it, and one timer tick (display poll plus the two graphs redrawn).

#include "editor/corvaneeditor.h"
#include "engine/CCorvaneEngine.h"
#include "gui/vstgui.h"
#include "vst/audio_effect_x.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

// A plug-in that keeps its values and prints them; all the editor asks of it.
struct Plugin : AudioEffectX {
    Plugin() : AudioEffectX(nullptr, 1, corvane::kNumParams) {
        for (int i = 0; i < corvane::kNumParams; ++i)
            values[i] = float(i) / corvane::kNumParams;
    }
    void processReplacing(float**, float**, VstInt32) override {}
    float getParameter(VstInt32 index) override { return values[index]; }
    void getParameterDisplay(VstInt32 index, char* text) override {
        std::snprintf(text, kVstMaxParamStrLen + 1, "%.2f", values[index]);
    }
    float values[corvane::kNumParams];
};

struct Setup {
    std::unique_ptr<CCorvaneEngine> engine = std::make_unique<CCorvaneEngine>();
    Plugin plugin;
    CorvaneEditor* editor = new CorvaneEditor(&plugin, engine.get());
};

void BM_EditorConstruct(benchmark::State& state) {
    Setup s;
    for (auto _ : state) {
        auto* e = new CorvaneEditor(&s.plugin, s.engine.get());
        delete e;
    }
    s.plugin.setEditor(s.editor);
}
BENCHMARK(BM_EditorConstruct)->Unit(benchmark::kMillisecond);

void BM_EditorOpenClose(benchmark::State& state) {
    Setup s;
    for (auto _ : state) {
        s.editor->open(nullptr);
        s.editor->close();
    }
}
BENCHMARK(BM_EditorOpenClose)->Unit(benchmark::kMillisecond);

// Opening the window at a scale (percent) up to its first full picture, as a host sees it open.
// The bitmaps are decoded once per process, so this is the cost of every opening after the
// first; the 2x set takes four times the pixels to draw.
void BM_EditorOpenAtScale(benchmark::State& state) {
    Setup s;
    s.editor->setScale(double(state.range(0)) / 100);
    for (auto _ : state) {
        s.editor->open(nullptr);
        s.editor->getFrame()->render();
        s.editor->close();
    }
}
BENCHMARK(BM_EditorOpenAtScale)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_EditorFullRedraw(benchmark::State& state) {
    Setup s;
    s.editor->setScale(double(state.range(0)) / 100);
    s.editor->open(nullptr);
    VSTGUI::CFrame* frame = s.editor->getFrame();
    for (auto _ : state) {
        frame->setDirty(true);
        frame->render();
    }
}
BENCHMARK(BM_EditorFullRedraw)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_EditorTimerTick(benchmark::State& state) {
    Setup s;
    s.editor->open(nullptr);
    VSTGUI::CFrame* frame = s.editor->getFrame();
    frame->render();
    for (auto _ : state) {
        s.editor->notify(nullptr, nullptr);
        frame->render();
    }
}
BENCHMARK(BM_EditorTimerTick)->Unit(benchmark::kMicrosecond);

} // namespace
