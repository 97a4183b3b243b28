/* rtengine: fonts, meta fonts and text measuring.
 *
 * The engine measures (and draws) text itself, with faces built into the library, so
 * a text has the same size in pixels on every platform.
 *
 * Typefaces. A typeface name chooses one of three families; names compare without
 * regard to ASCII case:
 *   DejaVu Sans       "DejaVu Sans", "Sans", "Sans Serif", "Arial", "Helvetica",
 *                     "Microsoft Sans Serif", "MS Sans Serif", "MS Shell Dlg",
 *                     "MS Shell Dlg 2", "Segoe UI", "Tahoma", "Verdana"
 *   DejaVu Sans Mono  "DejaVu Sans Mono", "Monospace", "Courier", "Courier New",
 *                     "Consolas", "Lucida Console"
 *   DejaVu Serif      "DejaVu Serif", "Serif", "Times", "Times New Roman", "Georgia"
 * Bold text uses the family's bold face (DejaVu Sans Mono has one width for every
 * style, so its bold is the regular face drawn heavier). Italic text is the upright
 * face slanted: it measures as upright text.
 *
 * Meta fonts. A meta font is a named font: a typeface, a point size and the styles
 * bold, italic, underline and strike-out. The engine predefines the RTE_*_META_FONT
 * names below; CreateMetaFont defines more. Meta font names compare without regard to
 * ASCII case, and there is one set of them for the whole process.
 *
 * Sizes. A point is 1/72 inch at 96 pixels per inch: a font of p points is
 * round(p * 96 / 72) pixels per em (10 points: 13 pixels). Advances and kerning are
 * scaled to 1/64 pixel, summed along a line and the sum rounded to whole pixels. A
 * line is as high as the face's ascent, descent and line gap together (DejaVu Sans at
 * 10 points: 15 pixels).
 *
 * Text. Every byte is one character in the Windows-1252 code page (ISO 8859-1 with
 * typographic characters such as the euro sign at 0x80-0x9F). "\n", "\r\n" and a lone
 * "\r" end a line; other control characters take no room. Characters a face lacks take
 * the room of its missing-glyph box. */
#ifndef RTE_FONTS_H
#define RTE_FONTS_H

#include "rte_api.h"

/* Room for a meta font or typeface name, terminator included: names are at most 255
 * bytes long, so a 256-byte buffer holds any name the engine reports. */
#define RTE_MAX_FONT_NAME_LEN 256
/* Point sizes the engine accepts. */
#define RTE_MIN_FONT_POINT_SIZE 1
#define RTE_MAX_FONT_POINT_SIZE 500

/* The predefined meta fonts. They cannot be redefined. */
#define RTE_DIALOG_META_FONT "DialogMetaFont"   /* DejaVu Sans 10 pt: labels and control text */
#define RTE_MENU_META_FONT "MenuMetaFont"       /* DejaVu Sans 10 pt: menus */
#define RTE_MESSAGE_META_FONT "MessageMetaFont" /* DejaVu Sans 10 pt: message popups */
#define RTE_TITLE_META_FONT "TitleMetaFont"     /* DejaVu Sans 12 pt bold: titles */
#define RTE_FIXED_META_FONT "FixedMetaFont"     /* DejaVu Sans Mono 10 pt: fixed-width text */

/* The three families by their own names. */
#define RTE_SANS_TYPEFACE "DejaVu Sans"
#define RTE_MONO_TYPEFACE "DejaVu Sans Mono"
#define RTE_SERIF_TYPEFACE "DejaVu Serif"

RTE_EXTERN_C_BEGIN

/* Defines the meta font metaFontName, or redefines it when it exists. typeface may be
 * any string: a typeface name, a meta font name (the new font takes that meta font's
 * typeface) or a name the engine does not know, which is kept as given and measures
 * and draws in DejaVu Sans. bold, italic, underline and strikeOut: nonzero = on.
 * Returns 0; RTE_UIE_NULL_ARGUMENT (-65) for a null name or typeface;
 * RTE_UIE_INVALID_ATTRIBUTE_VALUE (-90) for an empty name, a name or typeface of 256
 * bytes or more, a point size outside RTE_MIN/MAX_FONT_POINT_SIZE, or a name that is a
 * predefined meta font or a typeface; RTE_UIE_OUT_OF_MEMORY (-12). On failure nothing
 * changes. */
RTE_API int CreateMetaFont(const char *metaFontName, const char *typeface, int pointSize,
                           int bold, int italic, int underline, int strikeOut);

/* Measures text in the meta font metaFont: *width receives the widest line's width and
 * *height the number of lines times the line height, in pixels. Either output may be
 * null. The empty text is one line high and 0 wide. A typeface name is not a meta font.
 * Returns 0; RTE_UIE_NULL_ARGUMENT (-65) for a null text or font name;
 * RTE_UIE_UNKNOWN_FONT (-89) when metaFont is not a meta font. The outputs are
 * untouched on failure. Safe to call from any thread. */
RTE_API int GetTextDisplaySize(const char *text, const char *metaFont, int *height, int *width);

RTE_EXTERN_C_END

#endif
