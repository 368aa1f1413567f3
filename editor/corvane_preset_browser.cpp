#include "editor/corvane_preset_browser.h"

#include "editor/corvane_layout.h"
#include "gui/cframe.h"
#include "params/CorvaneParameters.h"
#include "processor/CorvaneEditorView.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;
namespace layout = corvane::layout;

namespace {

std::vector<std::string> parameterNames(const CorvaneEditorView* view) {
    std::vector<std::string> names;
    char text[64];
    for (int i = 0; i < corvane::kNumParams; ++i) {
        text[0] = '\0';
        if (view != nullptr) view->parameterTitle(i, text, sizeof text);
        names.emplace_back(text);
    }
    return names;
}

std::vector<float> parameterDefaults(const CorvaneEditorView* view) {
    std::vector<float> values;
    for (int i = 0; i < corvane::kNumParams; ++i)
        values.push_back(view != nullptr ? view->parameterDefault(i) : 0.5f);
    return values;
}

} // namespace

CorvanePresetBrowser::CorvanePresetBrowser(CorvaneEditorView* v, const std::string& directory,
                                           Message m)
    : view(v), presets(directory, parameterNames(v), parameterDefaults(v)), message(std::move(m)) {}

CorvanePresetBrowser::~CorvanePresetBrowser() {
    detach();
}

void CorvanePresetBrowser::attach(CFrame* window) {
    if (window == nullptr || view == nullptr) return;
    frame = window;
    const layout::Box& b = layout::kProgramBrowser;
    browser = new CProgramBrowser(CRect(b.x, b.y, b.x + b.w, b.y + b.h), this);
    frame->addView(browser);
    // The host may have switched programs while the window was closed.
    if (program != view->currentProgram() || loaded.empty()) {
        preset.clear();
        snapshot();
    }
    refresh();
}

void CorvanePresetBrowser::detach() {
    // The frame releases its views; only the pointers go.
    browser = nullptr;
    list = nullptr;
    frame = nullptr;
}

std::string CorvanePresetBrowser::programName(int number) const {
    char text[64] = {};
    if (view != nullptr) view->programNameAt(number, text, sizeof text);
    return text;
}

void CorvanePresetBrowser::snapshot() {
    loaded.clear();
    program = view->currentProgram();
    for (int i = 0; i < corvane::kNumParams; ++i)
        loaded.push_back(view->parameterValue(i));
}

bool CorvanePresetBrowser::modified() const {
    for (int i = 0; i < corvane::kNumParams && i < static_cast<int>(loaded.size()); ++i)
        if (std::fabs(view->parameterValue(i) - loaded[static_cast<std::size_t>(i)]) > 1e-6f)
            return true;
    return false;
}

void CorvanePresetBrowser::refresh() {
    if (browser == nullptr) return;
    // A program switch by the host replaces whatever was loaded here.
    if (view->currentProgram() != program) {
        preset.clear();
        snapshot();
    }
    browser->setProgramText(preset.empty() ? programName(program) : preset, modified());
}

void CorvanePresetBrowser::fillList() {
    if (list == nullptr) return;
    std::vector<std::string> names;
    for (int p = 0; p < view->programCount(); ++p)
        names.push_back(programName(p));
    list->setPrograms(names, program);
    list->setPresets(presets.list(), preset);
}

void CorvanePresetBrowser::browserStep(int direction) {
    if (view == nullptr) return;
    const std::vector<std::string> users = presets.list();
    const int programs = view->programCount();
    const int total = programs + static_cast<int>(users.size());
    if (total <= 0) return;
    int at = program;
    if (!preset.empty()) {
        const auto it = std::find(users.begin(), users.end(), preset);
        at = it != users.end() ? programs + static_cast<int>(it - users.begin()) : program;
    }
    const int next = ((at + direction) % total + total) % total;
    if (next < programs)
        programChosen(next);
    else
        presetChosen(users[static_cast<std::size_t>(next - programs)]);
}

void CorvanePresetBrowser::browserOpenList() {
    if (frame == nullptr || list != nullptr) return;
    const layout::Box& p = layout::kProgramList;
    list = new CProgramList(CRect(0, 0, layout::kEditorWidth, layout::kEditorHeight),
                            CPoint(p.x, p.y), this);
    frame->addView(list);
    frame->setModalView(list);
    frame->setFocusView(list);
    fillList();
}

void CorvanePresetBrowser::browserListClosed() {
    if (frame == nullptr || list == nullptr) return;
    CProgramList* gone = list;
    list = nullptr;
    frame->setModalView(nullptr);
    frame->removeView(gone);
}

void CorvanePresetBrowser::programChosen(int number) {
    if (view == nullptr || number < 0 || number >= view->programCount()) return;
    view->selectProgram(number);
    preset.clear();
    snapshot();
    browserListClosed();
    refresh();
}

void CorvanePresetBrowser::presetChosen(const std::string& name) {
    corvane::UserPreset read;
    std::string error;
    if (view == nullptr) return;
    if (!presets.load(name, read, error)) {
        message("Preset \"" + name + "\" refused: " + error);
        return;
    }
    // LFO Sync first: it decides what LFO Rate's value means.
    const auto apply = [this, &read](int index) {
        const float value = read.values[static_cast<std::size_t>(index)];
        if (view->parameterValue(index) == value) return;
        view->beginEdit(index);
        view->performEdit(index, value);
        view->endEdit(index);
    };
    apply(corvane::kLfoSync);
    for (int i = 0; i < corvane::kNumParams; ++i)
        if (i != corvane::kLfoSync) apply(i);
    snapshot();
    preset = name;
    browserListClosed();
    refresh();
}

void CorvanePresetBrowser::presetSave(const std::string& name) {
    if (view == nullptr) return;
    corvane::UserPreset current{name, {}};
    for (int i = 0; i < corvane::kNumParams; ++i)
        current.values.push_back(view->parameterValue(i));
    std::string error;
    if (!presets.save(current, error)) {
        message("Cannot save \"" + name + "\": " + error);
        return;
    }
    // What was saved is now what is loaded.
    snapshot();
    preset = corvane::UserPresetStore::cleanName(name);
    message("Saved \"" + preset + "\"");
    fillList();
    refresh();
}

void CorvanePresetBrowser::presetRename(const std::string& from, const std::string& to) {
    std::string error;
    if (!presets.rename(from, to, error)) {
        message("Cannot rename \"" + from + "\": " + error);
        return;
    }
    if (preset == from) preset = corvane::UserPresetStore::cleanName(to);
    fillList();
    refresh();
}

void CorvanePresetBrowser::presetDelete(const std::string& name) {
    std::string error;
    if (!presets.remove(name, error)) {
        message("Cannot delete \"" + name + "\": " + error);
        return;
    }
    // The values stay; they now belong to the program again.
    if (preset == name) preset.clear();
    fillList();
    refresh();
}
