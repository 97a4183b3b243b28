// The engine's fonts: meta fonts, text measuring, font resolution for the user-interface
// model and glyph coverage for the renderer. Sizes are checked against FreeType on the
// same .ttf files where FreeType is at hand (native builds), and against numbers noted
// here, which FreeType gave, everywhere (the Windows build under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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
using rte::fonts::FontSpec;
using rte::fonts::ResolvedFont;
using testing_support::LibraryErrorCounter;

namespace {

struct Size {
    int width;
    int height;
};

Size displaySize(const std::string &text, const char *font) {
    int height = -1, width = -1;
    EXPECT_EQ(GetTextDisplaySize(text.c_str(), font, &height, &width), 0) << font;
    return Size{width, height};
}

ResolvedFont resolved(const char *name, FontOverrides overrides = {}) {
    ResolvedFont font;
    EXPECT_EQ(rte::fonts::resolveFont(name, overrides, font), 0) << name;
    return font;
}

rte::fonts::TextExtent extentOf(const ResolvedFont &font, const std::string &text) {
    return rte::fonts::measureText(font, text.data(), text.size());
}

#if TOOLBOX_TEST_FREETYPE
// The face the engine documents for a typeface and weight: the test's own copy.
std::string faceFile(const std::string &typeface, bool bold) {
    if (typeface == "DejaVu Sans Mono" || typeface == "Courier New") return "DejaVuSansMono.ttf";
    if (typeface == "DejaVu Serif" || typeface == "Times New Roman")
        return bold ? "DejaVuSerif-Bold.ttf" : "DejaVuSerif.ttf";
    return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
}

testing_support::FreeTypeReference &freeType() {
    static testing_support::FreeTypeReference reference(TOOLBOX_DEJAVU_DIR);
    return reference;
}
#endif

// ---------------------------------------------------------------------------------
// Stable numbers: texts in known faces and sizes.

struct NotedCase {
    const char *typeface;
    int pointSize;
    bool bold;
    bool italic;
    const char *text;
    int width;  // as FreeType measures it (noted from a native run)
    int height;
};

void PrintTo(const NotedCase &noted, std::ostream *out) {
    *out << noted.typeface << " " << noted.pointSize << (noted.bold ? " bold" : "")
         << (noted.italic ? " italic" : "") << " \"" << noted.text << "\"";
}

class NotedMetrics : public ::testing::TestWithParam<NotedCase> {};

// A meta font of the case measures the noted size; natively FreeType agrees, so the
// notes cannot drift from the independent measurement.
TEST_P(NotedMetrics, MatchFreeType) {
    const NotedCase &noted = GetParam();
    ASSERT_EQ(CreateMetaFont("NotedCase", noted.typeface, noted.pointSize, noted.bold,
                             noted.italic, 0, 0),
              0);
    Size size = displaySize(noted.text, "NotedCase");
    EXPECT_EQ(size.width, noted.width);
    EXPECT_EQ(size.height, noted.height);
#if TOOLBOX_TEST_FREETYPE
    auto reference = freeType().measure(faceFile(noted.typeface, noted.bold),
                                        rte::fonts::pixelSizeForPoints(noted.pointSize),
                                        noted.text);
    EXPECT_EQ((reference.widest64 + 32) >> 6, noted.width) << "FreeType's width";
    EXPECT_EQ(reference.lines * reference.lineHeight, noted.height) << "FreeType's height";
#endif
}

// Widths and heights as FreeType measured them (freetype_reference.h, natively).
const NotedCase kNotedCases[] = {
    {"DejaVu Sans", 10, false, false, "Hello, World", 78, 15},
    {"DejaVu Sans", 10, true, false, "Hello, World", 90, 15},
    {"DejaVu Sans", 10, false, true, "AVATAR Wavy Tokyo", 129, 15},
    {"Arial", 10, false, false, "AVATAR Wavy Tokyo", 129, 15},
    {"DejaVu Sans", 8, false, false, "The quick brown fox jumps over the lazy dog", 247, 13},
    {"DejaVu Sans", 2, false, false, "sample", 11, 4},
    {"bogusfont", 6, true, true, "sample", 32, 9},
    {"DejaVu Sans", 10, false, false, "Serial port COM1: 9600 baud, 8N1 (none)", 270, 15},
    {"DejaVu Sans", 10, false, false, "Fran\xe7" "ais \x80 12 \x93quoted\x94 \x85", 167, 15},
    {"DejaVu Sans", 10, false, false, "two\nlines\r\nand\rfour", 30, 60},
    {"DejaVu Sans", 72, false, false, "Wy", 150, 112},
    {"DejaVu Sans Mono", 10, false, false, "0123456789", 78, 15},
    {"Courier New", 10, true, true, "0123456789", 78, 15},
    {"DejaVu Serif", 12, false, false, "Serif Text, To Ty", 133, 19},
    {"Times New Roman", 12, true, false, "Serif Text, To Ty", 143, 19},
};
INSTANTIATE_TEST_SUITE_P(Fonts, NotedMetrics, ::testing::ValuesIn(kNotedCases));

#if TOOLBOX_TEST_FREETYPE
struct FaceUnderTest {
    const char *typeface;
    bool bold;
};

void PrintTo(const FaceUnderTest &face, std::ostream *out) {
    *out << face.typeface << (face.bold ? " bold" : "");
}

class FreeTypeSweep : public ::testing::TestWithParam<FaceUnderTest> {};

// Every ordered pair of bytes (so every kerning pair, control characters and the
// code page's upper half included) and a corpus at many sizes measure to the 1/64
// pixel as FreeType does, with the same lines and line heights.
TEST_P(FreeTypeSweep, AgreesToTheSixtyFourthOfAPixel) {
    const FaceUnderTest &face = GetParam();
    const std::string file = faceFile(face.typeface, face.bold);
    ResolvedFont font = resolved(face.typeface, FontOverrides{10, face.bold});
    for (int first = 32; first < 256; ++first) {
        std::string pairs;
        for (int second = 32; second < 256; ++second) {
            pairs += char(first);
            pairs += char(second);
        }
        ASSERT_EQ(extentOf(font, pairs).widestLine64, freeType().measure(file, 13, pairs).widest64)
            << "pairs that start with byte " << first;
    }
    const char *corpus[] = {
        "The quick brown fox jumps over the lazy dog",
        "AVATAR LTA Wavy Tokyo \"quoted\" T.J. Py",
        "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e\x91\x92\x93\x94"
        "\x95\x96\x97\x98\x99\x9a\x9b\x9c\x9e\x9f \xc0\xc9\xd6\xdf\xe0\xe9\xf6\xff",
        "first line\nsecond, longer line\r\nthird\rWWW",
        "tab\there\x01" "bell\x7f",
    };
    for (int points : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 36, 48, 72, 100, 500}) {
        ResolvedFont sized = resolved(face.typeface, FontOverrides{points, face.bold});
        for (const char *text : corpus) {
            SCOPED_TRACE(::testing::Message() << points << " pt: " << text);
            auto engine = extentOf(sized, text);
            auto reference = freeType().measure(file, sized.pixelSize, text);
            EXPECT_EQ(engine.widestLine64, reference.widest64);
            EXPECT_EQ(engine.width, (reference.widest64 + 32) >> 6);
            EXPECT_EQ(engine.lines, reference.lines);
            EXPECT_EQ(engine.height, reference.lines * reference.lineHeight);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fonts, FreeTypeSweep,
                         ::testing::Values(FaceUnderTest{"DejaVu Sans", false},
                                           FaceUnderTest{"DejaVu Sans", true},
                                           FaceUnderTest{"DejaVu Sans Mono", false},
                                           FaceUnderTest{"DejaVu Serif", false},
                                           FaceUnderTest{"DejaVu Serif", true}));
#endif

// ---------------------------------------------------------------------------------
// Meta fonts through the public functions.

bool operator==(const Size &a, const Size &b) { return a.width == b.width && a.height == b.height; }
bool operator!=(const Size &a, const Size &b) { return !(a == b); }
std::ostream &operator<<(std::ostream &out, const Size &size) {
    return out << size.width << "x" << size.height;
}

Size sizeIn(const ResolvedFont &font, const std::string &text) {
    auto extent = extentOf(font, text);
    return Size{extent.width, extent.height};
}

void expectSpec(const char *metaFont, const char *typeface, int points, bool bold, bool italic,
                bool underline, bool strikeOut) {
    SCOPED_TRACE(metaFont);
    FontSpec spec;
    ASSERT_EQ(rte::fonts::describeMetaFont(metaFont, spec), 0);
    EXPECT_EQ(spec.typeface, typeface);
    EXPECT_EQ(spec.pointSize, points);
    EXPECT_EQ(spec.bold, bold);
    EXPECT_EQ(spec.italic, italic);
    EXPECT_EQ(spec.underline, underline);
    EXPECT_EQ(spec.strikeOut, strikeOut);
}

// The predefined meta fonts read back as documented, under any case of their names,
// and measure as their typeface at their size and weight.
TEST(MetaFonts, PredefinedFontsReadBackAndMeasure) {
    struct Predefined {
        const char *name;
        const char *typeface;
        int points;
        bool bold;
    } const predefined[] = {
        {RTE_DIALOG_META_FONT, RTE_SANS_TYPEFACE, 10, false},
        {RTE_MENU_META_FONT, RTE_SANS_TYPEFACE, 10, false},
        {RTE_MESSAGE_META_FONT, RTE_SANS_TYPEFACE, 10, false},
        {RTE_TITLE_META_FONT, RTE_SANS_TYPEFACE, 12, true},
        {RTE_FIXED_META_FONT, RTE_MONO_TYPEFACE, 10, false},
    };
    for (const Predefined &font : predefined) {
        expectSpec(font.name, font.typeface, font.points, font.bold, false, false, false);
        Size expected = sizeIn(resolved(font.typeface, FontOverrides{font.points, font.bold}),
                               "Sample text");
        EXPECT_EQ(displaySize("Sample text", font.name), expected) << font.name;
        std::string shouted(font.name);
        std::transform(shouted.begin(), shouted.end(), shouted.begin(), ::toupper);
        EXPECT_EQ(displaySize("Sample text", shouted.c_str()), expected) << shouted;
    }
    EXPECT_EQ(displaySize("Hello, World", RTE_DIALOG_META_FONT), (Size{78, 15}));
}

// Bad arguments fail with their code, once reported, outputs untouched; null outputs
// are allowed and a single output gets its value.
TEST(MetaFonts, MeasuringChecksItsArguments) {
    LibraryErrorCounter counter;
    struct Bad {
        const char *text;
        const char *font;
        int code;
    } const bad[] = {
        {"x", "NoSuchFont", RTE_UIE_UNKNOWN_FONT},
        {"x", RTE_SANS_TYPEFACE, RTE_UIE_UNKNOWN_FONT},
        {"x", "Arial", RTE_UIE_UNKNOWN_FONT},
        {"x", "", RTE_UIE_UNKNOWN_FONT},
        {"x", "DialogMetaFont ", RTE_UIE_UNKNOWN_FONT},
        {nullptr, RTE_DIALOG_META_FONT, RTE_UIE_NULL_ARGUMENT},
        {"x", nullptr, RTE_UIE_NULL_ARGUMENT},
    };
    for (const Bad &call : bad) {
        int height = 0x0bd0bd, width = 0x0bd0bd;
        EXPECT_EQ(GetTextDisplaySize(call.text, call.font, &height, &width), call.code)
            << (call.font ? call.font : "(null)");
        EXPECT_EQ(height, 0x0bd0bd);
        EXPECT_EQ(width, 0x0bd0bd);
    }
    EXPECT_EQ(counter.reports(), int(std::size(bad)));
    EXPECT_EQ(LibraryErrorCounter::lastFunction(), "GetTextDisplaySize");

    int only = -1;
    EXPECT_EQ(GetTextDisplaySize("sample", RTE_DIALOG_META_FONT, nullptr, nullptr), 0);
    EXPECT_EQ(GetTextDisplaySize("sample", RTE_DIALOG_META_FONT, &only, nullptr), 0);
    EXPECT_EQ(only, 15);
    EXPECT_EQ(GetTextDisplaySize("sample", RTE_DIALOG_META_FONT, nullptr, &only), 0);
    EXPECT_EQ(only, displaySize("sample", RTE_DIALOG_META_FONT).width);
    EXPECT_EQ(counter.reports(), int(std::size(bad)));
}

// Defining, redefining (the ring-sizing sequence: a control's font, then "bogusfont"
// at 6 points with every style), reading back, and a meta font as the typeface.
TEST(MetaFonts, DefineRedefineAndReadBack) {
    ASSERT_EQ(CreateMetaFont("___RingMetaFont", "DejaVu Serif", 14, 1, 0, 1, 0), 0);
    expectSpec("___RingMetaFont", "DejaVu Serif", 14, true, false, true, false);
    Size serif = displaySize("Ring label", "___RingMetaFont");
    EXPECT_EQ(serif, sizeIn(resolved("Serif", FontOverrides{14, 1}), "Ring label"));

    ASSERT_EQ(CreateMetaFont("___RingMetaFont", "bogusfont", 6, 1, 1, 1, 1), 0);
    expectSpec("___RingMetaFont", "bogusfont", 6, true, true, true, true);
    Size bogus = displaySize("Ring label", "___RingMetaFont");
    EXPECT_EQ(bogus, sizeIn(resolved(RTE_SANS_TYPEFACE, FontOverrides{6, 1}), "Ring label"));
    EXPECT_NE(bogus, serif);
    ResolvedFont ring = resolved("___RingMetaFont");
    EXPECT_EQ(ring.spec.typeface, "bogusfont");
    EXPECT_EQ(ring.pixelSize, 8);
    EXPECT_TRUE(ring.syntheticItalic);
    EXPECT_FALSE(ring.syntheticBold);

    ASSERT_EQ(CreateMetaFont("___ringMETAfont", "Arial", 10, 0, 0, 0, 0), 0);
    expectSpec("___RingMetaFont", "Arial", 10, false, false, false, false);

    ASSERT_EQ(CreateMetaFont("Lender", "Times New Roman", 20, 1, 0, 0, 0), 0);
    ASSERT_EQ(CreateMetaFont("Borrower", "LENDER", 9, 0, 1, 0, 0), 0);
    expectSpec("Borrower", "Times New Roman", 9, false, true, false, false);
    EXPECT_EQ(displaySize("Borrowed", "Borrower"),
              sizeIn(resolved("DejaVu Serif", FontOverrides{9}), "Borrowed"));

    ASSERT_EQ(CreateMetaFont("Styles", "", 10, 7, -1, 2, 99), 0);
    expectSpec("Styles", "", 10, true, true, true, true);
}

// Bad definitions fail with their code, are reported, and change nothing; the limits
// themselves are accepted.
TEST(MetaFonts, BadDefinitionsChangeNothing) {
    ASSERT_EQ(CreateMetaFont("Kept", "DejaVu Serif", 11, 0, 0, 0, 0), 0);
    const std::string tooLong(RTE_MAX_FONT_NAME_LEN, 'n');
    const std::string longest(RTE_MAX_FONT_NAME_LEN - 1, 'n');
    struct Bad {
        const char *name;
        const char *typeface;
        int points;
        int code;
    } const bad[] = {
        {nullptr, "Arial", 10, RTE_UIE_NULL_ARGUMENT},
        {"Kept", nullptr, 10, RTE_UIE_NULL_ARGUMENT},
        {"", "Arial", 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {tooLong.c_str(), "Arial", 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"Kept", tooLong.c_str(), 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"Kept", "Arial", 0, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"Kept", "Arial", -3, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"Kept", "Arial", RTE_MAX_FONT_POINT_SIZE + 1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {RTE_DIALOG_META_FONT, "Arial", 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"titlemetafont", "Arial", 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"Arial", "Arial", 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {"dejavu sans mono", "Arial", 10, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    };
    LibraryErrorCounter counter;
    for (const Bad &call : bad) {
        EXPECT_EQ(CreateMetaFont(call.name, call.typeface, call.points, 1, 1, 1, 1), call.code)
            << (call.name ? call.name : "(null)") << " / " << call.points;
        expectSpec("Kept", "DejaVu Serif", 11, false, false, false, false);
    }
    EXPECT_EQ(counter.reports(), int(std::size(bad)));
    EXPECT_EQ(LibraryErrorCounter::lastFunction(), "CreateMetaFont");
    expectSpec(RTE_DIALOG_META_FONT, RTE_SANS_TYPEFACE, 10, false, false, false, false);
    EXPECT_EQ(GetTextDisplaySize("x", "Arial", nullptr, nullptr), RTE_UIE_UNKNOWN_FONT);

    EXPECT_EQ(CreateMetaFont(longest.c_str(), longest.c_str(), RTE_MIN_FONT_POINT_SIZE, 0, 0, 0, 0), 0);
    expectSpec(longest.c_str(), longest.c_str(), 1, false, false, false, false);
    EXPECT_EQ(CreateMetaFont("Largest", "Arial", RTE_MAX_FONT_POINT_SIZE, 0, 0, 0, 0), 0);
    EXPECT_EQ(displaySize("", "Largest").height, rte::fonts::lineMetrics(resolved("Largest")).lineHeight);
}

// ---------------------------------------------------------------------------------
// Measuring: lines, empty text, control characters and the code page.

TEST(TextMeasuring, LinesEmptyTextControlsAndCodePage) {
    ResolvedFont font = resolved(RTE_DIALOG_META_FONT);
    const int line = rte::fonts::lineMetrics(font).lineHeight;
    ASSERT_EQ(line, 15);
    EXPECT_EQ(displaySize("", RTE_DIALOG_META_FONT), (Size{0, line}));
    auto width64 = [&](const std::string &text) { return extentOf(font, text).widestLine64; };

    struct Lines {
        const char *text;
        int lines;
        const char *widest;
    } const lines[] = {
        {"ab\ncd", 2, "ab"}, {"ab\r\ncd", 2, "ab"}, {"ab\rcd", 2, "ab"},
        {"ab\n", 2, "ab"},   {"\n\n", 3, ""},        {"\r\r\n", 3, ""},
        {"i\nWWW\nii", 3, "WWW"}, {"\n\r\nlast", 3, "last"},
    };
    for (const Lines &text : lines) {
        SCOPED_TRACE(text.text);
        auto extent = extentOf(font, text.text);
        EXPECT_EQ(extent.lines, text.lines);
        EXPECT_EQ(extent.height, text.lines * line);
        EXPECT_EQ(extent.widestLine64, width64(text.widest));
        EXPECT_EQ(displaySize(text.text, RTE_DIALOG_META_FONT), (Size{extent.width, extent.height}));
    }

    // Control characters (a zero byte too) take no room and end kerning: "AV" kerns,
    // "A<control>V" is A and V side by side.
    ASSERT_LT(width64("AV"), width64("A") + width64("V"));
    for (std::string control : {std::string("\t"), std::string("\x01"), std::string("\x1f"),
                                std::string("\x7f"), std::string("\x81"), std::string("\x9d"),
                                std::string(1, '\0')})
        EXPECT_EQ(width64("A" + control + "V"), width64("A") + width64("V")) << int(control[0]);

    // Windows-1252: the euro sign and typographic quotes are characters with glyphs
    // (a missing glyph would take the box's room, the same for all of them).
    EXPECT_GT(width64("\x80"), 0);
    EXPECT_NE(width64("\x80"), width64("\x93"));
    EXPECT_EQ(width64("\xe9"), width64("\xe8"));
}

// ---------------------------------------------------------------------------------
// Resolution of font names for the user-interface model.

TEST(FontResolution, TypefacesMetaFontsAndOverrides) {
    ResolvedFont arial = resolved("ARIAL");
    EXPECT_EQ(arial.spec.typeface, "ARIAL");
    EXPECT_EQ(arial.spec.pointSize, 10);
    EXPECT_FALSE(arial.spec.bold || arial.spec.italic || arial.spec.underline || arial.spec.strikeOut);
    EXPECT_EQ(arial.pixelSize, 13);
    EXPECT_EQ(arial.face, resolved(RTE_DIALOG_META_FONT).face);

    ResolvedFont all = resolved(RTE_DIALOG_META_FONT, FontOverrides{2, 1, 5, 1, 1});
    EXPECT_EQ(all.spec.typeface, RTE_SANS_TYPEFACE);
    EXPECT_EQ(all.spec.pointSize, 2);
    EXPECT_EQ(all.pixelSize, 3);
    EXPECT_TRUE(all.spec.bold && all.spec.italic && all.spec.underline && all.spec.strikeOut);
    EXPECT_FALSE(all.syntheticBold);
    EXPECT_TRUE(all.syntheticItalic);

    ResolvedFont title = resolved(RTE_TITLE_META_FONT);
    EXPECT_TRUE(title.spec.bold);
    EXPECT_EQ(title.spec.pointSize, 12);
    ResolvedFont plainTitle = resolved(RTE_TITLE_META_FONT, FontOverrides{rte::fonts::kKeep, 0});
    EXPECT_FALSE(plainTitle.spec.bold);
    EXPECT_EQ(plainTitle.spec.pointSize, 12);
    EXPECT_GT(extentOf(title, "Bold text").widestLine64, extentOf(plainTitle, "Bold text").widestLine64);

    ResolvedFont monoBold = resolved("Courier New", FontOverrides{rte::fonts::kKeep, 1});
    EXPECT_TRUE(monoBold.syntheticBold);
    EXPECT_EQ(monoBold.face, resolved(RTE_FIXED_META_FONT).face);
    EXPECT_FALSE(resolved("Times").syntheticBold);

    struct Bad {
        const char *name;
        int points;
        int code;
    } const bad[] = {
        {nullptr, rte::fonts::kKeep, RTE_UIE_NULL_ARGUMENT},
        {"bogusfont", rte::fonts::kKeep, RTE_UIE_UNKNOWN_FONT},
        {"", rte::fonts::kKeep, RTE_UIE_UNKNOWN_FONT},
        {"Arial", 0, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
        {RTE_DIALOG_META_FONT, RTE_MAX_FONT_POINT_SIZE + 1, RTE_UIE_INVALID_ATTRIBUTE_VALUE},
    };
    for (const Bad &call : bad) {
        ResolvedFont untouched;
        untouched.pixelSize = 777;
        EXPECT_EQ(rte::fonts::resolveFont(call.name, FontOverrides{call.points}, untouched), call.code);
        EXPECT_EQ(untouched.pixelSize, 777);
        EXPECT_EQ(untouched.face, nullptr);
    }
    FontSpec spec;
    EXPECT_EQ(rte::fonts::describeMetaFont("Arial", spec), RTE_UIE_UNKNOWN_FONT);
    EXPECT_EQ(rte::fonts::describeMetaFont(nullptr, spec), RTE_UIE_NULL_ARGUMENT);

    const int pixels[][2] = {{1, 1}, {2, 3}, {6, 8}, {8, 11}, {9, 12}, {10, 13}, {12, 16}, {72, 96}, {500, 667}};
    for (const auto &pair : pixels) EXPECT_EQ(rte::fonts::pixelSizeForPoints(pair[0]), pair[1]) << pair[0];
}

// ---------------------------------------------------------------------------------
// Glyph runs and coverage for the renderer.

long long inkOf(const rte::fonts::GlyphCoverage &picture) {
    long long ink = 0;
    for (std::uint8_t value : picture.pixels) ink += value;
    return ink;
}

// Each glyph sits at its pen position rounded to a pixel (kerning included), on its
// line's baseline; the same character is the same glyph.
TEST(GlyphRuns, LayoutFollowsMeasuring) {
    ResolvedFont font = resolved(RTE_DIALOG_META_FONT);
    const std::string text = "To\tW\nWay";
    std::vector<rte::fonts::PlacedGlyph> run;
    ASSERT_EQ(rte::fonts::layoutText(font, text.data(), text.size(), run), 0);
    ASSERT_EQ(run.size(), 6u);
    auto width64 = [&](const std::string &part) { return extentOf(font, part).widestLine64; };
    const int ascent = rte::fonts::lineMetrics(font).ascent;
    struct Expected {
        std::string before;  // what precedes the glyph on its line
        char character;
        int line;
    } const expected[] = {{"", 'T', 0}, {"T", 'o', 0}, {"To\t", 'W', 0},
                          {"", 'W', 1}, {"W", 'a', 1}, {"Wa", 'y', 1}};
    for (size_t k = 0; k < run.size(); ++k) {
        SCOPED_TRACE(k);
        const Expected &glyph = expected[k];
        long long pen64 = width64(glyph.before + glyph.character) - width64(std::string(1, glyph.character));
        EXPECT_EQ(run[k].x, int((pen64 + 32) >> 6));
        EXPECT_EQ(run[k].y, ascent + glyph.line * 15);
    }
    EXPECT_LT(run[1].x, (width64("T") + 32) >> 6) << "T and o kern";
    EXPECT_EQ(run[2].glyph, run[3].glyph);
    EXPECT_NE(run[0].glyph, run[1].glyph);
}

#if TOOLBOX_TEST_FREETYPE
// A glyph's coverage lies where FreeType renders it and holds the same ink, upright
// and slanted, at small and large sizes.
TEST(GlyphRuns, CoverageMatchesFreeType) {
    for (int points : {10, 20, 50}) {
        for (bool italic : {false, true}) {
            ResolvedFont font = resolved(RTE_SANS_TYPEFACE, FontOverrides{points, 0, italic});
            for (unsigned char character : {'A', 'g', 'W', '@', '\xe9'}) {
                SCOPED_TRACE(::testing::Message() << points << " pt, italic " << italic << ", "
                                                  << character);
                std::vector<rte::fonts::PlacedGlyph> run;
                ASSERT_EQ(rte::fonts::layoutText(font, reinterpret_cast<char *>(&character), 1, run), 0);
                auto picture = rte::fonts::glyphCoverage(font, run[0].glyph);
                ASSERT_TRUE(picture);
                auto reference = freeType().render("DejaVuSans.ttf", font.pixelSize,
                                                   freeType().codepoint(character), italic);
                EXPECT_NEAR(picture->left, reference.left, 1);
                EXPECT_NEAR(picture->top, reference.top, 1);
                EXPECT_NEAR(picture->left + picture->width, reference.left + reference.width, 1);
                EXPECT_NEAR(picture->top + picture->height, reference.top + reference.height, 1);
                EXPECT_NEAR(double(inkOf(*picture)), double(reference.ink), 0.02 * reference.ink);
            }
        }
    }
}
#endif

// Drawing adds coverage (saturating), clips at every edge of the canvas and never
// writes outside it; glyph pictures come from the cache; odd glyph numbers draw nothing.
TEST(GlyphRuns, DrawingClipsAndAddsUp) {
    ResolvedFont font = resolved(RTE_SANS_TYPEFACE, FontOverrides{20});
    std::vector<rte::fonts::PlacedGlyph> run;
    ASSERT_EQ(rte::fonts::layoutText(font, "W", 1, run), 0);
    auto picture = rte::fonts::glyphCoverage(font, run[0].glyph);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture, rte::fonts::glyphCoverage(font, run[0].glyph)) << "cached";
    const long long ink = inkOf(*picture);
    ASSERT_GT(ink, 0);

    // A 60x40 canvas in the middle of a buffer with a 16-pixel margin all round.
    constexpr int kWidth = 60, kHeight = 40, kMargin = 16, kStride = kWidth + 2 * kMargin;
    std::vector<std::uint8_t> buffer(size_t(kStride) * (kHeight + 2 * kMargin));
    rte::fonts::CoverageCanvas canvas{&buffer[size_t(kMargin) * kStride + kMargin], kWidth,
                                      kHeight, kStride};
    auto canvasInk = [&] {
        long long sum = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) sum += canvas.pixels[y * kStride + x];
        return sum;
    };
    auto marginIsClean = [&] {
        long long sum = 0;
        for (std::uint8_t value : buffer) sum += value;
        return sum == canvasInk();
    };

    ASSERT_EQ(rte::fonts::drawGlyphRun(font, run.data(), 1, 5, 0, canvas), 0);
    EXPECT_EQ(canvasInk(), ink);
    ASSERT_EQ(rte::fonts::drawGlyphRun(font, run.data(), 1, 5, 0, canvas), 0);
    long long saturated = 0;
    for (std::uint8_t value : picture->pixels) saturated += std::min(255, 2 * value);
    EXPECT_EQ(canvasInk(), saturated);

    const int offsets[][2] = {{-10, -8}, {50, 30}, {-30, 0}, {0, -30}, {55, 0}, {0, 35},
                              {-1000000, 0}, {0, 2000000000}, {2000000000, 2000000000}};
    for (const auto &offset : offsets) {
        std::fill(buffer.begin(), buffer.end(), 0);
        ASSERT_EQ(rte::fonts::drawGlyphRun(font, run.data(), 1, offset[0], offset[1], canvas), 0);
        EXPECT_TRUE(marginIsClean()) << offset[0] << ", " << offset[1];
        EXPECT_LT(canvasInk(), ink);
    }

    for (int glyph : {-1, 1 << 20}) {
        auto nothing = rte::fonts::glyphCoverage(font, glyph);
        ASSERT_TRUE(nothing);
        EXPECT_EQ(nothing->width * nothing->height, 0);
    }
    ASSERT_EQ(rte::fonts::layoutText(font, " ", 1, run), 0);
    EXPECT_EQ(rte::fonts::glyphCoverage(font, run[0].glyph)->pixels.size(), 0u);
}

// Synthetic bold widens a glyph of the one-face family, adds ink and keeps its advance.
TEST(GlyphRuns, SyntheticBoldIsHeavierAndAsWide) {
    ResolvedFont regular = resolved(RTE_MONO_TYPEFACE, FontOverrides{40});
    ResolvedFont bold = resolved(RTE_MONO_TYPEFACE, FontOverrides{40, 1});
    ASSERT_TRUE(bold.syntheticBold);
    std::vector<rte::fonts::PlacedGlyph> run;
    ASSERT_EQ(rte::fonts::layoutText(regular, "m", 1, run), 0);
    auto thin = rte::fonts::glyphCoverage(regular, run[0].glyph);
    auto thick = rte::fonts::glyphCoverage(bold, run[0].glyph);
    EXPECT_EQ(thick->width, thin->width + 1 + bold.pixelSize / 32);
    EXPECT_EQ(thick->left, thin->left);
    EXPECT_GT(inkOf(*thick), inkOf(*thin) * 11 / 10);
    EXPECT_EQ(extentOf(bold, "mmm").widestLine64, extentOf(regular, "mmm").widestLine64);
}

// ---------------------------------------------------------------------------------
// Many threads: measuring while the meta font is redefined, first use of kerning rows,
// and glyph pictures that overflow the cache while they are in use.
TEST(FontThreads, MeasureRedefineAndDrawConcurrently) {
    const std::string label = "Wavy AVATAR To Ty \x80 \xe9t\xe9";
    ASSERT_EQ(CreateMetaFont("ThreadFont", "Arial", 10, 0, 0, 0, 0), 0);
    const Size first = displaySize(label, "ThreadFont");
    ASSERT_EQ(CreateMetaFont("ThreadFont", "Times New Roman", 14, 1, 0, 0, 0), 0);
    const Size second = displaySize(label, "ThreadFont");
    ASSERT_NE(first, second);
    std::string everyByte;
    for (int byte = 32; byte < 256; ++byte) everyByte += char(byte);
    ResolvedFont serif = resolved("DejaVu Serif", FontOverrides{9});  // its kerning unused yet
    ResolvedFont huge = resolved(RTE_SANS_TYPEFACE, FontOverrides{RTE_MAX_FONT_POINT_SIZE});
    std::vector<rte::fonts::PlacedGlyph> letters;  // 26 pictures: more than the cache holds
    ASSERT_EQ(rte::fonts::layoutText(huge, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 26, letters), 0);

    std::atomic<int> mixed{0};
    std::vector<long long> serifWidths(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([t] {
            for (int round = 0; round < 200; ++round)
                CreateMetaFont("ThreadFont", (round + t) % 2 ? "Arial" : "Times New Roman",
                               (round + t) % 2 ? 10 : 14, (round + t) % 2 ? 0 : 1, 0, 0, 0);
        });
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            serifWidths[t] = extentOf(serif, everyByte).widestLine64;
            for (int round = 0; round < 500; ++round) {
                int height = 0, width = 0;
                if (GetTextDisplaySize(label.c_str(), "ThreadFont", &height, &width) != 0) ++mixed;
                Size size{width, height};
                if (size != first && size != second) ++mixed;
            }
        });
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                for (size_t k = size_t(t); k < letters.size(); k += 2) {
                    auto picture = rte::fonts::glyphCoverage(huge, letters[k].glyph);
                    if (!picture || inkOf(*picture) <= 0) ++mixed;
                }
        });
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(mixed.load(), 0);
    for (long long width : serifWidths) EXPECT_EQ(width, extentOf(serif, everyByte).widestLine64);
}

}  // namespace
