// Rendering: GetScaledPanelDisplayBitmap of a 400 x 300 panel with 20 controls (buttons,
// numeric indicators, colour controls, text messages, rings, a list box with escape
// codes), unscaled, the bitmap discarded after each call, against FreeType drawing the
// same panel's texts alone: every character of every label and caption loaded and
// rendered with FT_Load_Char (FT_LOAD_RENDER, the same face and size) and its coverage
// blended into a 400 x 300 pixel buffer filled first. The alternative draws no borders,
// fields or boxes, so it is a floor for the text part only. Goal: under 2 ms a picture.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ratios.h"
#include "rtengine.h"

namespace {

constexpr int kWidth = 400, kHeight = 300, kPixels = 13;

struct Panel {
    int handle = 0;
    std::vector<std::string> texts;  // every text the panel draws
};

int add(Panel &p, int style, const char *label, int top, int left) {
    int id = NewCtrl(p.handle, style, label, top, left);
    if (id < 2) {
        std::fprintf(stderr, "NewCtrl failed: %d\n", id);
        std::exit(1);
    }
    p.texts.push_back(label);
    return id;
}

// Twenty controls in four rows.
Panel makePanel() {
    Panel p;
    p.handle = NewPanel(0, "bench", 0, 0, kHeight, kWidth);
    for (int k = 0; k < 4; ++k) {
        int top = 20 + 55 * k;
        add(p, RTE_CTRL_COMMAND_BUTTON, "Apply", top, 10);
        int number = add(p, RTE_CTRL_NUMERIC_INDICATOR, "Value", top + 16, 80);
        SetCtrlVal(p.handle, number, 12.5 * k);
        p.texts.push_back("12.50");
        int color = add(p, RTE_CTRL_COLOR_NUM, "Colour", top + 16, 190);
        SetCtrlVal(p.handle, color, 0x336699 + k);
        add(p, RTE_CTRL_TEXT_MSG, "A line of explanation", top, 240);
        int ring = add(p, RTE_CTRL_RING, "Ring", top + 16, 240);
        InsertListItem(p.handle, ring, -1, "Tuesday", 1);
        p.texts.push_back("Tuesday");
    }
    return p;
}

const Panel &panel() {
    static Panel p = makePanel();
    return p;
}

void renderWithEngine() {
    int bitmap = 0;
    const Rect all = {0, 0, RTE_DISPLAY_AREA_ALL, RTE_DISPLAY_AREA_ALL};
    if (GetScaledPanelDisplayBitmap(panel().handle, RTE_DISPLAY_SCOPE_PANEL, all, 0, 0, &bitmap) != 0)
        std::abort();
    DiscardBitmap(bitmap);
}

class FreeTypeText {
public:
    FreeTypeText() : pixels_(size_t(kWidth) * kHeight) {
        if (FT_Init_FreeType(&library_) ||
            FT_New_Face(library_, BENCH_DEJAVU_DIR "/DejaVuSans.ttf", 0, &face_) ||
            FT_Set_Pixel_Sizes(face_, 0, kPixels)) {
            std::fprintf(stderr, "FreeType cannot open DejaVuSans.ttf\n");
            std::exit(1);
        }
    }
    ~FreeTypeText() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    // Fills the buffer, then draws each text on a line of its own.
    void draw(const std::vector<std::string> &texts) {
        std::fill(pixels_.begin(), pixels_.end(), 0xD4D0C8u);
        int top = 0;
        for (const std::string &text : texts) {
            int pen = 4;
            top = (top + kPixels + 2) % (kHeight - 2 * kPixels);
            for (unsigned char c : text) {
                if (FT_Load_Char(face_, c, FT_LOAD_RENDER)) continue;
                const FT_Bitmap &glyph = face_->glyph->bitmap;
                int x0 = pen + face_->glyph->bitmap_left, y0 = top + kPixels - face_->glyph->bitmap_top;
                for (unsigned y = 0; y < glyph.rows; ++y)
                    for (unsigned x = 0; x < glyph.width; ++x) {
                        int px = x0 + int(x), py = y0 + int(y);
                        if (px < 0 || py < 0 || px >= kWidth || py >= kHeight) continue;
                        unsigned a = glyph.buffer[y * unsigned(glyph.pitch) + x];
                        std::uint32_t &out = pixels_[size_t(py) * kWidth + size_t(px)];
                        std::uint32_t mixed = 0;
                        for (int s = 0; s <= 16; s += 8) {
                            unsigned u = (out >> s) & 0xFF;
                            mixed |= ((u * (255 - a) + 127) / 255) << s;
                        }
                        out = mixed;
                    }
                pen += int(face_->glyph->advance.x >> 6);
            }
        }
        benchmark::DoNotOptimize(pixels_.data());
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::vector<std::uint32_t> pixels_;
};

FreeTypeText &freeType() {
    static FreeTypeText text;
    return text;
}

std::vector<bench::Pair> ratioPairs() {
    std::printf("panel: %d x %d, 20 controls, %zu texts\n", kWidth, kHeight, panel().texts.size());
    return {
        {"GetScaledPanelDisplayBitmap / FreeType texts only", renderWithEngine,
         [] { freeType().draw(panel().texts); }, "BM_RenderPanel400x300", "BM_FreeTypeTexts"},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
