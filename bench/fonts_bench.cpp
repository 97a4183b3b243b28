// Text measuring: GetTextDisplaySize of a 40-character label in the dialog meta font
// (DejaVu Sans, 13 pixels) against FreeType measuring the same label in the same face
// file at the same size: FT_Load_Char advances (unhinted) with FT_Get_Kerning, and
// FreeType's advance-only path FT_Get_Advance with the same kerning. All three give the
// same width (checked before timing).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ratios.h"
#include "rtengine.h"

namespace {

const char kLabel[] = "Copy shortcuts to the desktop and menus.";
static_assert(sizeof kLabel - 1 == 40, "a 40-character label");
constexpr int kPixels = 13;  // the dialog meta font: 10 points at 96 pixels per inch

class FreeTypeFace {
public:
    FreeTypeFace() {
        if (FT_Init_FreeType(&library_) ||
            FT_New_Face(library_, BENCH_DEJAVU_DIR "/DejaVuSans.ttf", 0, &face_) ||
            FT_Set_Pixel_Sizes(face_, 0, kPixels)) {
            std::fprintf(stderr, "FreeType cannot open DejaVuSans.ttf\n");
            std::exit(1);
        }
    }
    ~FreeTypeFace() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    FT_Face face() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

FT_Face freeTypeFace() {
    static FreeTypeFace face;
    return face.face();
}

int engineWidth(const char *text) {
    int width = 0;
    GetTextDisplaySize(text, RTE_DIALOG_META_FONT, nullptr, &width);
    return width;
}

// Advances in 1/64 pixel from FT_Load_Char, kerning from FT_Get_Kerning.
int loadCharWidth(FT_Face face, const char *text) {
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (const char *c = text; *c; ++c) {
        FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(*c));
        if (previous) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &kerning);
            pen += kerning.x;
        }
        FT_Load_Char(face, static_cast<unsigned char>(*c), FT_LOAD_NO_HINTING);
        pen += face->glyph->advance.x;
        previous = glyph;
    }
    return int((pen + 32) >> 6);
}

// The same with FT_Get_Advance, which reads the advance without loading the glyph
// (16.16 pixels, unhinted).
int getAdvanceWidth(FT_Face face, const char *text) {
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (const char *c = text; *c; ++c) {
        FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(*c));
        if (previous) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &kerning);
            pen += kerning.x;
        }
        FT_Fixed advance = 0;
        FT_Get_Advance(face, glyph, FT_LOAD_NO_HINTING, &advance);
        pen += (advance + 512) >> 10;
        previous = glyph;
    }
    return int((pen + 32) >> 6);
}

// The label through an opaque pointer, so no call is folded away.
const char *volatile g_label = kLabel;

void BM_GetTextDisplaySize(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(engineWidth(g_label));
}
void BM_FreeTypeLoadChar(benchmark::State &state) {
    FT_Face face = freeTypeFace();
    for (auto _ : state) benchmark::DoNotOptimize(loadCharWidth(face, g_label));
}
void BM_FreeTypeGetAdvance(benchmark::State &state) {
    FT_Face face = freeTypeFace();
    for (auto _ : state) benchmark::DoNotOptimize(getAdvanceWidth(face, g_label));
}
BENCHMARK(BM_GetTextDisplaySize);
BENCHMARK(BM_FreeTypeLoadChar);
BENCHMARK(BM_FreeTypeGetAdvance);

std::vector<bench::Pair> ratioPairs() {
    FT_Face face = freeTypeFace();
    int engine = engineWidth(kLabel);
    int loaded = loadCharWidth(face, kLabel);
    int advanced = getAdvanceWidth(face, kLabel);
    std::printf("width of the label: engine %d, FT_Load_Char %d, FT_Get_Advance %d pixels\n",
                engine, loaded, advanced);
    if (engine != loaded || engine != advanced) {
        std::fprintf(stderr, "the measurements disagree\n");
        std::exit(1);
    }
    return {
        {"GetTextDisplaySize / FT_Load_Char + FT_Get_Kerning",
         [] { benchmark::DoNotOptimize(engineWidth(g_label)); },
         [face] { benchmark::DoNotOptimize(loadCharWidth(face, g_label)); }},
        {"GetTextDisplaySize / FT_Get_Advance + FT_Get_Kerning",
         [] { benchmark::DoNotOptimize(engineWidth(g_label)); },
         [face] { benchmark::DoNotOptimize(getAdvanceWidth(face, g_label)); }},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
