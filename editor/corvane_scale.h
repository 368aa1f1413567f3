#pragma once

// Where the editor's scale comes from: how many screen pixels each of the editor's own pixels
// becomes. The user's choice, once made, wins over everything; without one the host's hint
// holds (a format's scale request: CLAP's set_scale, LV2's ui:scaleFactor); without that, the
// desktop's, asked for when first needed. Every value is kept from 1 to 3; a value that is not
// above 0 (or is NaN) clears a choice or a hint. User-interface thread.

namespace corvane {

// The steps the user chooses from in the editor's scale menu.
inline constexpr double kScaleSteps[] = {1.0, 1.25, 1.5, 1.75, 2.0};

class EditorScale {
public:
    using DesktopProbe = double (*)();
    // probe: asked once for the desktop's scale; the X desktop's by default.
    explicit EditorScale(DesktopProbe probe = nullptr);

    void setHostScale(double scale) { host = normalise(scale); }
    void setUserScale(double scale) { user = normalise(scale); }
    // 0 when not given.
    double getHostScale() const { return host; }
    double getUserScale() const { return user; }
    // The scale in effect.
    double current() const;

private:
    static double normalise(double scale);

    DesktopProbe probe;
    double host = 0;
    double user = 0;
    mutable double desktop = 0; // 0 until asked
};

} // namespace corvane
