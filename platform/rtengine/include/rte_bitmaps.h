/* rtengine: bitmaps, pictures held by the engine under an integer handle.
 *
 * Conventions (besides those of rte_api.h)
 *  - Handles are > 0 and never reused while the process runs. Bitmaps belong to no
 *    thread: every call works from any thread. A bitmap lives until DiscardBitmap.
 *  - Depths: 1, 4 and 8 bits per pixel index a colour table of 2^depth entries; 24 and
 *    32 bits per pixel hold the colour itself. No other depth is accepted.
 *  - Pixel rows are stored top row first, rowBytes bytes each (at least
 *    (width * depth + 7) / 8; the bytes behind the last pixel are kept as given).
 *    Byte order of a pixel, by depth:
 *      1, 4: several pixels per byte, the leftmost in the most significant bits;
 *      8:    one byte, the colour-table index;
 *      24:   three bytes: red, green, blue;
 *      32:   four bytes: red, green, blue, then one unused byte (kept as given).
 *  - Colour table: one int per entry, 0x00RRGGBB (0 .. 0xFFFFFF); 4 * 2^depth bytes
 *    for depths 1, 4 and 8, none for 24 and 32.
 *  - Mask (optional): one bit per pixel, 1 = the pixel is shown, 0 = transparent;
 *    rows top first of RTE_BITMAP_MASK_ROW_BYTES(width) bytes (whole 16-bit words),
 *    the leftmost pixel in the most significant bit of a row's first byte.
 *  - Sizes: width and height 1 .. 32767; the pixel data at most
 *    RTE_BITMAP_MAX_BITS_SIZE bytes.
 *  - Codes: RTE_UIE_INVALID_BITMAP (-140) for a handle that was never made or is
 *    discarded, RTE_UIE_INVALID_PIXEL_DEPTH (-141) for a depth not listed above,
 *    RTE_UIE_INVALID_ATTRIBUTE_VALUE (-90) for a size, row length or colour out of
 *    range, RTE_UIE_NULL_ARGUMENT (-65), RTE_UIE_OUT_OF_MEMORY (-12). A call that fails
 *    changes nothing and writes no output. */
#ifndef RTE_BITMAPS_H
#define RTE_BITMAPS_H

#include "rte_api.h"
#include "rte_errors.h"
#include "rte_ui.h"

/* NewBitmap's rowBytes for the shortest rows: (width * depth + 7) / 8 bytes. */
#define RTE_BITMAP_AUTO_ROW_BYTES (-1)
/* The largest pixel data a bitmap holds, in bytes (256 MiB). */
#define RTE_BITMAP_MAX_BITS_SIZE (1 << 28)
/* Bytes of one mask row for a width. */
#define RTE_BITMAP_MASK_ROW_BYTES(width) ((((width) + 15) / 16) * 2)

/* Display pictures: scopes of GetScaledPanelDisplayBitmap, and the area extent that
 * reaches the end of the scope. */
#define RTE_DISPLAY_SCOPE_PANEL 0 /* the panel's area: (0, 0) to its height x width */
#define RTE_DISPLAY_SCOPE_FULL 1  /* the panel's area and every shown control outside it */
#define RTE_DISPLAY_AREA_ALL (-1)

RTE_EXTERN_C_BEGIN

/* Makes a bitmap from copies of the caller's data and writes its handle to *bitmap.
 * rowBytes: bytes per row of bits, or RTE_BITMAP_AUTO_ROW_BYTES. colorTable: 2^depth
 * entries, required for depths 1, 4 and 8, ignored otherwise. bits: height rows of
 * rowBytes; null gives all-zero pixels. mask: null for no mask. 0 or a code. */
RTE_API int NewBitmap(int rowBytes, int depth, int width, int height, const int *colorTable,
                      const unsigned char *bits, const unsigned char *mask, int *bitmap);

/* Frees the bitmap; its handle then gives RTE_UIE_INVALID_BITMAP. 0 or a code. */
RTE_API int DiscardBitmap(int bitmap);

/* Sizes in bytes of the colour table (0 for depths 24 and 32), of the pixel data
 * (rowBytes * height) and of the mask (0 when there is none). Any output may be null.
 * 0 or a code. */
RTE_API int GetBitmapInfo(int bitmap, int *colorTableSize, int *bitsSize, int *maskSize);

/* Copies the bitmap out. Any output may be null; colorTable, bits and mask must hold
 * the sizes GetBitmapInfo reports (a mask buffer is left alone when the bitmap has no
 * mask, a colour-table buffer when it has no table). 0 or a code. */
RTE_API int GetBitmapData(int bitmap, int *rowBytes, int *depth, int *width, int *height,
                          int *colorTable, unsigned char *bits, unsigned char *mask);

/* A bitmap's own data, lent for the length of one ReadBitmapInPlace call: the layout
 * above, read-only. colorTable has colorTableEntries entries (0 and null for depths 24
 * and 32); mask is null when the bitmap has none. */
typedef struct {
    int rowBytes;
    int depth;
    int width;
    int height;
    int colorTableEntries;
    const int *colorTable;
    const unsigned char *bits;
    const unsigned char *mask;
} BitmapView;

typedef int (*BitmapReaderFn)(const BitmapView *view, void *readerData);

/* Calls reader once with a view of the bitmap's data, without copying it, and returns
 * what the reader returns. The data stays valid and unchanged until the reader returns,
 * even when another thread discards the bitmap meanwhile. The reader may call any
 * engine function. RTE_UIE_INVALID_BITMAP, or RTE_UIE_NULL_ARGUMENT for a null reader
 * (the reader is then not called). */
RTE_API int ReadBitmapInPlace(int bitmap, BitmapReaderFn reader, void *readerData);

/* Display pictures. The engine draws panels and controls itself (same pixels on every
 * system): a flat face with 3-D borders, text in the engine's fonts, anti-aliased.
 * The picture is a new 24-bit bitmap (red, green, blue; rows top first) written to
 * *bitmap; the caller owns it and frees it with DiscardBitmap. height and width scale
 * it: 0 or -1 keeps the drawn size in that direction, 1 .. 32767 scales to that many
 * pixels (each direction on its own) by area averaging in exact integers. Codes:
 * RTE_UIE_INVALID_PANEL, RTE_UIE_INVALID_CONTROL, RTE_UIE_NULL_ARGUMENT (bitmap),
 * RTE_UIE_INVALID_ATTRIBUTE_VALUE (a size below -1 or above 32767, an unknown scope,
 * an empty area, a picture larger than a bitmap may be), RTE_UIE_OUT_OF_MEMORY. */

/* A control alone on its panel's face, drawn even while hidden; includeLabel nonzero:
 * the rectangle of GetCtrlBoundingRect with the label, else the control's own (with
 * the line of scale values a numeric indicator writes under it, if any). */
RTE_API int GetScaledCtrlDisplayBitmap(int panel, int control, int includeLabel, int height,
                                       int width, int *bitmap);

/* A part of a panel as it is drawn: its face, its shown controls (back to front) and
 * its displayed child panels. scope: RTE_DISPLAY_SCOPE_PANEL or RTE_DISPLAY_SCOPE_FULL.
 * area: top and left (>= 0) from the scope's top-left corner, height and width in
 * pixels or RTE_DISPLAY_AREA_ALL for the rest of the scope; cut to the scope. */
RTE_API int GetScaledPanelDisplayBitmap(int panel, int scope, Rect area, int height, int width,
                                        int *bitmap);

/* Writes the bitmap to a PNG file (8-bit RGB, no alpha; a mask is not written),
 * replacing a file of that name. The picture is encoded in memory first and written in
 * one go; a write that fails removes the file, so no partial picture stays. 0, or
 * RTE_UIE_INVALID_BITMAP, RTE_UIE_NULL_ARGUMENT, RTE_UIE_OUT_OF_MEMORY, or a file code:
 * RTE_UIE_FILE_NOT_FOUND (no such folder), RTE_UIE_ACCESS_DENIED,
 * RTE_UIE_TOO_MANY_FILES_OPEN, RTE_UIE_DISK_FULL, RTE_UIE_BAD_PATH_NAME (empty or too
 * long), RTE_UIE_IO_ERROR (anything else). */
RTE_API int SaveBitmapToPngFile(int bitmap, const char *path);

RTE_EXTERN_C_END

#endif
