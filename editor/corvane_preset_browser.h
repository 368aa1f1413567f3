#pragma once

#include "editor/corvane_user_presets.h"
#include "editor/cprogrambrowser.h"

#include <functional>
#include <string>
#include <vector>

class CorvaneEditorView;

namespace VSTGUI {
class CFrame;
}

// The editor's programs and presets: what the browser in the title area shows, what its arrows
// and list do, and the user's preset files.
//
// - Factory programs are selected through the editor view (a program change for the editions
//   whose host keeps programs; the LV2 UI applies the values as gestures).
// - A user preset is applied as gestures, one begin / value / end per parameter whose value
//   differs, LFO Sync first (it decides what LFO Rate's value means); the host records them
//   like any edit. A preset file that is refused changes nothing and says why.
// - The mark: the current values differ from the program or preset as it was loaded (a
//   snapshot taken when one is chosen here, or when the host switches programs).
// - The arrows step through the factory programs and then the presets, round.
//
// The state (which program or preset is loaded, the snapshot) lives as long as the editor, so a
// window that opens again shows the same. File access happens here, on the user-interface
// thread, only when the user asks. User-interface thread only.
class CorvanePresetBrowser : private CProgramBrowserListener {
public:
    using Message = std::function<void(const std::string&)>;

    // view may be null (nothing to browse). directory: the user's preset folder.
    CorvanePresetBrowser(CorvaneEditorView* view, const std::string& directory, Message message);
    ~CorvanePresetBrowser() override;

    // Adds the browser to an opening window / forgets the window's views as it closes.
    void attach(VSTGUI::CFrame* frame);
    void detach();
    // After parameter or program changes: the name and the mark follow.
    void refresh();

    CProgramBrowser* getBrowser() const { return browser; }
    CProgramList* getList() const { return list; }
    const corvane::UserPresetStore& store() const { return presets; }
    // The loaded preset's name; empty while a program is what was loaded.
    const std::string& loadedPreset() const { return preset; }

    // The listener's side, public for the tests that drive it without a pointer.
    void browserStep(int direction) override;
    void browserOpenList() override;
    void programChosen(int program) override;
    void presetChosen(const std::string& name) override;
    void presetSave(const std::string& name) override;
    void presetRename(const std::string& from, const std::string& to) override;
    void presetDelete(const std::string& name) override;
    void browserListClosed() override;

private:
    void snapshot();
    bool modified() const;
    void fillList();
    std::string programName(int program) const;

    CorvaneEditorView* view;
    corvane::UserPresetStore presets;
    Message message;
    VSTGUI::CFrame* frame = nullptr;
    CProgramBrowser* browser = nullptr;
    CProgramList* list = nullptr;
    // What was loaded: a program number, or a preset's name with the program it went into.
    int program = -1;
    std::string preset;
    std::vector<float> loaded;
};
