// The editor's user-interface costs: opening it in a real window (a child of a window of ours
// on the X server in DISPLAY, run under Xvfb), the first time in the process and again, then
// offscreen building the window, opening it at a scale, redrawing all of it, and one timer tick
// (display poll plus the two graphs redrawn).

#include "editor/corvaneeditor.h"
#include "gui/vstgui.h"
#include "processor/CorvaneProcessor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

// After the benchmark header: Xlib's macros would break it.
#include <X11/Xlib.h>

namespace {

// The editor on a processor in program 1, as a format edition opens it.
struct Setup {
    std::unique_ptr<CorvaneProcessor> processor = std::make_unique<CorvaneProcessor>();
    std::unique_ptr<CorvaneEditor> editor =
        std::make_unique<CorvaneEditor>(&processor->editorView());
};

// A mapped top-level window on the X server in DISPLAY, for editors to open in.
struct ParentWindow {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;
    ParentWindow() {
        if (display == nullptr) return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 400, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~ParentWindow() {
        if (display == nullptr) return;
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    void* handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }
};

// A new editor built and opened in the parent window, as a host does when the user opens it;
// closing and deleting it is not timed. The bitmaps are decoded once per process, so the first
// run (registered first, one iteration) pays for decoding and the later ones do not.
void openInWindow(benchmark::State& state) {
    ParentWindow parent;
    if (parent.display == nullptr) {
        state.SkipWithError("no X server (run under xvfb-run)");
        return;
    }
    Setup s;
    for (auto _ : state) {
        auto e = std::make_unique<CorvaneEditor>(&s.processor->editorView());
        e->open(parent.handle());
        state.PauseTiming();
        e->close();
        e.reset();
        state.ResumeTiming();
    }
}

void BM_EditorOpenFirstInWindow(benchmark::State& state) {
    openInWindow(state);
}
BENCHMARK(BM_EditorOpenFirstInWindow)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EditorOpenAgainInWindow(benchmark::State& state) {
    openInWindow(state);
}
BENCHMARK(BM_EditorOpenAgainInWindow)->Unit(benchmark::kMillisecond);

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
