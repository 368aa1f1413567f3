#pragma once

#include <string>
#include <vector>

// The user's own presets: one small text file per preset in a folder of their own
// ($XDG_DATA_HOME/corvane/presets, by default ~/.local/share/corvane/presets), shared by every
// edition of the plug-in. A file names each parameter with its value, so a preset survives a
// change in the parameters' order:
//
//     corvane-preset 1
//     name Warm Wash
//     Rev Color=0.5
//     ...
//     end
//
// Values are normalised (0..1) as the hosts see them. A file is read whole and checked before
// anything is taken from it: one that is too large, not text, foreign, from a newer format,
// cut short (no "end" line), or naming a parameter twice or one this version does not know is
// refused with a message and nothing is applied. Parameters a file leaves out take their
// defaults. Writing goes to a temporary file in the same folder, then a rename: a crash leaves
// the old file or the new one, never half of either.
//
// No GUI and no processor in here: the editor's browser uses it on the user-interface thread
// (file access never runs on the audio thread), and tests use it on its own.
namespace corvane {

struct UserPreset {
    std::string name;
    // One per parameter, in index order.
    std::vector<float> values;
};

class UserPresetStore {
public:
    static constexpr int kFormatVersion = 1;
    // Larger files are refused before they are read.
    static constexpr long kMaxFileBytes = 64 * 1024;
    // Names are cut to this many characters (a program name's size, doubled).
    static constexpr std::size_t kMaxNameChars = 46;

    // The folder from the environment: $XDG_DATA_HOME/corvane/presets if that is an absolute
    // path, else $HOME/.local/share/corvane/presets; empty when neither is known.
    static std::string defaultDirectory();

    // parameterNames: the parameters' long names in index order; defaults: their default
    // normalised values, the same length.
    UserPresetStore(std::string directory, std::vector<std::string> parameterNames,
                    std::vector<float> defaults);

    const std::string& directory() const { return directory_; }
    // The presets' names, sorted; empty when the folder does not exist.
    std::vector<std::string> list() const;

    // Each returns false with a message for the user in error.
    bool load(const std::string& name, UserPreset& preset, std::string& error) const;
    // Creates the folder if needed; a preset of the same name is replaced.
    bool save(const UserPreset& preset, std::string& error) const;
    bool rename(const std::string& from, const std::string& to, std::string& error) const;
    bool remove(const std::string& name, std::string& error) const;

    // The file's text and back, for the tests and the store itself.
    std::string format(const UserPreset& preset) const;
    bool parse(const std::string& text, UserPreset& preset, std::string& error) const;

    // The name cut to size, with characters that cannot stand in a file name replaced; empty
    // for a name with nothing left.
    static std::string cleanName(const std::string& name);

private:
    std::string pathOf(const std::string& name) const;
    bool writeFile(const std::string& path, const std::string& text, std::string& error) const;

    std::string directory_;
    std::vector<std::string> names_;
    std::vector<float> defaults_;
};

} // namespace corvane
