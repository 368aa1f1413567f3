// The editor's user-interface costs, offscreen: building the window, opening it at a scale,
// redrawing all of it, and one timer tick (display poll plus the two graphs redrawn).

#include "editor/corvaneeditor.h"
#include "gui/vstgui.h"
#include "processor/CorvaneProcessor.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The editor on a processor in program 1, as a format edition opens it.
struct Setup {
    std::unique_ptr<CorvaneProcessor> processor = std::make_unique<CorvaneProcessor>();
    std::unique_ptr<CorvaneEditor> editor =
        std::make_unique<CorvaneEditor>(&processor->editorView());
};

void BM_EditorConstruct(benchmark::State& state) {
    Setup s;
    for (auto _ : state) {
        auto e = std::make_unique<CorvaneEditor>(&s.processor->editorView());
        benchmark::DoNotOptimize(e.get());
    }
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
