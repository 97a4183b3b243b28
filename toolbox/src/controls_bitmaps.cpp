// Conforming the pictures of a panel to new panel colours: every colour of a picture
// that lies near an old colour (or near the old colour's 3-D highlight or shadow)
// becomes the matching new one.
//
// Choices:
//  - "Near" is a sum of channel differences of at most 15. The tests run in the order
//    old colour, old highlight, old shadow, second old colour, and a later match wins.
//  - Direct pixels are 3 bytes at depth 24 and 4 at depth 32 (red, green, blue, then
//    a spare byte that is left as it is); only the first three bytes of a pixel are
//    read or written, and only width pixels of height rows, so neither the spare
//    bytes of a row nor those of a pixel change.
//  - A colour table is as long as the engine reports it (GetImageInfo), never assumed
//    to hold 2^depth entries; only the entries it has are read and written. A table
//    shorter than its depth needs is refused (TbErrUnrecognizedValue) before anything
//    is written, since writing it back would hand the engine too few entries.
//  - control -1 conforms every control of the panel that holds images and passes over
//    the others: a panel's pictures sit among buttons and labels, and stopping at the
//    first of those would make -1 useless on any real panel. A single control named
//    by its id must hold images (-45 otherwise). A failure of the engine in the walk
//    ends it; what was written by then stays.
//  - An image slot that holds no image yet (sizes 0) has nothing to recolour and is
//    passed over.
//  - The shades of the old and new colours are asked for once per call, before any
//    image is read; a colour the engine refuses fails the call before anything
//    changes.
//  - No engine call here fails on good input, so breaking on library errors is left
//    as the caller set it: a failure is reported like any other engine failure.
#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "toolbox_internal.h"

namespace {

constexpr int kNotAPicture = RTE_UIE_INVALID_PANEL;  // -45: the code callers know for it
constexpr int kNearDistance = 15;

struct Recolouring {
    int oldColor, newColor, oldHighlight, newHighlight, oldShadow, newShadow, oldColor2,
        newColor2;
};

bool near(int a, int b) {
    int distance = 0;
    for (int shift : {16, 8, 0}) distance += std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF));
    return distance <= kNearDistance;
}

int recoloured(const Recolouring &r, int c) {
    int result = c;
    if (near(c, r.oldColor)) result = r.newColor;
    if (near(c, r.oldHighlight)) result = r.newHighlight;
    if (near(c, r.oldShadow)) result = r.newShadow;
    if (near(c, r.oldColor2)) result = r.newColor2;
    return result;
}

bool isPictureStyle(int style) {
    return style == RTE_CTRL_PICTURE_BUTTON || style == RTE_CTRL_PICTURE_RAISED ||
           style == RTE_CTRL_PICTURE_RING || style == RTE_CTRL_PICTURE;
}

// One image read out of a control.
struct ImageData {
    int rowBytes = 0, depth = 0, width = 0, height = 0;
    std::vector<int> colorTable;
    std::vector<unsigned char> bits, mask;
};

void recolourTable(const Recolouring &r, std::vector<int> &table) {
    for (int &entry : table) entry = recoloured(r, entry);
}

void recolourPixels(const Recolouring &r, ImageData &image) {
    const size_t pixelBytes = size_t(image.depth / 8);
    const size_t rowBytes = size_t(image.rowBytes);
    if (rowBytes < size_t(image.width) * pixelBytes) return;  // not the engine's layout
    const size_t rows = std::min(size_t(image.height), image.bits.size() / rowBytes);
    for (size_t y = 0; y < rows; ++y) {
        unsigned char *pixel = image.bits.data() + y * rowBytes;
        for (int x = 0; x < image.width; ++x, pixel += pixelBytes) {
            int c = pixel[0] << 16 | pixel[1] << 8 | pixel[2];
            int n = recoloured(r, c);
            if (n == c) continue;
            pixel[0] = static_cast<unsigned char>(n >> 16);
            pixel[1] = static_cast<unsigned char>(n >> 8);
            pixel[2] = static_cast<unsigned char>(n);
        }
    }
}

int recolour(const Recolouring &r, ImageData &image) {
    switch (image.depth) {
    case 1:
    case 4:
    case 8:
        // Writing back hands the engine 2^depth entries; a shorter table would be
        // read past its end there.
        if (image.colorTable.size() < (size_t(1) << image.depth)) return TbErrUnrecognizedValue;
        recolourTable(r, image.colorTable);
        return 0;
    case 24:
    case 32: recolourPixels(r, image); return 0;
    default: return TbErrUnrecognizedValue;
    }
}

int conformImage(int panel, int control, int index, const Recolouring &r) {
    int tableSize = 0, bitsSize = 0, maskSize = 0;
    int code = GetImageInfo(panel, control, index, &tableSize, &bitsSize, &maskSize);
    if (code < 0) return code;
    if (bitsSize == 0) return 0;
    ImageData image;
    try {
        image.colorTable.resize(size_t(tableSize) / sizeof(int));
        image.bits.resize(size_t(bitsSize));
        image.mask.resize(size_t(maskSize));
    } catch (const std::bad_alloc &) {
        return RTE_UIE_OUT_OF_MEMORY;
    }
    code = GetImageBits(panel, control, index, &image.rowBytes, &image.depth, &image.width,
                        &image.height, image.colorTable.data(), image.bits.data(),
                        image.mask.data());
    if (code < 0) return code;
    code = recolour(r, image);
    if (code < 0) return code;
    return SetImageBits(panel, control, index, image.rowBytes, image.depth, image.width,
                        image.height, image.colorTable.empty() ? nullptr : image.colorTable.data(),
                        image.bits.data(), image.mask.empty() ? nullptr : image.mask.data());
}

// Conforms one control; inWalk passes over controls that hold no images.
int conformControl(int panel, int control, int imageIndex, const Recolouring &r, bool inWalk) {
    int style = 0;
    int code = GetCtrlAttribute(panel, control, RTE_ATTR_CTRL_STYLE, &style);
    if (code < 0) return code;
    if (!isPictureStyle(style)) return inWalk ? 0 : kNotAPicture;
    if (style != RTE_CTRL_PICTURE_RING) return conformImage(panel, control, 0, r);
    if (imageIndex != -1) return conformImage(panel, control, imageIndex, r);
    int count = 0;
    code = GetNumListItems(panel, control, &count);
    for (int index = 0; code == 0 && index < count; ++index)
        code = conformImage(panel, control, index, r);
    return code;
}

int conformAll(int panel, int imageIndex, const Recolouring &r) {
    int control = 0;
    int code = GetPanelAttribute(panel, RTE_ATTR_PANEL_FIRST_CTRL, &control);
    while (code == 0 && control > 0) {
        code = conformControl(panel, control, imageIndex, r, true);
        if (code == 0) code = GetCtrlAttribute(panel, control, RTE_ATTR_NEXT_CTRL, &control);
    }
    return code;
}

// The colours of the call: -1 new colours taken from the panel, the shades asked for.
int prepare(int panel, int oldColor, int newColor, int oldColor2, int newColor2, Recolouring &r) {
    int code = 0;
    if (newColor == -1) code = GetPanelAttribute(panel, RTE_ATTR_BACK_COLOR, &newColor);
    if (code == 0 && newColor2 == -1)
        code = GetPanelAttribute(panel, RTE_ATTR_FRAME_COLOR, &newColor2);
    r = {oldColor, newColor, 0, 0, 0, 0, oldColor2, newColor2};
    if (code == 0) code = Get3dBorderColors(oldColor, nullptr, &r.oldHighlight, nullptr, &r.oldShadow);
    if (code == 0) code = Get3dBorderColors(newColor, nullptr, &r.newHighlight, nullptr, &r.newShadow);
    return code;
}

}  // namespace

extern "C" {

int ConformCtrlBitmapToPanel(int panel, int control, int imageIndex, int oldColor, int newColor,
                             int oldColor2, int newColor2) {
    Recolouring r;
    int code = prepare(panel, oldColor, newColor, oldColor2, newColor2, r);
    if (code < 0) return code;
    return control == -1 ? conformAll(panel, imageIndex, r)
                         : conformControl(panel, control, imageIndex, r, false);
}

}  // extern "C"
