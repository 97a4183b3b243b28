// An independent measurement for the font tests: FreeType on the same .ttf files the
// engine builds in, with the C library's iconv reading bytes as Windows-1252. Advances
// come from FT_Load_Char (unhinted) and kerning from FT_Get_Kerning, at the pixel size
// given. Native builds only.
#ifndef TOOLBOX_FREETYPE_REFERENCE_H
#define TOOLBOX_FREETYPE_REFERENCE_H

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <iconv.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>

namespace testing_support {

class FreeTypeReference {
public:
    struct Extent {
        long long widest64;  // the widest line, 1/64 pixel
        int lines;
        int lineHeight;  // pixels
    };
    struct Glyph {
        int left, top, width, height;  // top: rows above the baseline, negative
        long long ink;                 // sum of the coverage
    };

    explicit FreeTypeReference(std::string folder) : folder_(std::move(folder)) {
        if (FT_Init_FreeType(&library_)) throw std::runtime_error("FreeType does not start");
        toUnicode_ = iconv_open("UTF-32LE", "WINDOWS-1252");
        if (toUnicode_ == iconv_t(-1)) throw std::runtime_error("no Windows-1252 in iconv");
    }
    ~FreeTypeReference() {
        for (auto &entry : faces_) FT_Done_Face(entry.second);
        FT_Done_FreeType(library_);
        iconv_close(toUnicode_);
    }
    FreeTypeReference(const FreeTypeReference &) = delete;
    FreeTypeReference &operator=(const FreeTypeReference &) = delete;

    // The character of a byte, or -1 for a control character or a byte the code page
    // leaves undefined.
    long codepoint(unsigned char byte) {
        char in[1] = {char(byte)};
        unsigned char out[4];
        char *inPointer = in;
        char *outPointer = reinterpret_cast<char *>(out);
        size_t inLeft = 1, outLeft = 4;
        iconv(toUnicode_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(toUnicode_, &inPointer, &inLeft, &outPointer, &outLeft) == size_t(-1)) return -1;
        long value = out[0] | out[1] << 8 | out[2] << 16 | long(out[3]) << 24;
        return value < 0x20 || (value >= 0x7F && value < 0xA0) ? -1 : value;
    }

    Extent measure(const std::string &file, int pixelSize, const std::string &text) {
        FT_Face face = sized(file, pixelSize);
        Extent extent{0, 1, int(face->size->metrics.height >> 6)};
        long long pen = 0;
        FT_UInt previous = 0;  // 0: no glyph before on this line
        for (size_t at = 0; at < text.size(); ++at) {
            unsigned char byte = static_cast<unsigned char>(text[at]);
            if (byte == '\n' || byte == '\r') {
                if (byte == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
                extent.widest64 = std::max(extent.widest64, pen);
                pen = 0;
                previous = 0;
                ++extent.lines;
                continue;
            }
            long character = codepoint(byte);
            if (character < 0) {
                previous = 0;
                continue;
            }
            FT_UInt glyph = FT_Get_Char_Index(face, FT_ULong(character));
            if (previous) {
                FT_Vector kerning;
                FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &kerning);
                pen += kerning.x;
            }
            FT_Load_Char(face, FT_ULong(character), FT_LOAD_NO_HINTING);
            pen += face->glyph->advance.x;
            previous = glyph;
        }
        extent.widest64 = std::max(extent.widest64, pen);
        return extent;
    }

    // The glyph of a character rendered with anti-aliasing, slanted like the engine's
    // synthetic italic when asked.
    Glyph render(const std::string &file, int pixelSize, long character, bool slant) {
        FT_Face face = sized(file, pixelSize);
        FT_Load_Char(face, FT_ULong(character), FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
        if (slant) {
            FT_Matrix shear{0x10000, FT_Fixed(0.19438 * 0x10000), 0, 0x10000};
            FT_Outline_Transform(&face->glyph->outline, &shear);
        }
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        const FT_Bitmap &bitmap = face->glyph->bitmap;
        Glyph glyph{face->glyph->bitmap_left, -face->glyph->bitmap_top, int(bitmap.width),
                    int(bitmap.rows), 0};
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned column = 0; column < bitmap.width; ++column)
                glyph.ink += bitmap.buffer[row * bitmap.pitch + column];
        return glyph;
    }

private:
    FT_Face sized(const std::string &file, int pixelSize) {
        FT_Face &face = faces_[file];
        if (!face && FT_New_Face(library_, (folder_ + "/" + file).c_str(), 0, &face))
            throw std::runtime_error("FreeType cannot open " + file);
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize));
        return face;
    }

    std::string folder_;
    FT_Library library_ = nullptr;
    iconv_t toUnicode_;
    std::map<std::string, FT_Face> faces_;
};

}  // namespace testing_support

#endif
