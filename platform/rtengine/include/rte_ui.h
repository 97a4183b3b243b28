/* rtengine: the user-interface model: panels, controls, their numbered attributes,
 * callbacks and events, timer controls, modal popups, and the input driver.
 *
 * Conventions (besides those of rte_api.h)
 *  - The model is the same on every platform: panels are rectangles with controls in
 *    them. On Windows every top-level panel also owns a real window (attribute
 *    RTE_ATTR_SYSTEM_WINDOW), made with the panel on its thread and hidden until the
 *    panel is displayed; elsewhere panels have no windows. See "System windows".
 *  - Handles: panel handles are > 0 and never reused while the process runs. Control
 *    ids are per panel, start at 2 and are never reused within their panel.
 *  - Threads: a panel belongs to the thread that made it. Its callbacks run on that
 *    thread only, from ProcessSystemEvents or GetUserEvent, or from the engine call
 *    that the owning thread made (DiscardPanel, SetActiveCtrl, ...). Calls that deliver
 *    callbacks must come from the owning thread, or they fail with
 *    RTE_UIE_WRONG_THREAD; attribute reads and writes, NewCtrl, callback installation
 *    and the input driver work from any thread. No callback ever runs while the
 *    engine holds its lock, so a callback may call any engine function.
 *  - Codes: RTE_UIE_INVALID_PANEL (-45) for a panel that was never made or is
 *    discarded, RTE_UIE_INVALID_CONTROL (-42) for a control likewise,
 *    RTE_UIE_INVALID_ATTRIBUTE (-46) for an attribute that is unknown, does not apply
 *    to the object or its kind, or is read-only and was set,
 *    RTE_UIE_INVALID_ATTRIBUTE_VALUE (-90) for a value out of range (also a position
 *    or size argument out of range), RTE_UIE_NULL_ARGUMENT (-65), RTE_UIE_OUT_OF_MEMORY
 *    (-12). A call that fails changes nothing.
 *  - Geometry: pixels. A top-level panel's top and left are screen coordinates of its
 *    client area, a child panel's are coordinates in its parent; controls and the
 *    mouse use the coordinates of their panel's client area (origin at its top left).
 *    Positions lie in -32768..32767 and sizes in 0..32767, so sums never overflow.
 *    The screen is the primary screen on Windows and a virtual 1024 x 768 screen
 *    (RTE_SCREEN_WIDTH/HEIGHT) elsewhere.
 *  - Attribute values: Get*Attribute writes the attribute's type through its void *:
 *    int; a pointer (void * or the callback type) for the callback attributes; a
 *    double for RTE_ATTR_INTERVAL; characters for strings (copied with their
 *    terminator; the caller's buffer needs the matching length attribute + 1 bytes);
 *    the control's data type for the data-typed attributes (exactly
 *    sizeof(that type) bytes are written). Set*Attribute takes one value of the
 *    attribute's type after the attribute number: an int; a pointer (write null as
 *    NULL or (void *)0; a plain 0, as callers write to clear a callback, also reads as
 *    null on the supported targets, where it travels in a whole register or
 *    pointer-sized slot); a double (write 1.0, not 1); a const char *; for data-typed
 *    attributes an int (an unsigned int for RTE_VAL_UNSIGNED_INTEGER) for the integer
 *    data types and a double for float and double, as C's argument promotions pass
 *    them. Boolean attributes take 0 or 1. */
#ifndef RTE_UI_H
#define RTE_UI_H

#include <stdint.h>

#include "rte_api.h"
#include "rte_errors.h"

/* Events, with the numbers callbacks receive. The engine sends 1, 2, 3, 5, 7, 8, 9, 11,
 * 12, 13, 15 and 16; the others are reserved for later kinds and for library code. */
enum {
    EVENT_NONE = 0,
    EVENT_COMMIT = 1,              /* a command button was pressed, or its shortcut key; a
                                      ring's item or a colour was chosen */
    EVENT_VAL_CHANGED = 2,         /* the user changed the value (a list box's selection,
                                      a ring's item, a colour) */
    EVENT_LEFT_CLICK = 3,          /* left button down: eventData1 = y, eventData2 = x */
    EVENT_LEFT_DOUBLE_CLICK = 4,
    EVENT_RIGHT_CLICK = 5,         /* right button down: eventData1 = y, eventData2 = x */
    EVENT_RIGHT_DOUBLE_CLICK = 6,
    EVENT_KEYPRESS = 7,            /* eventData1 = the key (RTE_KEY_...) */
    EVENT_GOT_FOCUS = 8,
    EVENT_LOST_FOCUS = 9,
    EVENT_IDLE = 10,
    EVENT_CLOSE = 11,              /* the user closes the panel (panel callback) */
    EVENT_PANEL_SIZE = 12,         /* the user sized a top-level panel's window (Windows):
                                      eventData1 = height, eventData2 = width, the new
                                      client size; not sent for the program's own changes */
    EVENT_PANEL_MOVE = 13,         /* the user moved it: eventData1 = top, eventData2 =
                                      left, the client area's new screen position */
    EVENT_END_TASK = 14,
    EVENT_TIMER_TICK = 15,         /* eventData1 points to a double: Timer() of the tick */
    EVENT_DISCARD = 16             /* the object is being discarded; the result is ignored */
};

/* Callbacks. A non-zero result stops the event: the engine skips its default action
 * (a stopped left click gets no commit on release, a stopped key no focus move or
 * commit, a stopped close no commit of the close control). Event data are
 * pointer-sized because some events carry pointers. */
typedef int (*CtrlCallbackFn)(int panel, int control, int event, void *callbackData,
                              intptr_t eventData1, intptr_t eventData2);
typedef int (*PanelCallbackFn)(int panel, int event, void *callbackData, intptr_t eventData1,
                               intptr_t eventData2);

typedef struct {
    int top, left, height, width;
} Rect;
typedef struct {
    int x, y;
} Point;

/* Control styles (kinds). NewCtrl refuses others with RTE_UIE_INVALID_CONTROL_STYLE.
 *
 *   style  kind               label                     value          takes the focus
 *   112    numeric indicator  above it (automatic)      data-typed     in mode 1 only
 *   130    colour control     above it (automatic)      int 0x00RRGGBB yes
 *   160    text message       its text, drawn as it     none           never
 *   200    command button     its caption, drawn inside none (reads 0)  yes (commits)
 *   300    ring               above it (automatic)      the selected   yes
 *   301    ring (slide)       above it (automatic)        item's int   yes
 *   340    list box           above it (automatic)      value          yes
 *   490    timer              a name, never shown       none           never; invisible
 *   204    picture button     above it (automatic)      none           yes (commits)
 *   235    picture, raised    above it (automatic)      none           in mode 1 only
 *   480    picture            above it (automatic)      none           in mode 1 only
 *   318    picture ring       above it (automatic)      selected item  yes
 *
 * A command button is sized to its caption (caption + 24 wide, + 10 high) until its
 * width or height is set; a numeric indicator is 100 x 20, mode 0 (indicator), data type
 * double, range the whole type, value 0, increment 1; a timer is 16 x 16, enabled, with
 * an interval of 1.0 s. A colour control is 40 x 20, hot, black (0). A text message is
 * as large as its text in its text font (681-687) until its width or height is set. A
 * ring is 100 wide and one text line + 6 high, a list box 150 wide with 5 visible lines
 * (see RTE_ATTR_VISIBLE_LINES); both hold a list of items (label, int value; the list
 * functions below), are hot, and read as data type int.
 *
 * Pictures hold images (see "Pictures"). 204, 235 and 480 hold one image, index 0: a
 * picture button (48 x 48, hot, commits like a command button), a picture drawn in a
 * raised 3-D frame and a plain picture (100 x 100 each, indicators). A picture ring
 * (318, 64 x 64, hot) is a ring whose items each hold an image: the list functions
 * count, address and select its items (indices 0..count-1), a click moves to the next
 * item and a change of item commits, as on a ring. The labelled attributes
 * (670-673, 742) and 500-620, 740/741 apply to every picture kind, 743 and 710 to the
 * picture ring; the text-font attributes do not. */
enum {
    RTE_CTRL_NUMERIC_INDICATOR = 112,
    RTE_CTRL_COLOR_NUM = 130,
    RTE_CTRL_TEXT_MSG = 160,
    RTE_CTRL_COMMAND_BUTTON = 200,
    RTE_CTRL_PICTURE_BUTTON = 204,
    RTE_CTRL_PICTURE_RAISED = 235,
    RTE_CTRL_RING = 300,
    RTE_CTRL_SLIDE_RING = 301,
    RTE_CTRL_PICTURE_RING = 318,
    RTE_CTRL_LIST_BOX = 340,
    RTE_CTRL_PICTURE = 480,
    RTE_CTRL_TIMER = 490
};

/* Data types of numeric controls (RTE_ATTR_DATA_TYPE). */
enum {
    RTE_VAL_CHAR = 0,
    RTE_VAL_INTEGER = 1,
    RTE_VAL_SHORT = 2,
    RTE_VAL_FLOAT = 3,
    RTE_VAL_DOUBLE = 4,
    RTE_VAL_STRING = 5, /* not a numeric type: refused by numeric controls */
    RTE_VAL_UNSIGNED_SHORT = 6,
    RTE_VAL_UNSIGNED_INTEGER = 7,
    RTE_VAL_UNSIGNED_CHAR = 8
};

/* Special values. */
#define RTE_AUTO_CENTER ((int)0x80000000) /* SetPanelPos, NewPanel: centre on the screen */
#define RTE_AUTO_LABEL ((int)0x80000000)  /* RTE_ATTR_LABEL_TOP: place the label itself */
#define RTE_TRANSPARENT 0x1000000         /* RTE_ATTR_FILL_COLOR: no fill */
#define RTE_SCREEN_WIDTH 1024
#define RTE_SCREEN_HEIGHT 768
#define RTE_MAX_PENDING_COMMITS 1024      /* see the input driver */

/* Panel attributes: number, value type, access.
 *   510 RTE_ATTR_CALLBACK_DATA              pointer  r/w; data without a function is fine
 *   513 RTE_ATTR_CALLBACK_FUNCTION_POINTER  PanelCallbackFn r/w; null: no callback
 *   530 RTE_ATTR_VISIBLE                    int r    (DisplayPanel/HidePanel/popups)
 *   531 RTE_ATTR_LEFT, 532 RTE_ATTR_TOP     int r/w  (RTE_AUTO_CENTER centres)
 *   533 RTE_ATTR_WIDTH, 540 RTE_ATTR_HEIGHT int r/w
 *   592 RTE_ATTR_CLOSE_CTRL                 int r/w  control committed when the user
 *                                                    closes the panel; 0: none
 *   602 RTE_ATTR_SIZABLE                    int r/w  1 (default): the user may resize the
 *                                                    panel's frame
 *   598 RTE_ATTR_SYSTEM_WINDOW              pointer r the panel's window (an HWND) on
 *                                                    Windows; null for child panels and
 *                                                    on other systems. May change: see
 *                                                    RecreatePanelWindow
 *   606 RTE_ATTR_PANEL_PARENT               int r    parent panel, 0 for a top-level one
 *   612 RTE_ATTR_PANEL_FIRST_CTRL           int r    first control of the chain, 0: none
 *   617 RTE_ATTR_FLOATING                   int r/w  1: stays in front of the other
 *                                                    panels (default 0)
 *   700 RTE_ATTR_TITLE                      string r/w
 *   701 RTE_ATTR_TITLE_LENGTH               int r    without the terminator
 *   702 RTE_ATTR_ACTIVE_CTRL                int r    the control with the focus, 0: none
 *   703 RTE_ATTR_NUM_CTRLS                  int r
 *   570 RTE_ATTR_BACK_COLOR                 int r/w  0x00RRGGBB of the panel's face (its
 *                                                    background); default 0xC0C0C0
 *   575 RTE_ATTR_FRAME_COLOR                int r/w  0x00RRGGBB of the panel's outline
 *                                                    and title strip; default 0x404040
 *   (a colour outside 0 .. 0xFFFFFF is refused with RTE_UIE_INVALID_ATTRIBUTE_VALUE) */
enum {
    RTE_ATTR_CALLBACK_DATA = 510,
    RTE_ATTR_CALLBACK_FUNCTION_POINTER = 513,
    RTE_ATTR_VISIBLE = 530,
    RTE_ATTR_LEFT = 531,
    RTE_ATTR_TOP = 532,
    RTE_ATTR_WIDTH = 533,
    RTE_ATTR_HEIGHT = 540,
    RTE_ATTR_BACK_COLOR = 570,
    RTE_ATTR_FRAME_COLOR = 575,
    RTE_ATTR_CLOSE_CTRL = 592,
    RTE_ATTR_SYSTEM_WINDOW = 598,
    RTE_ATTR_SIZABLE = 602,
    RTE_ATTR_PANEL_PARENT = 606,
    RTE_ATTR_PANEL_FIRST_CTRL = 612,
    RTE_ATTR_FLOATING = 617,
    RTE_ATTR_TITLE = 700,
    RTE_ATTR_TITLE_LENGTH = 701,
    RTE_ATTR_ACTIVE_CTRL = 702,
    RTE_ATTR_NUM_CTRLS = 703
};

/* Control attributes: number, value type, access, kinds (B button, N numeric, T timer,
 * C colour, X text message, R rings, L list box, P picture kinds (204, 235, 480,
 * 318); "labelled" = N C R L and the pictures; another kind
 * gets RTE_UIE_INVALID_ATTRIBUTE).
 *   500 RTE_ATTR_DIMMED              int r/w all but T  a dimmed control gets no input
 *   510, 513                         as for panels (CtrlCallbackFn), all
 *   530 RTE_ATTR_VISIBLE             int r/w all but T, r T (always 0)
 *   531 left, 532 top, 533 width, 540 height     int r/w all (a list box's height also
 *                                    sets its visible lines: see 821)
 *   610 RTE_ATTR_ZPLANE_POSITION     int r/w all 0 is the front-most; setting takes the
 *                                    control out and puts it at that index (0..n-1),
 *                                    the others move up or down; new controls go in front
 *   611 RTE_ATTR_CTRL_STYLE          int r   all
 *   612 RTE_ATTR_CTRL_TAB_POSITION   int r/w all dense 0..n-1, renumbered as 610 is; new
 *                                    controls go last
 *   613 RTE_ATTR_NEXT_CTRL           int r   all the chain is the tab order: the next
 *                                    control by tab position, 0 after the last
 *   620 RTE_ATTR_CTRL_MODE           int r/w all but T, r T: 0 indicator (no focus, no
 *                                    commit, no value changes by input; clicks still
 *                                    reported), 1 hot
 *   670 RTE_ATTR_LABEL_LEFT          int r/w labelled
 *   671 RTE_ATTR_LABEL_TOP           int r/w labelled  RTE_AUTO_LABEL (the default) puts
 *                                    the label above the control, left-aligned with it
 *                                    (this sets 670 too) until 670 or 671 gets a number.
 *                                    A label keeps its place relative to the control
 *                                    when the control moves.
 *   672 RTE_ATTR_LABEL_WIDTH         int r   B X labelled  the label (caption, text) as
 *   673 RTE_ATTR_LABEL_HEIGHT        int r   B X labelled  drawn: "__" markers removed;
 *                                    0 x 0 when empty; a text message's in its text font
 *   681 RTE_ATTR_TEXT_FONT_NAME_LENGTH int r X R L  length of what 682 reads
 *   682 RTE_ATTR_TEXT_FONT           string r/w X R L  the font of the control's text:
 *                                    a meta font or typeface name (RTE_UIE_UNKNOWN_FONT
 *                                    for others); default RTE_DIALOG_META_FONT. Reads
 *                                    the name as set until one of 683-687 is set; from
 *                                    then on it reads the typeface underneath. Setting
 *                                    it drops the changes 683-687 made.
 *   683 RTE_ATTR_TEXT_ITALIC         int r/w X R L  0/1, from the font until set
 *   684 RTE_ATTR_TEXT_UNDERLINE      int r/w X R L  0/1
 *   685 RTE_ATTR_TEXT_STRIKEOUT      int r/w X R L  0/1
 *   686 RTE_ATTR_TEXT_POINT_SIZE     int r/w X R L  RTE_MIN/MAX_FONT_POINT_SIZE
 *   687 RTE_ATTR_TEXT_BOLD           int r/w X R L  0/1
 *                                    A control takes its font when 682 is set: a meta
 *                                    font redefined later does not change it. A new font
 *                                    re-sizes a text message (until sized by hand), a
 *                                    ring's height and a list box's height.
 *   710 RTE_ATTR_DATA_TYPE           int r/w N, r C R L (RTE_VAL_INTEGER)  RTE_VAL_...
 *                                    except RTE_VAL_STRING; a change converts value,
 *                                    range and increment
 *   730 RTE_ATTR_MAX_VALUE           typed r/w N  below the minimum: refused
 *   731 RTE_ATTR_MIN_VALUE           typed r/w N  above the maximum: refused
 *   737 RTE_ATTR_PRECISION           int r/w N   digits after the point, 0..15 (def. 2)
 *   740 RTE_ATTR_LABEL_TEXT          string r/w all as given, with its "__" markers
 *   741 RTE_ATTR_LABEL_TEXT_LENGTH   int r   all
 *   742 RTE_ATTR_LABEL_VISIBLE       int r/w labelled  a hidden label is not in the
 *                                    bounding rectangle
 *   743 RTE_ATTR_CTRL_VAL            typed r/w N C R L  the value, as Get/SetCtrlVal
 *   744 RTE_ATTR_INCR_VALUE          typed r/w N  the step, >= 0 (default 1)
 *   745 RTE_ATTR_FIRST_VISIBLE_LINE  int r/w L  index of the top line shown, 0..count-1
 *                                    (0 when empty); the selection scrolls into view
 *   821 RTE_ATTR_VISIBLE_LINES       int r/w L  lines shown, 1..1000 (default 5):
 *                                    setting it makes the height lines * line height + 4
 *                                    (a 2-pixel frame); setting the height makes it
 *                                    (height - 4) / line height, at least 1
 *   974 RTE_ATTR_SHOW_DIGITAL_DISPLAY int r/w N  1 (default): the value is shown in
 *                                    digits beside the scale
 *   980 RTE_ATTR_FILL_COLOR          int r/w N   0x00RRGGBB of the background, or
 *                                    RTE_TRANSPARENT (default 0xFFFFFF)
 *   982 RTE_ATTR_MARKER_STYLE        int r/w N   scale markers: 0 none (default), 1 tick
 *                                    marks, 2 ticks and the end values, 3 ticks with a
 *                                    value at every division (values that would crowd
 *                                    their neighbours left out). Styles 2 and 3 write
 *                                    the values in the dialog font on a line under the
 *                                    control's rectangle, 1 pixel below it, which the
 *                                    bounding rectangle and the control's display
 *                                    picture include
 *   983 RTE_ATTR_DIVISIONS           int r/w N   divisions of the scale, 1..100 (def. 10)
 *   996 RTE_ATTR_LABEL_RAISED        int r/w labelled  1: the label is drawn in a raised
 *                                    frame, 2 pixels on each side, which 672/673 and the
 *                                    bounding rectangle include; 0 (default): plain
 *   1020 RTE_ATTR_SHORTCUT_KEY       int r/w B   RTE_KEY_... value, 0 for none
 *   1100 RTE_ATTR_FIT_MODE           int r/w P   how a picture's image fills the area
 *                                    inside its frame (RTE_FIT_...; default
 *                                    RTE_FIT_CENTERED); the mask is scaled with it
 *   1270 RTE_ATTR_INTERVAL           double r/w T seconds, finite and >= 0; 0.0 ticks on
 *                                    every event pass; setting restarts the countdown
 *   1271 RTE_ATTR_ENABLED            int r/w T   0 stops the ticks; 1 restarts the
 *                                    countdown when it was stopped
 * Data-typed ("typed") values must fit the data type and lie in the range (value); a
 * value that does not is refused. Changing the range moves the value into it. */
enum {
    RTE_ATTR_DIMMED = 500,
    RTE_ATTR_ZPLANE_POSITION = 610,
    RTE_ATTR_CTRL_STYLE = 611,
    RTE_ATTR_CTRL_TAB_POSITION = 612,
    RTE_ATTR_NEXT_CTRL = 613,
    RTE_ATTR_CTRL_MODE = 620,
    RTE_ATTR_LABEL_LEFT = 670,
    RTE_ATTR_LABEL_TOP = 671,
    RTE_ATTR_LABEL_WIDTH = 672,
    RTE_ATTR_LABEL_HEIGHT = 673,
    RTE_ATTR_TEXT_FONT_NAME_LENGTH = 681,
    RTE_ATTR_TEXT_FONT = 682,
    RTE_ATTR_TEXT_ITALIC = 683,
    RTE_ATTR_TEXT_UNDERLINE = 684,
    RTE_ATTR_TEXT_STRIKEOUT = 685,
    RTE_ATTR_TEXT_POINT_SIZE = 686,
    RTE_ATTR_TEXT_BOLD = 687,
    RTE_ATTR_DATA_TYPE = 710,
    RTE_ATTR_MAX_VALUE = 730,
    RTE_ATTR_MIN_VALUE = 731,
    RTE_ATTR_PRECISION = 737,
    RTE_ATTR_LABEL_TEXT = 740,
    RTE_ATTR_LABEL_TEXT_LENGTH = 741,
    RTE_ATTR_LABEL_VISIBLE = 742,
    RTE_ATTR_CTRL_VAL = 743,
    RTE_ATTR_INCR_VALUE = 744,
    RTE_ATTR_FIRST_VISIBLE_LINE = 745,
    RTE_ATTR_VISIBLE_LINES = 821,
    RTE_ATTR_SHOW_DIGITAL_DISPLAY = 974,
    RTE_ATTR_FILL_COLOR = 980,
    RTE_ATTR_MARKER_STYLE = 982,
    RTE_ATTR_DIVISIONS = 983,
    RTE_ATTR_LABEL_RAISED = 996,
    RTE_ATTR_SHORTCUT_KEY = 1020,
    RTE_ATTR_FIT_MODE = 1100,
    RTE_ATTR_INTERVAL = 1270,
    RTE_ATTR_ENABLED = 1271
};

enum { RTE_CTRL_MODE_INDICATOR = 0, RTE_CTRL_MODE_HOT = 1 };

/* Fit modes of pictures (RTE_ATTR_FIT_MODE). */
enum {
    RTE_FIT_CENTERED = 0,  /* unscaled, centred, cut to the area */
    RTE_FIT_STRETCHED = 1, /* scaled to the area's width and height */
    RTE_FIT_ASPECT = 2     /* scaled to the largest size that fits, keeping its shape,
                              centred; what is around shows as with RTE_FIT_CENTERED */
};

/* Keys (SimulateKeyPress, RTE_ATTR_SHORTCUT_KEY, EVENT_KEYPRESS). A key is either a
 * character 1..255 (printable characters as themselves) or one special key (bits
 * 8-15, low byte 0), plus modifier bits. */
enum {
    RTE_KEY_BACKSPACE = 0x0100,
    RTE_KEY_DELETE = 0x0200,
    RTE_KEY_ESCAPE = 0x0300, /* 768: the usual cancelling shortcut */
    RTE_KEY_TAB = 0x0400,
    RTE_KEY_ENTER = 0x0500,  /* 1280: the usual accepting shortcut */
    RTE_KEY_UP = 0x0600,
    RTE_KEY_DOWN = 0x0700,
    RTE_KEY_LEFT = 0x0800,
    RTE_KEY_RIGHT = 0x0900,
    RTE_KEY_HOME = 0x0A00,
    RTE_KEY_END = 0x0B00,
    RTE_KEY_PAGE_UP = 0x0C00,
    RTE_KEY_PAGE_DOWN = 0x0D00,
    RTE_KEY_INSERT = 0x0E00,
    RTE_KEY_F1 = 0x1000, /* F1..F12 are RTE_KEY_F1 + (n - 1) * 0x100 */
    RTE_KEY_F12 = 0x1B00,
    RTE_KEY_MOD_SHIFT = 0x10000,
    RTE_KEY_MOD_CTRL = 0x20000,
    RTE_KEY_MOD_ALT = 0x40000
};

RTE_EXTERN_C_BEGIN

RTE_API Rect MakeRect(int top, int left, int height, int width);
RTE_API Point MakePoint(int x, int y);

/* ---- Panels ---- */

/* Makes a panel owned by the calling thread, not displayed; returns its handle. parent
 * 0 makes a top-level panel, otherwise a child panel inside parent's client area
 * (RTE_UIE_WRONG_THREAD when parent belongs to another thread, RTE_UIE_INVALID_PANEL
 * when it is being discarded). A null title counts as "". top or left may be
 * RTE_AUTO_CENTER. */
RTE_API int NewPanel(int parentPanel, const char *title, int top, int left, int height,
                     int width);

/* Discards a panel: its child panels first (each as by DiscardPanel), then its controls
 * in chain order, each control's callback getting EVENT_DISCARD once, then the panel's
 * callback once. Each callback's function and data are read just before its delivery;
 * the object stays valid (its handle resolves, callbacks can be installed) until its
 * own delivery returns, and a callback installed after that delivery is never called.
 * Removes the panel from the popup stack. A discard of a panel already being discarded
 * returns 0 at once. Owning thread only. */
RTE_API int DiscardPanel(int panel);

/* Shows a panel (non-modal) and brings it to the front. Owning thread only. */
RTE_API int DisplayPanel(int panel);
/* Hides a panel; a hidden popup leaves the popup stack. Owning thread only. */
RTE_API int HidePanel(int panel);
/* Shows a top-level panel as a modal popup on top of its thread's popup stack: while a
 * thread has popups, input to its panels reaches only the top popup and its child
 * panels. Installing an installed popup brings it to the top. A child panel gives
 * RTE_UIE_INVALID_PANEL. Owning thread only. */
RTE_API int InstallPopup(int panel);
/* Removes a popup from its thread's stack and hides it; 0 removes the calling thread's
 * top popup (nothing to do when it has none). A panel that is not an installed popup
 * gives RTE_UIE_INVALID_PANEL. Owning thread only. */
RTE_API int RemovePopup(int panel);

/* Moves a panel; RTE_AUTO_CENTER for a coordinate centres it on the screen (a child
 * panel: in its parent) in that direction. */
RTE_API int SetPanelPos(int panel, int top, int left);

/* Reads a panel attribute (table above) into *value, typed as the conventions say.
 * RTE_UIE_INVALID_ATTRIBUTE for an unknown number, RTE_UIE_NULL_ARGUMENT for a null
 * value; *value is untouched on failure. */
RTE_API int GetPanelAttribute(int panel, int attribute, void *value);
/* Sets a panel attribute from the one value after attribute. RTE_UIE_INVALID_ATTRIBUTE
 * also for a read-only one, RTE_UIE_INVALID_ATTRIBUTE_VALUE for a value out of range,
 * RTE_UIE_INVALID_CONTROL for a close control that is not on the panel. */
RTE_API int SetPanelAttribute(int panel, int attribute, ...);

/* Sets the panel's callback function and data together; a null function is accepted
 * (the panel then has data but no callback). */
RTE_API int InstallPanelCallback(int panel, PanelCallbackFn function, void *callbackData);

/* ---- System windows (Windows) ----
 * A top-level panel's window is made by NewPanel on the calling thread, which owns it,
 * and destroyed by DiscardPanel after every discard event has been delivered (so the
 * panel's callback sees EVENT_DISCARD while the window still exists). The panel's
 * position is that of the window's client area on the screen, its size the client
 * area's size. The window follows the model: DisplayPanel, HidePanel, popups, position,
 * size, title, RTE_ATTR_SIZABLE (a sizing frame) and RTE_ATTR_FLOATING (top-most). A
 * change made on the owning thread reaches the window before the call returns; one made
 * on another thread is posted to the window, never waiting for the owner, and reaches
 * it when the owner next processes messages (the model has it at once). What other code
 * or the user does to the window (moving, sizing, showing, hiding it) comes back to the
 * model. Mouse buttons, mouse moves, keys and closing on the window become the same
 * input as the input driver's, queued for the owner's next event pass; closing the
 * window does not destroy it. The window procedure is the class's own and the engine
 * never replaces it, so code may subclass the window (and must pass on what it does not
 * handle, through CallWindowProcA). A window destroyed by other code leaves the panel
 * without one (RTE_ATTR_SYSTEM_WINDOW null) until RecreatePanelWindow. */

/* Gives a top-level panel a new window in place of its current one, with the same
 * state (visibility, position, size, title). The new window is made first and
 * RTE_ATTR_SYSTEM_WINDOW holds it from then on; then the old window is destroyed, so
 * its procedures see WM_DESTROY and a subclassing library can subclass the new window
 * from there (for example in a deferred call, which runs on the owner's next event
 * pass). A child panel gives RTE_UIE_INVALID_PANEL; RTE_UIE_OUT_OF_MEMORY when the
 * system refuses a window (the old one is kept). Owning thread only. On systems without
 * windows it checks its arguments and does nothing. */
RTE_API int RecreatePanelWindow(int panel);

/* ---- Controls ---- */

/* Makes a control of a style in the table above; returns its id (>= 2). A null label
 * means no label. It goes last in the tab order and in front in the z-plane order.
 * RTE_UIE_INVALID_PANEL also for a panel being discarded. */
RTE_API int NewCtrl(int panel, int style, const char *label, int top, int left);

/* Discards a control: its callback gets EVENT_DISCARD once, under the rules of
 * DiscardPanel; the others close up in tab and z-plane order. Owning thread only. */
RTE_API int DiscardCtrl(int panel, int control);

/* Reads a control attribute (table above) into *value: an int, a pointer, a double, a
 * string or the control's data type, as the attribute says. RTE_UIE_INVALID_ATTRIBUTE
 * for a number the control's kind does not have, RTE_UIE_NULL_ARGUMENT for a null
 * value; *value is untouched on failure. */
RTE_API int GetCtrlAttribute(int panel, int control, int attribute, void *value);
/* Sets a control attribute from the one value after attribute (see the conventions for
 * its C type). RTE_UIE_INVALID_ATTRIBUTE also for a read-only one,
 * RTE_UIE_INVALID_ATTRIBUTE_VALUE for a value out of range or not of the data type,
 * RTE_UIE_NULL_ARGUMENT for a null string. Sends no event. */
RTE_API int SetCtrlAttribute(int panel, int control, int attribute, ...);

/* Sets the control's callback function and data together; a null function is accepted. */
RTE_API int InstallCtrlCallback(int panel, int control, CtrlCallbackFn function,
                                void *callbackData);

/* The control's value (RTE_ATTR_CTRL_VAL): SetCtrlVal takes it as Set*Attribute takes
 * data-typed values; a value outside the range or the type is refused with
 * RTE_UIE_INVALID_ATTRIBUTE_VALUE. GetCtrlVal writes the data type; a command button
 * writes an int 0, and setting its value gives RTE_UIE_INVALID_ATTRIBUTE. A colour
 * control's value is an int 0..0xFFFFFF. A ring's or list box's value is the selected
 * item's value: GetCtrlVal of an empty one gives RTE_UIE_INDEX_OUT_OF_RANGE, and
 * SetCtrlVal selects the first item with that value (RTE_UIE_INVALID_ATTRIBUTE_VALUE
 * when none has it). Sends no event. */
RTE_API int SetCtrlVal(int panel, int control, ...);
RTE_API int GetCtrlVal(int panel, int control, void *value);

/* Gives the control the keyboard focus: EVENT_LOST_FOCUS to the control that had it,
 * then EVENT_GOT_FOCUS to this one (none when it already has it). 0 takes the focus
 * away. A control that cannot take the focus (indicator mode, dimmed, hidden, a timer)
 * gives RTE_UIE_INVALID_ATTRIBUTE_VALUE. Owning thread only. */
RTE_API int SetActiveCtrl(int panel, int control);
/* The control with the focus, 0 when none, or a code. */
RTE_API int GetActiveCtrl(int panel);

/* The smallest rectangle that holds the control and its visible, non-empty label.
 * Any output may be null. */
RTE_API int GetCtrlBoundingRect(int panel, int control, int *top, int *left, int *height,
                                int *width);

/* ---- Lists of rings and list boxes ----
 * A ring or list box holds items, each a label (any text; a list box draws the escape
 * codes below) and an int value, at indices 0..count-1, and selects at most one of
 * them: the first item inserted into an empty control is selected, the selection
 * stays on its item while others come and go, and when the selected item goes the
 * one that takes its index is selected (the last one when it was last; none when the
 * control is empty). Other kinds give RTE_UIE_WRONG_CONTROL_KIND, an index without an
 * item RTE_UIE_INDEX_OUT_OF_RANGE, a null label or output RTE_UIE_NULL_ARGUMENT. A
 * call that fails changes nothing; none sends an event.
 *
 * List-box labels may hold escape codes (ESC is the byte 0x1B), drawn in place:
 *   ESC "p" n "l"                   moves the pen to pixel column n (1 to 5 decimal
 *                                   digits) of the line
 *   ESC "fg" RRGGBB                 draws what follows in that colour (6 hex digits,
 *                                   either case)
 *   ESC "bg" RRGGBB                 fills behind what follows in that colour
 *   ESC "drawfilledbox" WWW RRGGBB  draws a filled box WWW pixels wide (decimal),
 *                                   framed in the current colour, and moves past it
 * Codes that do not parse are drawn as text. The text of a line, without its codes, is
 * what typing a character matches. */

/* Inserts an item in front of index (0..count); -1 (or count) appends. */
RTE_API int InsertListItem(int panel, int control, int index, const char *label, int value);
/* Replaces the label and value of the item at index; it keeps its place. */
RTE_API int ReplaceListItem(int panel, int control, int index, const char *label, int value);
/* Deletes count items from index on; count -1 deletes to the end (count 0: none). */
RTE_API int DeleteListItem(int panel, int control, int index, int count);
/* Deletes every item. */
RTE_API int ClearListCtrl(int panel, int control);
/* *count receives the number of items. */
RTE_API int GetNumListItems(int panel, int control, int *count);
/* *length receives the length of the item's label, without the terminator. */
RTE_API int GetLabelLengthFromIndex(int panel, int control, int index, int *length);
/* Copies the item's label with its terminator into label, which must hold
 * GetLabelLengthFromIndex + 1 bytes: ask for the length first. */
RTE_API int GetLabelFromIndex(int panel, int control, int index, char *label);
/* *value receives the item's value. */
RTE_API int GetValueFromIndex(int panel, int control, int index, int *value);
/* *index receives the index of the first item with that value, or -1 when none has it. */
RTE_API int GetIndexFromValue(int panel, int control, int *index, int value);
/* *index receives the selected item's index, -1 when none is selected. */
RTE_API int GetCtrlIndex(int panel, int control, int *index);
/* Selects the item at index (a list box scrolls it into view). */
RTE_API int SetCtrlIndex(int panel, int control, int index);

/* ---- Input driver ----
 * Drives the user interface as a user would, for scripted GUI tests of applications
 * and of the library: every click, key and close goes through the same path as real
 * input. The pointer and button state changes at once (GetRelativeMouseState sees it);
 * the events go into the event queue of the thread that owns the panel and reach the
 * callbacks from that thread's next ProcessSystemEvents or GetUserEvent. Callable from
 * any thread.
 *
 * What input does: a left press over a control that can take the focus gives it the
 * focus (EVENT_LOST_FOCUS / EVENT_GOT_FOCUS), then sends EVENT_LEFT_CLICK (eventData1 =
 * y, eventData2 = x, in panel coordinates); a right press sends EVENT_RIGHT_CLICK; a
 * press outside every control goes to the panel callback. A left release over the hot,
 * undimmed command button that got the press commits it (EVENT_COMMIT), unless its
 * click was stopped. A key goes to the active control as EVENT_KEYPRESS (eventData1 =
 * the key); unless stopped, Tab / Shift-Tab then move the focus along the tab order
 * (skipping controls that cannot take it), Enter commits a focused command button,
 * otherwise a command button whose shortcut key matches commits (wherever it is placed,
 * even outside the panel's area), and Alt with a character commits the button with
 * that "__" mnemonic. Hidden or dimmed controls, hidden panels, and while a popup is
 * installed the other panels of its thread get no input; a dimmed control takes the
 * press from what lies behind it. Every commit that is not stopped, and after which the
 * control still exists, is also queued as a user event (EVENT_COMMIT, panel, control)
 * for the owning thread's GetUserEvent, unless RTE_MAX_PENDING_COMMITS user events are
 * already waiting there: then it is not queued (its callback has seen it).
 * Presses go to the panel given to the last SimulateMouseMove while the pointer lies on
 * it (as if it were in front), otherwise to the front-most visible panel under the
 * pointer, and from there into the child panel under the pointer; so a control outside
 * its panel's area cannot be clicked. A release goes to the panel that got the press.
 *
 * Lists and colours: input changes the value of a hot control only. A left press on a
 * list box line selects it; on a ring it selects the next item (after the last: the
 * first). On a focused ring or list box the keys Up, Down, Home, End, Page Up and Page
 * Down move the selection (a list box's pages are its visible lines; a ring stops at
 * its ends), and on a list box a character selects the next line whose text (escape
 * codes left out) begins with it, ignoring ASCII case. Each change of the selection
 * sends EVENT_VAL_CHANGED to the control's callback; a ring then commits. Unless its
 * key was stopped, such a key does nothing else (Enter and Escape still reach the
 * shortcut keys). A colour picked by the user (SimulateColorPick) sends
 * EVENT_VAL_CHANGED when it differs, and a commit when the user accepts it. */

/* Pictures. An image has the layout and limits of a bitmap (rte_bitmaps.h): depths
 * 1, 4, 8 (with a colour table), 24 and 32, rows top first, an optional mask. Index 0
 * addresses the one image of a picture (204, 235, 480); 0..count-1 the items of a
 * picture ring (318). A new picture and a ring item added by InsertListItem hold no
 * image: their sizes read 0 and GetImageBits gives rowBytes, depth, width and height
 * 0. Codes: RTE_UIE_INVALID_PANEL, RTE_UIE_INVALID_CONTROL, RTE_UIE_WRONG_CONTROL_KIND
 * (-137) for a control that holds no images, RTE_UIE_INDEX_OUT_OF_RANGE (-136) for
 * an index that addresses no image, then the bitmap codes. A call that fails changes
 * nothing and writes no output. */

/* Puts a copy of the bitmap's pixels into the image at imageIndex (bitmap 0 empties
 * it). The bitmap stays the caller's; later changes to either do not reach the other.
 * RTE_UIE_INVALID_BITMAP for a bad handle. */
RTE_API int SetCtrlBitmap(int panel, int control, int imageIndex, int bitmap);
/* Inserts an item holding a copy of the bitmap (0: no image) with an empty label and
 * the value into a picture ring at index (-1: at the end), as InsertListItem does. */
RTE_API int InsertPictureRingItem(int panel, int control, int index, int value, int bitmap);
/* Sizes in bytes of the image's colour table (0 for depths 24, 32), its bits
 * (rowBytes * height) and its mask (0 for none). Any output may be null. */
RTE_API int GetImageInfo(int panel, int control, int imageIndex, int *colorTableSize,
                         int *bitsSize, int *maskSize);
/* Copies the image out, as GetBitmapData does: any output may be null, and the
 * buffers must hold the sizes GetImageInfo reports. */
RTE_API int GetImageBits(int panel, int control, int imageIndex, int *rowBytes, int *depth,
                         int *width, int *height, int *colorTable, unsigned char *bits,
                         unsigned char *mask);
/* Replaces the image with copies of the arguments, checked as NewBitmap checks them
 * (rowBytes may be RTE_BITMAP_AUTO_ROW_BYTES, bits null gives zero pixels, mask null
 * no mask; RTE_UIE_INVALID_PIXEL_DEPTH, RTE_UIE_INVALID_ATTRIBUTE_VALUE,
 * RTE_UIE_NULL_ARGUMENT for a missing colour table). */
RTE_API int SetImageBits(int panel, int control, int imageIndex, int rowBytes, int depth,
                         int width, int height, const int *colorTable,
                         const unsigned char *bits, const unsigned char *mask);

/* Colours. */

/* The shades of a raised 3-D border around a face of `color` (0x00RRGGBB), each
 * 0x00RRGGBB: every channel moved a third (light) or two thirds (highlight) of the way
 * to 255, or two thirds (darkShadow) or a third (shadow) of the way to 0, rounded up.
 * The outer edges are drawn in highlight (top, left) and darkShadow (bottom, right),
 * the inner ones in light and shadow. The same colour always gives the same shades;
 * white's highlight is white and black's shadow black. Any output may be null.
 * RTE_UIE_INVALID_ATTRIBUTE_VALUE for a colour outside 0 .. 0xFFFFFF (nothing written). */
RTE_API int Get3dBorderColors(int color, int *light, int *highlight, int *darkShadow,
                              int *shadow);

/* Moves the pointer to (x, y) in the panel's coordinates; panel 0: screen coordinates. */
RTE_API int SimulateMouseMove(int panel, int x, int y);
/* Presses (down 1) or releases (down 0) button 1 (left) or 2 (right). */
RTE_API int SimulateMouseButton(int button, int down);
/* Moves to the centre of the control, presses and releases the button. */
RTE_API int SimulateCtrlClick(int panel, int control, int button);
/* Presses and releases a key on the panel (0: the active panel, the one most recently
 * displayed, installed or clicked). The modifier keys held (SimulateModifierKeys) are
 * added to the key. */
RTE_API int SimulateKeyPress(int panel, int key);
/* Holds down the modifier keys given as RTE_KEY_MOD_... bits (0 releases them all). */
RTE_API int SimulateModifierKeys(int modifiers);
/* The user closes the panel: EVENT_CLOSE to its callback and, unless stopped, a commit
 * of its close control (RTE_ATTR_CLOSE_CTRL). */
RTE_API int SimulateClosePanel(int panel);

/* The user picks the item at index of a ring or list box, as from the ring's menu or by
 * clicking the line (scrolled into view): the control takes the focus and the
 * selection changes as input changes it. RTE_UIE_WRONG_CONTROL_KIND for another kind;
 * RTE_UIE_INDEX_OUT_OF_RANGE is checked when the input is dispatched (nothing happens
 * then). */
RTE_API int SimulateListItemPick(int panel, int control, int index);
/* The user sets the colour control to color (0..0xFFFFFF) and, when accept is 1, accepts
 * it: the control takes the focus, gets EVENT_VAL_CHANGED when the colour differs, and
 * commits when accepted. RTE_UIE_WRONG_CONTROL_KIND for another kind,
 * RTE_UIE_INVALID_ATTRIBUTE_VALUE for a colour or accept out of range. */
RTE_API int SimulateColorPick(int panel, int control, int color, int accept);

/* The pointer position relative to the panel (control 0) or to the control's top left
 * corner, also when it lies outside, the button states (0/1) and the held modifiers
 * (RTE_KEY_MOD_... bits). Any output may be null. */
RTE_API int GetRelativeMouseState(int panel, int control, int *x, int *y, int *leftDown,
                                  int *rightDown, int *keyModifiers);

/* The point moved into the rectangle's pixel cells: x into left .. left + width - 1, y
 * into top .. top + height - 1. An empty rectangle (width or height 0 or less) gives
 * its top left corner. */
RTE_API Point PointPinnedToRect(Point point, Rect rect);

RTE_EXTERN_C_END

#endif
