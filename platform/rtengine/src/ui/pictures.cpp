// Pictures: the images that picture controls and picture rings hold.
//
// Choices made here:
//  - An image is the bitmaps' own pixel record (bitmaps/image.h), checked by the same
//    code as NewBitmap. Records never change once made: SetImageBits builds a new one
//    and swaps the pointer, and SetCtrlBitmap shares the bitmap's record, which is as
//    good as a copy because neither side can change it. A reader (GetImageBits, the
//    renderer) keeps the record alive without holding the model lock.
//  - New records are built with the lock let go (they may be large); the control is
//    looked up again before the swap, so a control discarded meanwhile gives its code.
//  - A control that holds no images is RTE_UIE_WRONG_CONTROL_KIND, as the list calls
//    answer a control without a list; an index that addresses no image is
//    RTE_UIE_INDEX_OUT_OF_RANGE.
//  - An empty slot (a new picture, a ring item added by InsertListItem) reads as sizes
//    0 and depth 0 rather than failing, so a caller can ask before it sets an image.
#include "ui/ui_internal.h"

namespace rte::ui {

namespace {

// The slot of image `index` in a control; null with the code.
ImageRef *imageSlot(Control &c, int index, int &code) {
    code = 0;
    if (!c.is(kPictureKinds)) {
        code = RTE_UIE_WRONG_CONTROL_KIND;
        return nullptr;
    }
    if (c.is(kPicture)) {
        if (index == 0) return &c.picture;
    } else if (index >= 0 && size_t(index) < c.items.size()) {
        return &c.items[size_t(index)].image;
    }
    code = RTE_UIE_INDEX_OUT_OF_RANGE;
    return nullptr;
}

// Runs an operation on an image slot with the model locked.
template <typename Operation>
int withSlot(int panel, int control, int index, Operation operation) {
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p;
    int code;
    Control *c = findControl(m, panel, control, p, code);
    if (!c) return code;
    ImageRef *slot = imageSlot(*c, index, code);
    return slot ? operation(*slot) : code;
}

// Checks the address first, builds the record unlocked, then stores it.
int storeImage(int panel, int control, int index, ImageRef image) {
    return withSlot(panel, control, index, [&](ImageRef &slot) {
        slot = std::move(image);
        return 0;
    });
}

int addressable(int panel, int control, int index) {
    return withSlot(panel, control, index, [](ImageRef &) { return 0; });
}

// The bitmap's record; bitmap 0 is no image.
ImageRef bitmapImage(int bitmap, int &code) {
    code = 0;
    return bitmap == 0 ? nullptr : bitmaps::imageOfBitmap(bitmap, code);
}

int setImageBits(int panel, int control, int index, int rowBytes, int depth, int width,
                 int height, const int *colorTable, const unsigned char *bits,
                 const unsigned char *mask) {
    int code = addressable(panel, control, index);
    if (code == 0) code = bitmaps::checkShape(rowBytes, depth, width, height, colorTable);
    if (code != 0) return code;
    ImageRef image = bitmaps::makeImage(rowBytes, depth, width, height, colorTable, bits, mask);
    return storeImage(panel, control, index, std::move(image));
}

}  // namespace

ImageRef shownImage(const Control &c) {
    if (c.is(kPicture)) return c.picture;
    if (c.is(kPictureRing) && c.selected >= 0) return c.items[size_t(c.selected)].image;
    return nullptr;
}

ImageRef controlImage(int panel, int control, int imageIndex, int &code) {
    ImageRef image;
    code = withSlot(panel, control, imageIndex, [&](ImageRef &slot) {
        image = slot;
        return 0;
    });
    return image;
}

}  // namespace rte::ui

using namespace rte::ui;

extern "C" {

int SetCtrlBitmap(int panel, int control, int imageIndex, int bitmap) {
    return entry("SetCtrlBitmap", [&] {
        int code = addressable(panel, control, imageIndex);
        if (code != 0) return code;
        ImageRef image = bitmapImage(bitmap, code);
        return code != 0 ? code : storeImage(panel, control, imageIndex, std::move(image));
    });
}

int InsertPictureRingItem(int panel, int control, int index, int value, int bitmap) {
    return entry("InsertPictureRingItem", [&] {
        int code;
        ImageRef image = bitmapImage(bitmap, code);
        if (code != 0) return code;
        Model &m = model();
        Guard lock(m.mutex);
        Panel *p;
        Control *c = findControl(m, panel, control, p, code);
        if (!c) return code;
        if (!c->is(kPictureRing)) return int(RTE_UIE_WRONG_CONTROL_KIND);
        return insertImageItem(*c, index, value, std::move(image));
    });
}

int GetImageInfo(int panel, int control, int imageIndex, int *colorTableSize, int *bitsSize,
                 int *maskSize) {
    return entry("GetImageInfo", [&] {
        int code;
        ImageRef image = controlImage(panel, control, imageIndex, code);
        if (code != 0) return code;
        rte::bitmaps::writeSizes(image ? *image : rte::bitmaps::Image{}, colorTableSize, bitsSize, maskSize);
        return 0;
    });
}

int GetImageBits(int panel, int control, int imageIndex, int *rowBytes, int *depth, int *width,
                 int *height, int *colorTable, unsigned char *bits, unsigned char *mask) {
    return entry("GetImageBits", [&] {
        int code;
        ImageRef image = controlImage(panel, control, imageIndex, code);
        if (code != 0) return code;
        rte::bitmaps::copyOut(image ? *image : rte::bitmaps::Image{}, rowBytes, depth, width, height,
                         colorTable, bits, mask);
        return 0;
    });
}

int SetImageBits(int panel, int control, int imageIndex, int rowBytes, int depth, int width,
                 int height, const int *colorTable, const unsigned char *bits,
                 const unsigned char *mask) {
    return entry("SetImageBits", [&] {
        return setImageBits(panel, control, imageIndex, rowBytes, depth, width, height,
                            colorTable, bits, mask);
    });
}

}  // extern "C"
