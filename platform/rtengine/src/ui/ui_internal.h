// Private to the user-interface families (src/ui): the retained model of panels and
// controls, its one lock, and what the families share.
//
// Every access to the model happens with the model lock held; no pointer into it
// survives the lock, so code between two locked sections works with handles and ids
// and looks them up again. Callbacks are called only with the lock released.
#ifndef RTE_UI_INTERNAL_H
#define RTE_UI_INTERNAL_H

#include <cstdarg>
#include <memory>
#include <new>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "bitmaps/image.h"
#include "fonts/fonts.h"
#include "ui/colors.h"
#include "rte_internal.h"
#include "rte_ui.h"

namespace rte::ui {

// ---- Control kinds (kinds.cpp) ----

// One bit per kind, so an attribute can name the kinds it applies to.
enum KindBit : unsigned {
    kButton = 1u,
    kNumeric = 2u,
    kTimer = 4u,
    kColor = 8u,
    kText = 16u,
    kRing = 32u,
    kListBox = 64u,
    kPicture = 128u,     // holds one image
    kPictureRing = 256u  // a ring of images, one per item
};
// Kinds with a label of their own beside the control, and kinds with a list of items.
constexpr unsigned kLabelled = kNumeric | kColor | kRing | kListBox | kPicture | kPictureRing;
constexpr unsigned kListKinds = kRing | kListBox | kPictureRing;
// Kinds whose click moves to the next item, and whose change of item commits.
constexpr unsigned kRings = kRing | kPictureRing;
// Kinds that hold images (pictures.cpp).
constexpr unsigned kPictureKinds = kPicture | kPictureRing;
// Kinds whose text has a font of its own (the text font attributes).
constexpr unsigned kTextFontKinds = kText | kRing | kListBox;
// Kinds with an int value of their own (read and written as data type int).
constexpr unsigned kIntValued = kColor | kRing | kListBox | kPictureRing;

struct Kind {
    int style;
    unsigned bit;
    int defaultMode;
    bool takesFocus;      // in hot mode, when visible and undimmed
    bool commits;         // a click, Enter, its shortcut or mnemonic commits it
    bool labelOutside;    // the label is drawn beside the control, with its own position
    bool sizedByCaption;  // its size follows its label until a size is set
    bool hidden;          // never shown, never hit
    int width, height;    // the size of a new control unless sized by its caption
    int padWidth, padHeight;  // a caption-sized control is its caption plus these
};

// The kind of a style, null when the engine does not know the style.
const Kind *findKind(int style);

// ---- Labels (labels.cpp) ----

struct Size {
    int width = 0, height = 0;
};
// The label as drawn: every "__" marker removed.
std::string labelDisplayText(const std::string &label);
// The mnemonic character (the one after the first "__"), folded to lower case; 0: none.
int labelMnemonic(const std::string &label);
// Pixel size of a label as drawn; 0 x 0 for an empty one.
Size measureLabel(const std::string &label);
// Height of one line of label text, also of an empty one.
int labelLineHeight();
// Gap between an automatic label and the top of its control.
constexpr int kAutoLabelGap = 2;
// The frame a raised label (RTE_ATTR_LABEL_RAISED) adds on each side.
constexpr int kRaisedLabelFrame = 2;

// ---- Text fonts (text_fonts.cpp) ----

// The font of a control's own text: the name set with RTE_ATTR_TEXT_FONT and the
// changes the other font attributes made since.
struct TextFont {
    std::string name = RTE_DIALOG_META_FONT;
    fonts::FontOverrides overrides;
    bool changed = false;  // a property was set since the name: 682 reads the typeface
    fonts::ResolvedFont resolved;
};
// The dialog meta font, resolved once.
const fonts::ResolvedFont &dialogFont();
// Pixel size of text (as drawn: "__" markers removed) in a font; 0 x 0 when empty.
Size measureIn(const fonts::ResolvedFont &font, const std::string &text);
int lineHeightOf(const fonts::ResolvedFont &font);

// ---- List items (lists.cpp) ----

// An image held by a control: shared and never changed once made (a new image
// replaces the pointer), so it may be read after the model lock is let go. Null: none.
using ImageRef = std::shared_ptr<const bitmaps::Image>;

struct ListItem {
    std::string label;
    int value;
    ImageRef image;  // a picture ring's item
};
// What a list-box label draws, in order: text, a move to a pixel column, a colour for
// what follows (text and frames) or behind it, a filled box of a width and colour.
struct LineRun {
    enum Kind { Text, Column, Foreground, Background, Box } kind = Text;
    int number = 0;  // the column, or the box's width
    int color = 0;   // 0x00RRGGBB of a colour or box
    std::string text;
};
std::vector<LineRun> parseListLine(const std::string &label);
// The text of a list-box line: its label without the escape codes.
std::string listLineText(const std::string &label);
struct Control;
// Inserts a picture ring's item (empty label) at index (-1: at the end), as
// InsertListItem does; lock held.
int insertImageItem(Control &c, int index, int value, ImageRef image);
// The list box frame: this many pixels on each side of the lines.
constexpr int kListFrame = 2;
// A ring is one text line plus this much high.
constexpr int kRingPadHeight = 6;

// ---- Numeric values (values.cpp) ----

struct NumericState {
    int dataType = RTE_VAL_DOUBLE;
    double value = 0.0, minimum = 0.0, maximum = 0.0, increment = 1.0;
    int precision = 2, digitalDisplay = 1, fillColor = 0xFFFFFF, markerStyle = 0,
        divisions = 10;
};
// A numeric state with the whole range of its data type.
NumericState defaultNumericState();
bool isNumericDataType(int dataType);
// True when v is a value of the data type (integer types: a whole number in range).
bool fitsDataType(int dataType, double v);
// v made a value of the type: clamped to its range, integers truncated toward zero,
// floats rounded to float.
double coerceToDataType(int dataType, double v);
// Converts value, range and increment to a new data type, keeping value in range.
void changeDataType(NumericState &state, int dataType);
// Bytes of one value of the data type.
size_t dataTypeSize(int dataType);
// Writes v (a value of the type) as the data type: exactly dataTypeSize bytes.
void storeAsDataType(int dataType, double v, void *out);

// ---- The model ----

struct TimerState {
    double interval = 1.0;
    bool enabled = true;
    double due = 0.0;      // Timer() when the next tick falls due
    bool ticking = false;  // its callback is running: no nested tick
};

struct Control {
    int id = 0;
    const Kind *kind = nullptr;
    std::string label;
    Size labelSize;  // measured from label
    int top = 0, left = 0, width = 0, height = 0;
    bool sizedByCaption = false;
    bool labelAuto = true;
    int labelDx = 0, labelDy = 0;  // label offset from the control when not automatic
    bool labelVisible = true;
    bool dimmed = false, visible = true;
    int mode = 0;
    CtrlCallbackFn function = nullptr;
    void *data = nullptr;
    int shortcutKey = 0;
    NumericState numeric;
    TimerState timer;
    int color = 0;             // a colour control's value
    bool labelRaised = false;  // RTE_ATTR_LABEL_RAISED
    TextFont textFont;         // kinds in kTextFontKinds
    std::vector<ListItem> items;  // kinds in kListKinds
    ImageRef picture;             // kPicture
    int fitMode = RTE_FIT_CENTERED;  // kPictureKinds
    int selected = -1;         // index of the selected item, -1: none
    int firstVisible = 0;      // a list box's top line
    int visibleLines = 5;      // a list box's lines shown
    bool discarding = false;

    // Whether input may give it the focus now.
    bool canTakeFocus() const {
        return kind->takesFocus && mode != RTE_CTRL_MODE_INDICATOR && visible && !dimmed &&
               !discarding;
    }
    bool hasLabel() const { return kind->labelOutside && labelVisible && !label.empty(); }
    bool is(unsigned kinds) const { return (kind->bit & kinds) != 0; }
    // The label's top left corner in panel coordinates.
    int labelLeft() const { return left + (labelAuto ? 0 : labelDx); }
    int labelTop() const {
        return top + (labelAuto ? -(labelExtent().height + kAutoLabelGap) : labelDy);
    }
    // Re-measures the label (and re-sizes a caption-sized control).
    void setLabel(std::string text);
    // Takes a new text font: re-sizes what follows the font (lock held; may throw
    // before anything changes).
    void setTextFont(TextFont font);
    // A list box's height from its visible lines, a ring's from its font.
    void fitToFont();
    // The label's size with its frame, if raised.
    Size labelExtent() const;
};

// The system window of a top-level panel (Windows); null elsewhere and for child panels.
struct SystemWindow {
    void *handle = nullptr;   // HWND
    bool syncPosted = false;  // the model changed on another thread; the owner's window
                              // catches up when it handles the posted request
};

struct Panel {
    int handle = 0, parent = 0;
    unsigned owner = 0;
    std::string title;
    int top = 0, left = 0, height = 0, width = 0;
    bool visible = false, sizable = true, floating = false;
    int backColor = kDefaultPanelColor, frameColor = kDefaultFrameColor;
    PanelCallbackFn function = nullptr;
    void *data = nullptr;
    int closeCtrl = 0, activeCtrl = 0;
    std::vector<std::unique_ptr<Control>> controls;  // id - 2; null once discarded
    std::vector<int> tabOrder, zOrder;                // ids; zOrder front first
    std::vector<int> children;                        // child panel handles, oldest first
    bool discarding = false;
    int pressedCtrl = 0;        // the control that got the last left press (0: none)
    bool pressStopped = false;  // its click event was stopped
    SystemWindow window;

    // The live control with that id, or null.
    Control *control(int id) const {
        if (id < 2 || size_t(id - 2) >= controls.size()) return nullptr;
        return controls[size_t(id - 2)].get();
    }
};

struct Pointer {
    int x = 0, y = 0;       // screen coordinates
    int aimedPanel = 0;     // the panel of the last move, 0 after a move in screen terms
    bool left = false, right = false;
    int modifiers = 0;
    int pressPanel[3] = {0, 0, 0};  // by button: the panel that got its press
};

struct TimerRef {
    int panel, control;
    bool operator==(const TimerRef &o) const { return panel == o.panel && control == o.control; }
};

struct Model {
    std::mutex mutex;
    int lastPanel = 0;
    std::unordered_map<int, std::unique_ptr<Panel>> panels;
    std::vector<int> stacking;  // top-level panels, front first
    std::unordered_map<unsigned, std::vector<int>> popups;  // per thread, top last
    std::unordered_map<unsigned, std::vector<TimerRef>> timers;  // per owning thread
    Pointer pointer;
    int activePanel = 0;

    Panel *panel(int handle) const {
        auto found = panels.find(handle);
        return found == panels.end() ? nullptr : found->second.get();
    }
};

// The model, made on first use and never destroyed (exit routines may still use it).
Model &model();
using Guard = std::lock_guard<std::mutex>;

// The calling thread's id, as the thread engine numbers threads.
unsigned callingThread();

// Reports a failure (rte::fail) and passes success through.
int reported(const char *function, int code);

// Runs a public entry point: its code is reported when it fails, and running out of
// memory gives RTE_UIE_OUT_OF_MEMORY (the callers allocate before they change the
// model, so a failed allocation changes nothing).
template <typename Call>
int entry(const char *function, Call call) {
    try {
        return reported(function, call());
    } catch (const std::bad_alloc &) {
        return rte::fail(function, RTE_UIE_OUT_OF_MEMORY);
    }
}

// Looks up a panel and one of its controls; null with the code in `code`.
Panel *findPanel(Model &m, int handle, int &code);
Control *findControl(Model &m, int handle, int id, Panel *&panel, int &code);
// Calls use(model, panel, control) with the model locked when the control exists and
// answers its code; otherwise answers the lookup's code.
template <typename Use>
int withControl(int panel, int control, Use use) {
    Model &m = model();
    Guard lock(m.mutex);
    Panel *p;
    int code;
    Control *c = findControl(m, panel, control, p, code);
    return c ? use(m, *p, *c) : code;
}

// The panel's client origin in screen coordinates.
Point screenOrigin(const Model &m, const Panel &p);
// Whether the panel and all its ancestors are shown.
bool shownOnScreen(const Model &m, const Panel &p);
// Whether input may reach the panel now: shown, not being discarded, and not behind a
// popup of its thread.
bool acceptsInput(const Model &m, const Panel &p);
// Brings a top-level panel to the front of the stacking order.
void bringToFront(Model &m, int handle);
// Hides a panel in the model: out of the popup stack, no longer the active panel.
void hideInModel(Model &m, Panel &p);
// The screen's size in pixels, where RTE_AUTO_CENTER centres top-level panels.
Size screenSize();

// Moves id to index in an ordered list (remove, then insert).
void moveInOrder(std::vector<int> &order, int id, int index);
int indexInOrder(const std::vector<int> &order, int id);
void removeFromOrder(std::vector<int> &order, int id);

// Calls the callback of a control or panel with its function and data as they are now;
// 0 when it has none, or when it or its panel is being discarded. Lock not held.
int deliverToControl(int panel, int control, int event, intptr_t data1, intptr_t data2);
int deliverToPanel(int panel, int event, intptr_t data1, intptr_t data2);

// Moves the focus, sending EVENT_LOST_FOCUS / EVENT_GOT_FOCUS. Lock not held.
void moveFocus(int panel, int control);

// Commits a control: EVENT_COMMIT, then, unless stopped and while the control still
// exists, a user event for GetUserEvent. Lock not held.
void commitControl(int panel, int control);

// ---- Threads (timers.cpp) ----

// Makes the calling thread ready to own panels: its event loop, the source that ticks
// its timer controls, and the clean-up at its end. False when memory runs out.
bool prepareOwningThread();
// Lets the owner of a timer that was armed from another thread see its new due time.
void wakeOwner(unsigned owner);

// ---- System windows (window_win32.cpp; window_posix.cpp: none) ----
// The model is what the program set; a top-level panel's window follows it, and what
// the user or other code does to the window comes back to the model. All with the lock
// not held.

// Gives a new top-level panel its window, hidden, on the owning thread: 0, or
// RTE_UIE_OUT_OF_MEMORY when the system refuses one.
int openPanelWindow(int panel);
// Destroys the panel's window (its discard events have been delivered); owning thread.
void closePanelWindow(int panel);
// Brings the window in line with the model: at once on the owning thread, by a posted
// request from any other (never waiting for the owner).
void windowFollowsModel(int panel);
// The panel's picture may have changed: the window that shows it (its own, or its
// top-level ancestor's) is asked to paint again. Lock held; any thread; no waiting.
void panelLooksChanged(const Model &m, int panel);
// Puts a shown panel's window in front of the others and activates it; owning thread.
void raisePanelWindow(int panel);
// Whether a panel attribute is shown by the window (position, size, title, frame).
bool windowShowsAttribute(int attribute);

// Real input from a panel's window, on its owning thread (input.cpp): the same records
// the input driver queues. Coordinates are the panel's; keys already hold their
// modifiers.
int windowPointerMoved(int panel, int x, int y);
int windowButton(int panel, int x, int y, int button, bool down);
int windowKey(int panel, int key);
int windowClose(int panel);
// Makes the panel the active one (the target of SimulateKeyPress(0, ...)).
void windowActivated(int panel);
// The user (or code other than the engine) moved or sized the panel's window: the
// event reaches the panel's callback from the thread's next event pass.
void windowPlaced(int panel, int event, int data1, int data2);

// Discards on the calling (owning) thread. Lock not held.
int discardPanel(int handle);
int discardControl(int panel, int control);

// A numeric indicator with marker style 2 or 3 writes its scale values on a line of
// the dialog font this many pixels under its rectangle.
constexpr int kScaleValuesGap = 1;
// The height that line adds below the control (gap included); 0 when it has none.
int scaleValuesHeight(const Control &c);
// The control's rectangle with what it draws outside it (its scale values), no label.
Rect drawnRect(const Control &c);
// The bounding rectangle of a control and its label.
Rect boundingRect(const Control &c);

// ---- Pictures (pictures.cpp) ----

// The image a picture control shows, for drawing: a picture's one image, a picture
// ring's selected item's; null when it shows none. Lock held; the result may be kept
// and read after the lock is let go.
ImageRef shownImage(const Control &c);
// The image at an index of a picture control (as GetImageBits addresses it), taking
// the model lock; null with the code (or with 0 when the slot is empty).
ImageRef controlImage(int panel, int control, int imageIndex, int &code);

// ---- Control attributes (ctrl_attributes.cpp) ----

enum class ValueKind { Int, Pointer, Double, String, Typed };

struct AttrValue {
    int i = 0;
    void *p = nullptr;
    double d = 0.0;                  // Double; Typed values as a double
    const char *text = nullptr;      // String to set
    const std::string *out = nullptr;  // String read (points into the model)
};

struct CtrlAttribute {
    int number;
    ValueKind kind;
    unsigned kinds;  // KindBit set of the kinds that have it
    int (*get)(const Panel &, const Control &, AttrValue &);
    int (*set)(Panel &, Control &, const AttrValue &);  // null: read-only
};
// The attribute's entry, null when the number is not a control attribute.
const CtrlAttribute *findCtrlAttribute(int number);

// Reads the value the caller passed for an attribute of that kind (and, for typed
// values, of the control's data type).
void readVarArg(ValueKind kind, int dataType, va_list &args, AttrValue &value);
// Writes a value read from the model to the caller's storage.
void writeValue(ValueKind kind, int dataType, const AttrValue &value, void *out);

// The text font attributes (text_fonts.cpp).
int getTextFontName(const Control &c, AttrValue &v);
int getTextFontNameLength(const Control &c, AttrValue &v);
int setTextFontName(Control &c, const AttrValue &v);
int getTextFontProperty(const Control &c, int attribute, AttrValue &v);
int setTextFontProperty(Control &c, int attribute, const AttrValue &v);

// Lists (lists.cpp): the value of a ring or list box, and a list box's lines.
int getListValue(const Control &c, AttrValue &v);
int setListValue(Control &c, const AttrValue &v);
int setVisibleLines(Control &c, int lines);
int setFirstVisibleLine(Control &c, int line);
// A list box's height set by hand: its visible lines follow.
void heightChanged(Control &c);
// Selects an item (a list box scrolls it into view); whether the selection changed.
// False, with nothing changed, for an index without an item.
bool selectItem(Control &c, int index);
// The item a left press at (x, y) selects: a list box's line there, a ring's next
// item; -1 for none.
int listIndexAtPress(const Control &c, int x, int y);
// The item a key moves the selection to; -2 when the key is not one for the list.
int listIndexForKey(const Control &c, int key);

// Whether key is a key value of the header's scheme: one character or one special
// key, plus modifier bits.
inline bool validKey(int key) {
    if (key <= 0 || (key & ~0x7FFFF)) return false;
    int character = key & 0xFF, special = (key >> 8) & 0xFF;
    if ((character != 0) == (special != 0)) return false;
    return character != 0 || (special <= 0x1B && special != 0x0F);
}

// The engine's clock (Timer()) in seconds.
double clockNow();

// Panel-coordinate rectangle test.
inline bool contains(int top, int left, int height, int width, int x, int y) {
    return x >= left && x < left + width && y >= top && y < top + height;
}
constexpr int kMinCoordinate = -32768, kMaxCoordinate = 32767, kMaxSize = 32767;
inline bool validPosition(int v) { return v >= kMinCoordinate && v <= kMaxCoordinate; }
inline bool validSize(int v) { return v >= 0 && v <= kMaxSize; }

}  // namespace rte::ui

#endif
