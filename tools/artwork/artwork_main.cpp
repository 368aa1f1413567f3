// corvane-artwork: draws the editor's bitmaps and bitmap fonts into a resources folder.
// Usage: corvane-artwork OUT_DIR [FONT_DIR]
// OUT_DIR receives PNG/ (the bitmaps at 1x), PNG_2X/ (the same drawings at 2x) and
// VOVIZUDU_MAP/ (the glyph tables, in editor pixels for both); FONT_DIR holds the DejaVu TrueType
// files (Debian package fonts-dejavu-core), by default /usr/share/fonts/truetype/dejavu.

#include "editor/corvane_layout.h"
#include "tools/artwork/artwork_common.h"
#include "tools/artwork/artwork_controls.h"
#include "tools/artwork/artwork_fonts.h"
#include "tools/artwork/artwork_panel.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

using namespace corvane::artwork;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvane-artwork OUT_DIR [FONT_DIR]\n");
        return 2;
    }
    const std::string out = argv[1];
    const std::string font_dir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu";
    for (const char* folder : {"/PNG", "/PNG_2X", "/VOVIZUDU_MAP"})
        mkdir((out + folder).c_str(), 0755);

    PanelFonts fonts{loadFontFace(font_dir + "/DejaVuSans.ttf"),
                     loadFontFace(font_dir + "/DejaVuSans-Bold.ttf")};
    if (fonts.regular == nullptr || fonts.bold == nullptr) return 1;

    bool ok = true;
    for (int scale : {1, 2}) {
        const std::string png = out + "/" + pngFolder(scale) + "/";
        ok &= writeBackground(fonts, scale, png + "background.png");
        ok &= writeAbout(fonts, scale, png + "about.png");
        ok &= writeKnobStrip({50, 65, 25, 24, 19, 3, 13.5}, scale, png + "knob_normal.png");
        ok &= writeKnobStrip({37, 48, 18.5, 16, 13, 2.5, 9}, scale, png + "knob_small.png");
        ok &= writeKnobStrip({77, 95, 38.5, 36, 30.5, 4, 23}, scale, png + "knob_large.png");
        ok &= writeHorizontalSwitch(37, 24, 2, scale, png + "switch_2_way_h.png");
        ok &= writeVerticalSwitch(37, 48, 2, scale, png + "switch_2_way_v.png");
        ok &= writeVerticalSwitch(37, 48, 3, scale, png + "switch_3_way.png");
        ok &= writeVerticalSwitch(37, 63, 4, scale, png + "switch_4_way.png");
        ok &= writeButton(21, 24, scale, png + "button.png");
    }

    // Large: labels and read-outs of the big knobs and the version; small: the small knobs.
    ok &= writeBitmapFont({corvane::layout::kLargeFontId, 15, 11, fonts.bold, 8}, out);
    ok &= writeBitmapFont({corvane::layout::kSmallFontId, 13, 9, fonts.bold, 7}, out);
    return ok ? 0 : 1;
}
