// The engine's fonts: meta fonts, measuring, font resolution for the user-interface
// model and glyph coverage for the renderer. Sizes are checked against FreeType on the
// same .ttf files natively, and everywhere (Wine too) against numbers FreeType gave.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fonts/fonts.h"
#include "rtengine.h"
#include "test_support.h"
#if TOOLBOX_TEST_FREETYPE
#include "freetype_reference.h"
#endif

using rte::fonts::FontOverrides;
using rte::fonts::ResolvedFont;
using testing_support::LibraryErrorCounter;
namespace fonts = rte::fonts;

namespace {

constexpr int kKeep = fonts::kKeep;

// "widthxheight" of GetTextDisplaySize, or the code it failed with.
std::string displaySize(const std::string &text, const char *font) {
    int height = -1, width = -1;
    int code = GetTextDisplaySize(text.c_str(), font, &height, &width);
    return code ? "code " + std::to_string(code) : std::to_string(width) + "x" + std::to_string(height);
}

ResolvedFont resolved(const char *name, FontOverrides overrides = {}) {
    ResolvedFont font;
    EXPECT_EQ(fonts::resolveFont(name, overrides, font), 0) << name;
    return font;
}

fonts::TextExtent extentOf(const ResolvedFont &font, const std::string &text) {
    return fonts::measureText(font, text.data(), text.size());
}

std::string sizeIn(const ResolvedFont &font, const std::string &text) {
    fonts::TextExtent extent = extentOf(font, text);
    return std::to_string(extent.width) + "x" + std::to_string(extent.height);
}

// "typeface points BIUS" with the styles that are on, or the code.
std::string described(const char *metaFont) {
    fonts::FontSpec spec;
    if (int code = fonts::describeMetaFont(metaFont, spec)) return "code " + std::to_string(code);
    return spec.typeface + " " + std::to_string(spec.pointSize) + " " + (spec.bold ? "B" : "") +
           (spec.italic ? "I" : "") + (spec.underline ? "U" : "") + (spec.strikeOut ? "S" : "");
}

#if TOOLBOX_TEST_FREETYPE
// The face the engine documents for a typeface and weight: the test's own copy.
std::string faceFile(const std::string &typeface, bool bold) {
    if (typeface.find("Mono") != std::string::npos || typeface == "Courier New")
        return "DejaVuSansMono.ttf";
    if (typeface == "DejaVu Serif" || typeface == "Times New Roman")
        return bold ? "DejaVuSerif-Bold.ttf" : "DejaVuSerif.ttf";
    return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
}

testing_support::FreeTypeReference &freeType() {
    static testing_support::FreeTypeReference reference(TOOLBOX_DEJAVU_DIR);
    return reference;
}
#endif

struct NotedCase {
    const char *typeface;
    int points;
    bool bold, italic;
    const char *text;
    const char *size;  // as FreeType measured it natively
};
void PrintTo(const NotedCase &noted, std::ostream *out) { *out << noted.typeface << " / " << noted.text; }

class NotedMetrics : public ::testing::TestWithParam<NotedCase> {};

// A meta font of the case measures the noted size, and natively FreeType agrees, so the
// notes cannot drift from the independent measurement.
TEST_P(NotedMetrics, MatchFreeType) {
    const NotedCase &noted = GetParam();
    ASSERT_EQ(CreateMetaFont("Noted", noted.typeface, noted.points, noted.bold, noted.italic, 0, 0), 0);
    EXPECT_EQ(displaySize(noted.text, "Noted"), noted.size);
#if TOOLBOX_TEST_FREETYPE
    auto reference = freeType().measure(faceFile(noted.typeface, noted.bold),
                                        fonts::pixelSizeForPoints(noted.points), noted.text);
    EXPECT_EQ(std::to_string((reference.widest64 + 32) >> 6) + "x" +
                  std::to_string(reference.lines * reference.lineHeight),
              noted.size);
#endif
}

const NotedCase kNotedCases[] = {
    {"DejaVu Sans", 10, false, false, "Hello, World", "78x15"},
    {"DejaVu Sans", 10, true, false, "Hello, World", "90x15"},
    {"DejaVu Sans", 10, false, true, "AVATAR Wavy Tokyo", "129x15"},
    {"Arial", 10, false, false, "AVATAR Wavy Tokyo", "129x15"},
    {"DejaVu Sans", 8, false, false, "The quick brown fox jumps over the lazy dog", "247x13"},
    {"DejaVu Sans", 2, false, false, "sample", "11x4"},
    {"bogusfont", 6, true, true, "sample", "32x9"},
    {"DejaVu Sans", 10, false, false, "Serial port COM1: 9600 baud, 8N1 (none)", "270x15"},
    {"DejaVu Sans", 10, false, false, "Fran\xe7" "ais \x80 12 \x93quoted\x94 \x85", "167x15"},
    {"DejaVu Sans", 10, false, false, "two\nlines\r\nand\rfour", "30x60"},
    {"DejaVu Sans", 72, false, false, "Wy", "150x112"},
    {"DejaVu Sans Mono", 10, false, false, "0123456789", "78x15"},
    {"Courier New", 10, true, true, "0123456789", "78x15"},
    {"DejaVu Serif", 12, false, false, "Serif Text, To Ty", "133x19"},
    {"Times New Roman", 12, true, false, "Serif Text, To Ty", "143x19"},
};
INSTANTIATE_TEST_SUITE_P(Fonts, NotedMetrics, ::testing::ValuesIn(kNotedCases));

#if TOOLBOX_TEST_FREETYPE
class FreeTypeSweep : public ::testing::TestWithParam<std::pair<const char *, bool>> {};

// Every ordered byte pair (every kerning pair, control characters and the code page's
// upper half included) and a corpus at many sizes measure to the 1/64 pixel as
// FreeType does, with the same lines and line heights.
TEST_P(FreeTypeSweep, AgreesToTheSixtyFourthOfAPixel) {
    const char *typeface = GetParam().first;
    const bool bold = GetParam().second;
    const std::string file = faceFile(typeface, bold);
    ResolvedFont font = resolved(typeface, FontOverrides{10, bold});
    for (int first = 32; first < 256; ++first) {
        std::string pairs;
        for (int second = 32; second < 256; ++second) pairs += {char(first), char(second)};
        ASSERT_EQ(extentOf(font, pairs).widestLine64, freeType().measure(file, 13, pairs).widest64)
            << "pairs that start with byte " << first;
    }
    const char *corpus[] = {
        "AVATAR LTA Wavy Tokyo \"quoted\" T.J. Py, the quick brown fox",
        "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e\x91\x92\x93\x94\x95\x96\x97\x98"
        "\x99\x9a\x9b\x9c\x9e\x9f \xc0\xc9\xd6\xdf\xe0\xe9\xf6\xff",
        "first line\nsecond, longer line\r\nthird\rWWW\ttab\x01" "bell\x7f",
    };
    for (int points : {1, 2, 3, 5, 6, 7, 8, 9, 11, 12, 14, 16, 18, 20, 24, 36, 48, 72, 100, 500}) {
        ResolvedFont sized = resolved(typeface, FontOverrides{points, bold});
        for (const char *text : corpus) {
            SCOPED_TRACE(::testing::Message() << points << " pt: " << text);
            auto engine = extentOf(sized, text);
            auto reference = freeType().measure(file, sized.pixelSize, text);
            EXPECT_EQ(engine.widestLine64, reference.widest64);
            EXPECT_EQ(engine.width, (reference.widest64 + 32) >> 6);
            EXPECT_EQ(engine.height, reference.lines * reference.lineHeight);
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Fonts, FreeTypeSweep,
                         ::testing::Values(std::make_pair("DejaVu Sans", false),
                                           std::make_pair("DejaVu Sans", true),
                                           std::make_pair("DejaVu Sans Mono", false),
                                           std::make_pair("DejaVu Serif", false),
                                           std::make_pair("DejaVu Serif", true)));
#endif

// The predefined meta fonts read back as documented, under any case of their names, and
// measure as their typeface at their size and weight; typefaces are not meta fonts.
TEST(MetaFonts, PredefinedFontsReadBackAndMeasure) {
    struct {
        const char *name, *shouted, *typeface, *spec;
        FontOverrides asTypeface;
    } const predefined[] = {
        {RTE_DIALOG_META_FONT, "DIALOGMETAFONT", RTE_SANS_TYPEFACE, "DejaVu Sans 10 ", {10}},
        {RTE_MENU_META_FONT, "MENUMETAFONT", RTE_SANS_TYPEFACE, "DejaVu Sans 10 ", {10}},
        {RTE_MESSAGE_META_FONT, "MESSAGEMETAFONT", RTE_SANS_TYPEFACE, "DejaVu Sans 10 ", {10}},
        {RTE_TITLE_META_FONT, "titlemetafont", RTE_SANS_TYPEFACE, "DejaVu Sans 12 B", {12, 1}},
        {RTE_FIXED_META_FONT, "fixedMETAfont", RTE_MONO_TYPEFACE, "DejaVu Sans Mono 10 ", {10}},
    };
    for (const auto &font : predefined) {
        EXPECT_EQ(described(font.name), font.spec);
        std::string expected = sizeIn(resolved(font.typeface, font.asTypeface), "Sample text");
        EXPECT_EQ(displaySize("Sample text", font.name), expected);
        EXPECT_EQ(displaySize("Sample text", font.shouted), expected);
    }
    EXPECT_EQ(described("Arial"), "code -89");
    EXPECT_EQ(described(nullptr), "code -65");
}

// Bad arguments fail with their code, each reported once, outputs untouched; null
// outputs are allowed and a single output gets its value.
TEST(MetaFonts, MeasuringChecksItsArguments) {
    LibraryErrorCounter counter;
    struct {
        const char *text, *font;
        int code;
    } const bad[] = {
        {"x", "NoSuchFont", -89}, {"x", RTE_SANS_TYPEFACE, -89}, {"x", "Arial", -89},
        {"x", "", -89}, {"x", "DialogMetaFont ", -89}, {nullptr, RTE_DIALOG_META_FONT, -65},
        {"x", nullptr, -65},
    };
    for (const auto &call : bad) {
        int height = 0x0bd0bd, width = 0x0bd0bd;
        EXPECT_EQ(GetTextDisplaySize(call.text, call.font, &height, &width), call.code);
        EXPECT_EQ(height + width, 2 * 0x0bd0bd);
    }
    EXPECT_EQ(counter.reports(), 7);
    EXPECT_EQ(LibraryErrorCounter::lastFunction(), "GetTextDisplaySize");
    int height = -1, width = -1;
    EXPECT_EQ(GetTextDisplaySize("sample", RTE_DIALOG_META_FONT, nullptr, nullptr), 0);
    EXPECT_EQ(GetTextDisplaySize("sample", RTE_DIALOG_META_FONT, &height, nullptr), 0);
    EXPECT_EQ(GetTextDisplaySize("sample", RTE_DIALOG_META_FONT, nullptr, &width), 0);
    EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height),
              displaySize("sample", RTE_DIALOG_META_FONT));
    EXPECT_EQ(counter.reports(), 7);
}

// Defining, redefining (the ring-sizing sequence: a control's font, then "bogusfont" at
// 6 points with every style), reading back, and a meta font lending its typeface.
TEST(MetaFonts, DefineRedefineAndReadBack) {
    ASSERT_EQ(CreateMetaFont("___RingMetaFont", "DejaVu Serif", 14, 1, 0, 1, 0), 0);
    EXPECT_EQ(described("___RingMetaFont"), "DejaVu Serif 14 BU");
    const std::string serif = displaySize("Ring label", "___RingMetaFont");
    EXPECT_EQ(serif, sizeIn(resolved("Serif", FontOverrides{14, 1}), "Ring label"));

    ASSERT_EQ(CreateMetaFont("___RingMetaFont", "bogusfont", 6, 1, 1, 1, 1), 0);
    EXPECT_EQ(described("___RingMetaFont"), "bogusfont 6 BIUS");
    EXPECT_EQ(displaySize("Ring label", "___RingMetaFont"),
              sizeIn(resolved(RTE_SANS_TYPEFACE, FontOverrides{6, 1}), "Ring label"));
    EXPECT_NE(displaySize("Ring label", "___RingMetaFont"), serif);
    ResolvedFont ring = resolved("___RingMetaFont");
    EXPECT_EQ(ring.pixelSize, 8);
    EXPECT_TRUE(ring.syntheticItalic && !ring.syntheticBold);

    ASSERT_EQ(CreateMetaFont("___ringMETAfont", "Arial", 10, 0, 0, 0, 0), 0);
    EXPECT_EQ(described("___RingMetaFont"), "Arial 10 ");
    ASSERT_EQ(CreateMetaFont("Lender", "Times New Roman", 20, 1, 0, 0, 0), 0);
    ASSERT_EQ(CreateMetaFont("Borrower", "LENDER", 9, 0, 1, 0, 0), 0);
    EXPECT_EQ(described("Borrower"), "Times New Roman 9 I");
    EXPECT_EQ(displaySize("Borrowed", "Borrower"),
              sizeIn(resolved("DejaVu Serif", FontOverrides{9}), "Borrowed"));
    ASSERT_EQ(CreateMetaFont("Styles", "", 10, 7, -1, 2, 99), 0);
    EXPECT_EQ(described("Styles"), " 10 BIUS");
}

// Bad definitions fail with their code, are reported and change nothing; the limits
// themselves are accepted.
TEST(MetaFonts, BadDefinitionsChangeNothing) {
    ASSERT_EQ(CreateMetaFont("Kept", "DejaVu Serif", 11, 0, 0, 0, 0), 0);
    const std::string tooLong(RTE_MAX_FONT_NAME_LEN, 'n'), longest(RTE_MAX_FONT_NAME_LEN - 1, 'n');
    struct {
        const char *name, *typeface;
        int points, code;
    } const bad[] = {
        {nullptr, "Arial", 10, -65},
        {"Kept", nullptr, 10, -65},
        {"", "Arial", 10, -90},
        {tooLong.c_str(), "Arial", 10, -90},
        {"Kept", tooLong.c_str(), 10, -90},
        {"Kept", "Arial", 0, -90},
        {"Kept", "Arial", -3, -90},
        {"Kept", "Arial", RTE_MAX_FONT_POINT_SIZE + 1, -90},
        {RTE_DIALOG_META_FONT, "Arial", 10, -90},
        {"titlemetafont", "Arial", 10, -90},
        {"Arial", "Arial", 10, -90},
        {"dejavu sans mono", "Arial", 10, -90},
    };
    LibraryErrorCounter counter;
    for (const auto &call : bad) {
        EXPECT_EQ(CreateMetaFont(call.name, call.typeface, call.points, 1, 1, 1, 1), call.code)
            << (call.name ? call.name : "(null)") << " / " << call.points;
        EXPECT_EQ(described("Kept"), "DejaVu Serif 11 ");
    }
    EXPECT_EQ(counter.reports(), 12);
    EXPECT_EQ(LibraryErrorCounter::lastFunction(), "CreateMetaFont");
    EXPECT_EQ(described(RTE_DIALOG_META_FONT), "DejaVu Sans 10 ");
    EXPECT_EQ(displaySize("x", "Arial"), "code -89") << "no meta font named like a typeface";

    EXPECT_EQ(CreateMetaFont(longest.c_str(), longest.c_str(), 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(described(longest.c_str()), longest + " 1 ");
    EXPECT_EQ(CreateMetaFont("Largest", "Arial", RTE_MAX_FONT_POINT_SIZE, 0, 0, 0, 0), 0);
    EXPECT_EQ(displaySize("", "Largest"),
              "0x" + std::to_string(fonts::lineMetrics(resolved("Largest")).lineHeight));
}

// Lines end at "\n", "\r\n" and a lone "\r"; the widest line sets the width; the empty
// text is one line; control characters take no room and end kerning.
TEST(TextMeasuring, LinesEmptyTextAndControls) {
    ResolvedFont font = resolved(RTE_DIALOG_META_FONT);
    ASSERT_EQ(fonts::lineMetrics(font).lineHeight, 15);
    EXPECT_EQ(displaySize("", RTE_DIALOG_META_FONT), "0x15");
    auto width64 = [&](const std::string &text) { return extentOf(font, text).widestLine64; };
    struct {
        const char *text;
        int lines;
        const char *widest;
    } const lines[] = {
        {"ab\ncd", 2, "ab"}, {"ab\r\ncd", 2, "ab"}, {"ab\rcd", 2, "ab"}, {"ab\n", 2, "ab"},
        {"\n\n", 3, ""},     {"\r\r\n", 3, ""},     {"i\nWWW\nii", 3, "WWW"},
    };
    for (const auto &text : lines) {
        fonts::TextExtent extent = extentOf(font, text.text);
        EXPECT_EQ(extent.lines * 15, extent.height) << text.text;
        EXPECT_EQ(extent.lines, text.lines) << text.text;
        EXPECT_EQ(extent.widestLine64, width64(text.widest)) << text.text;
        EXPECT_EQ(displaySize(text.text, RTE_DIALOG_META_FONT), sizeIn(font, text.text));
    }
    ASSERT_LT(width64("AV"), width64("A") + width64("V"));
    for (char control : std::string("\t\x01\x1f\x7f\x81\x9d\0", 7))
        EXPECT_EQ(width64(std::string{'A', control, 'V'}), width64("A") + width64("V")) << int(control);
}

// A typeface alone is 10 points without styles; overrides change size and styles; bold
// uses the bold face, while Mono bold and every italic are drawn synthetically.
TEST(FontResolution, TypefacesMetaFontsAndOverrides) {
    ResolvedFont arial = resolved("ARIAL");
    EXPECT_EQ(arial.spec.typeface + " " + std::to_string(arial.spec.pointSize), "ARIAL 10");
    EXPECT_FALSE(arial.spec.bold || arial.spec.italic || arial.spec.underline || arial.spec.strikeOut);
    EXPECT_EQ(arial.face, resolved(RTE_DIALOG_META_FONT).face);
    ResolvedFont all = resolved(RTE_DIALOG_META_FONT, FontOverrides{2, 1, 5, 1, 1});
    EXPECT_EQ(all.pixelSize, 3);
    EXPECT_TRUE(all.spec.bold && all.spec.italic && all.spec.underline && all.spec.strikeOut);
    EXPECT_TRUE(all.syntheticItalic && !all.syntheticBold);
    ResolvedFont plainTitle = resolved(RTE_TITLE_META_FONT, FontOverrides{kKeep, 0});
    EXPECT_EQ(plainTitle.spec.pointSize, 12);
    EXPECT_GT(extentOf(resolved(RTE_TITLE_META_FONT), "Bold").widestLine64,
              extentOf(plainTitle, "Bold").widestLine64);
    ResolvedFont monoBold = resolved("Courier New", FontOverrides{kKeep, 1});
    EXPECT_TRUE(monoBold.syntheticBold);
    EXPECT_EQ(monoBold.face, resolved(RTE_FIXED_META_FONT).face);

    struct {
        const char *name;
        int points, code;
    } const bad[] = {{nullptr, kKeep, -65}, {"bogusfont", kKeep, -89}, {"", kKeep, -89},
                     {"Arial", 0, -90}, {RTE_DIALOG_META_FONT, RTE_MAX_FONT_POINT_SIZE + 1, -90}};
    for (const auto &call : bad) {
        ResolvedFont untouched;
        untouched.pixelSize = 777;
        EXPECT_EQ(fonts::resolveFont(call.name, FontOverrides{call.points}, untouched), call.code);
        EXPECT_TRUE(untouched.pixelSize == 777 && !untouched.face);
    }
    const int pixels[][2] = {{1, 1}, {2, 3}, {6, 8}, {8, 11}, {9, 12}, {10, 13}, {12, 16}, {500, 667}};
    for (const auto &pair : pixels) EXPECT_EQ(fonts::pixelSizeForPoints(pair[0]), pair[1]) << pair[0];
}

long long inkOf(const fonts::GlyphCoverage &picture) {
    long long ink = 0;
    for (std::uint8_t value : picture.pixels) ink += value;
    return ink;
}

std::vector<fonts::PlacedGlyph> laidOut(const ResolvedFont &font, const std::string &text) {
    std::vector<fonts::PlacedGlyph> run;
    EXPECT_EQ(fonts::layoutText(font, text.data(), text.size(), run), 0);
    return run;
}

// Each glyph sits at its pen position rounded to a pixel (kerning included), on its
// line's baseline; the same character is the same glyph.
TEST(GlyphRuns, LayoutFollowsMeasuring) {
    ResolvedFont font = resolved(RTE_DIALOG_META_FONT);
    std::vector<fonts::PlacedGlyph> run = laidOut(font, "To\tW\nWay");
    ASSERT_EQ(run.size(), 6u);
    auto width64 = [&](const std::string &text) { return extentOf(font, text).widestLine64; };
    const char *before[] = {"", "T", "To\t", "", "W", "Wa"};  // on the glyph's line
    const char glyphs[] = "ToWWay";
    for (size_t k = 0; k < run.size(); ++k) {
        const std::string glyph(1, glyphs[k]);
        long long pen64 = width64(before[k] + glyph) - width64(glyph);
        EXPECT_EQ(run[k].x, int((pen64 + 32) >> 6)) << k;
        EXPECT_EQ(run[k].y, fonts::lineMetrics(font).ascent + (k < 3 ? 0 : 15)) << k;
    }
    EXPECT_LT(run[1].x, (width64("T") + 32) >> 6) << "T and o kern";
    EXPECT_TRUE(run[2].glyph == run[3].glyph && run[0].glyph != run[1].glyph);
}

#if TOOLBOX_TEST_FREETYPE
// A glyph's coverage lies where FreeType renders it and holds the same ink within 2 %,
// upright and slanted, small and large.
TEST(GlyphRuns, CoverageMatchesFreeType) {
    for (int points : {10, 20, 50})
        for (int italic : {0, 1})
            for (unsigned char character : {'A', 'g', 'W', '@', '\xe9'}) {
                SCOPED_TRACE(::testing::Message() << points << " pt " << italic << character);
                ResolvedFont font = resolved(RTE_SANS_TYPEFACE, FontOverrides{points, 0, italic});
                int glyph = laidOut(font, std::string(1, char(character)))[0].glyph;
                auto picture = fonts::glyphCoverage(font, glyph);
                auto reference = freeType().render("DejaVuSans.ttf", font.pixelSize,
                                                   freeType().codepoint(character), italic);
                EXPECT_NEAR(picture->left, reference.left, 1);
                EXPECT_NEAR(picture->top, reference.top, 1);
                EXPECT_NEAR(picture->left + picture->width, reference.left + reference.width, 1);
                EXPECT_NEAR(picture->top + picture->height, reference.top + reference.height, 1);
                EXPECT_NEAR(double(inkOf(*picture)), double(reference.ink), 0.02 * reference.ink);
            }
}
#endif

// Drawing adds coverage (saturating), clips at every edge and never writes outside the
// canvas; pictures come from the cache; odd glyph numbers and spaces draw nothing;
// synthetic bold widens the picture and keeps the advance.
TEST(GlyphRuns, DrawingClipsAddsUpAndEmboldens) {
    ResolvedFont font = resolved(RTE_SANS_TYPEFACE, FontOverrides{20});
    std::vector<fonts::PlacedGlyph> run = laidOut(font, "W");
    auto picture = fonts::glyphCoverage(font, run[0].glyph);
    EXPECT_EQ(picture, fonts::glyphCoverage(font, run[0].glyph)) << "cached";
    const long long ink = inkOf(*picture);
    ASSERT_GT(ink, 0);

    // A 60x40 canvas inside a buffer with a 16-pixel margin all round.
    constexpr int kWidth = 60, kHeight = 40, kMargin = 16, kStride = kWidth + 2 * kMargin;
    std::vector<std::uint8_t> buffer(size_t(kStride) * (kHeight + 2 * kMargin));
    fonts::CoverageCanvas canvas{&buffer[kMargin * kStride + kMargin], kWidth, kHeight, kStride};
    auto sum = [](const std::uint8_t *pixels, int width, int height) {
        long long total = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) total += pixels[y * kStride + x];
        return total;
    };
    ASSERT_EQ(fonts::drawGlyphRun(font, run.data(), 1, 5, 0, canvas), 0);
    EXPECT_EQ(sum(canvas.pixels, kWidth, kHeight), ink);
    ASSERT_EQ(fonts::drawGlyphRun(font, run.data(), 1, 5, 0, canvas), 0);
    long long saturated = 0;
    for (std::uint8_t value : picture->pixels) saturated += std::min(255, 2 * value);
    EXPECT_EQ(sum(canvas.pixels, kWidth, kHeight), saturated);
    const int offsets[][2] = {{-10, -8}, {50, 30}, {-30, 0}, {0, -30}, {55, 0},
                              {0, 35}, {-1000000, 0}, {2000000000, 2000000000}};
    for (const auto &offset : offsets) {
        std::fill(buffer.begin(), buffer.end(), 0);
        ASSERT_EQ(fonts::drawGlyphRun(font, run.data(), 1, offset[0], offset[1], canvas), 0);
        long long inside = sum(canvas.pixels, kWidth, kHeight);
        EXPECT_EQ(sum(buffer.data(), kStride, kHeight + 2 * kMargin), inside)
            << offset[0] << "," << offset[1];
        EXPECT_LT(inside, ink);
    }
    for (int glyph : {-1, 1 << 20, laidOut(font, " ")[0].glyph})
        EXPECT_TRUE(fonts::glyphCoverage(font, glyph)->pixels.empty()) << glyph;

    ResolvedFont mono = resolved(RTE_MONO_TYPEFACE, FontOverrides{40});
    ResolvedFont monoBold = resolved(RTE_MONO_TYPEFACE, FontOverrides{40, 1});
    auto thin = fonts::glyphCoverage(mono, laidOut(mono, "m")[0].glyph);
    auto thick = fonts::glyphCoverage(monoBold, laidOut(mono, "m")[0].glyph);
    EXPECT_TRUE(thick->width == thin->width + 1 + monoBold.pixelSize / 32 && thick->left == thin->left);
    EXPECT_GT(inkOf(*thick), inkOf(*thin) * 11 / 10);
    EXPECT_EQ(extentOf(monoBold, "mmm").widestLine64, extentOf(mono, "mmm").widestLine64);
}

// Measuring while other threads redefine the meta font gives one definition's size or
// the other's; kerning rows are first filled by several threads at once; glyph
// pictures overflow the cache while they are in use.
TEST(FontThreads, MeasureRedefineAndDrawConcurrently) {
    const std::string label = "Wavy AVATAR To Ty \x80 \xe9t\xe9";
    ASSERT_EQ(CreateMetaFont("ThreadFont", "Arial", 10, 0, 0, 0, 0), 0);
    const std::string first = displaySize(label, "ThreadFont");
    ASSERT_EQ(CreateMetaFont("ThreadFont", "Times New Roman", 14, 1, 0, 0, 0), 0);
    const std::string second = displaySize(label, "ThreadFont");
    ASSERT_NE(first, second);
    std::string everyByte;
    for (int byte = 32; byte < 256; ++byte) everyByte += char(byte);
    ResolvedFont serif = resolved("DejaVu Serif", FontOverrides{9});  // its kerning unused yet
    ResolvedFont huge = resolved(RTE_SANS_TYPEFACE, FontOverrides{RTE_MAX_FONT_POINT_SIZE});
    std::vector<fonts::PlacedGlyph> letters = laidOut(huge, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");

    std::atomic<int> wrong{0};
    std::vector<long long> serifWidths(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([t] {
            for (int round = 0; round < 200; ++round) {
                bool arial = (round + t) % 2;
                CreateMetaFont("ThreadFont", arial ? "Arial" : "Times New Roman",
                               arial ? 10 : 14, !arial, 0, 0, 0);
            }
        });
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            serifWidths[t] = extentOf(serif, everyByte).widestLine64;
            for (int round = 0; round < 500; ++round) {
                std::string size = displaySize(label, "ThreadFont");
                if (size != first && size != second) ++wrong;
            }
        });
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (size_t k = size_t(t); k < letters.size(); k += 2) {
                    auto picture = fonts::glyphCoverage(huge, letters[k].glyph);
                    if (!picture || inkOf(*picture) <= 0) ++wrong;
                }
        });
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    for (long long width : serifWidths) EXPECT_EQ(width, extentOf(serif, everyByte).widestLine64);
}

}  // namespace
