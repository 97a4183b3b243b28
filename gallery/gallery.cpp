// Writes the gallery's pictures into a folder: the progress dialog, the colour popup
// and one panel with every kind of control the engine has, each drawn by the engine's
// renderer and saved as PNG. The pictures are the same bit for bit wherever they are
// made, so a changed pixel means the drawing changed.
//
// Usage: gallery FOLDER. Exit code 0 when every picture was written.
#include <cstdio>
#include <string>
#include <vector>

#include "rtengine.h"
#include "toolbox.h"

namespace {

std::string folder;
int failures = 0;

void check(int code, const char *what) {
    if (code >= 0) return;
    std::fprintf(stderr, "gallery: %s failed with %d\n", what, code);
    ++failures;
}

void savePanel(int panel, const char *name) {
    int bitmap = 0;
    const Rect all = {0, 0, RTE_DISPLAY_AREA_ALL, RTE_DISPLAY_AREA_ALL};
    int code = GetScaledPanelDisplayBitmap(panel, RTE_DISPLAY_SCOPE_PANEL, all, 0, 0, &bitmap);
    check(code, name);
    if (code < 0) return;
    check(SaveBitmapToPngFile(bitmap, (folder + "/" + name).c_str()), name);
    DiscardBitmap(bitmap);
}

void progressDialog() {
    int panel = CreateProgressDialog("Copying files", "Copying the settings", 0, 2, "__Cancel");
    check(panel, "CreateProgressDialog");
    if (panel < 0) return;
    check(UpdateProgressDialog(panel, 40, 0), "UpdateProgressDialog");
    savePanel(panel, "progress_dialog.png");
    DiscardProgressDialog(panel);
}

// The colour popup runs its own loop: a delayed call inside it takes the picture, then
// presses Escape, which cancels it.
struct PopupShot {
    int panel;
};

void shootPopup(void *data) {
    auto *shot = static_cast<PopupShot *>(data);
    savePanel(shot->panel, "color_popup.png");
    check(SimulateKeyPress(shot->panel, RTE_KEY_ESCAPE), "SimulateKeyPress");
}

void colorPopup() {
    ListRef colors = ListCreate(sizeof(ColorChangeEntry));
    char names[][24] = {"Window background", "Text", "Highlight", "Grid lines"};
    int values[] = {0xF0F0E0, 0x202020, 0x3366CC, 0xB0B0B0};
    for (int k = 0; k < 4; ++k) {
        ColorChangeEntry entry = {names[k], values[k], values[k]};
        ListInsertItem(colors, &entry, ListPosEnd);
    }
    // Panel handles come from a counter: the popup's is the next one (the delayed
    // call's own hidden panel is made first).
    PopupShot shot = {0};
    PostDelayedCall(shootPopup, &shot, 0.0);
    int probe = NewPanel(0, "", 0, 0, 10, 10);
    DiscardPanel(probe);
    shot.panel = probe + 1;
    check(ColorChangePopup("Colours", colors, 1, nullptr, nullptr), "ColorChangePopup");
    ListDispose(colors);
}

int addCtrl(int panel, int style, const char *label, int top, int left) {
    int id = NewCtrl(panel, style, label, top, left);
    check(id, label);
    return id;
}

// A numeric indicator drawn as a bar with a scale: its range, marker style, width and
// value; the caller adds what else it shows.
int addScale(int panel, const char *label, int top, int left, double min, double max, int markerStyle,
             int width, double value) {
    int id = addCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, label, top, left);
    check(SetCtrlAttribute(panel, id, RTE_ATTR_MIN_VALUE, min), "min");
    check(SetCtrlAttribute(panel, id, RTE_ATTR_MAX_VALUE, max), "max");
    check(SetCtrlAttribute(panel, id, RTE_ATTR_MARKER_STYLE, markerStyle), "markers");
    check(SetCtrlAttribute(panel, id, RTE_ATTR_WIDTH, width), "width");
    check(SetCtrlVal(panel, id, value), "SetCtrlVal");
    return id;
}

void everyControl() {
    int panel = NewPanel(0, "Every control", 0, 0, 400, 420);
    check(panel, "NewPanel");
    addCtrl(panel, RTE_CTRL_TEXT_MSG, "Every kind of control the engine draws", 8, 10);
    int ok = addCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "__OK", 36, 10);
    int dimmed = addCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "Dimmed", 36, 70);
    check(SetCtrlAttribute(panel, dimmed, RTE_ATTR_DIMMED, 1), "dim");
    (void)ok;
    int number = addCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "Temperature", 90, 10);
    check(SetCtrlVal(panel, number, 21.5), "SetCtrlVal");
    int bar = addScale(panel, "Progress", 90, 130, 0.0, 100.0, 3, 160, 65.0);
    check(SetCtrlAttribute(panel, bar, RTE_ATTR_DIVISIONS, 4), "divisions");
    int color = addCtrl(panel, RTE_CTRL_COLOR_NUM, "Colour", 90, 310);
    check(SetCtrlVal(panel, color, 0x3366CC), "SetCtrlVal");
    int ring = addCtrl(panel, RTE_CTRL_RING, "Ring", 160, 10);
    InsertListItem(panel, ring, -1, "Monday", 1);
    InsertListItem(panel, ring, -1, "Tuesday", 2);
    int slide = addCtrl(panel, RTE_CTRL_SLIDE_RING, "Slide ring", 160, 130);
    InsertListItem(panel, slide, -1, "Medium", 1);
    int list = addCtrl(panel, RTE_CTRL_LIST_BOX, "List box", 210, 10);
    check(SetCtrlAttribute(panel, list, RTE_ATTR_WIDTH, 250), "width");
    InsertListItem(panel, list, -1, "Selected line", 1);
    InsertListItem(panel, list, -1, "Red box\033p90l\033drawfilledbox030FF0000\033p140lcolumn", 2);
    InsertListItem(panel, list, -1, "\033fg008000Green text\033p140l\033bgFFFF00on yellow", 3);
    InsertListItem(panel, list, -1, "Plain line", 4);
    // Pictures of a 40 x 40 colour wheel-like gradient with a round mask.
    std::vector<unsigned char> bits, mask(size_t(RTE_BITMAP_MASK_ROW_BYTES(40)) * 40, 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            bits.push_back(static_cast<unsigned char>(x * 6));
            bits.push_back(static_cast<unsigned char>(y * 6));
            bits.push_back(static_cast<unsigned char>(255 - x * 3 - y * 3));
            int dx = 2 * x - 39, dy = 2 * y - 39;
            if (dx * dx + dy * dy <= 40 * 40)
                mask[size_t(y) * RTE_BITMAP_MASK_ROW_BYTES(40) + size_t(x / 8)] |= 0x80 >> (x % 8);
        }
    int image = 0;
    check(NewBitmap(RTE_BITMAP_AUTO_ROW_BYTES, 24, 40, 40, nullptr, bits.data(), mask.data(), &image),
          "NewBitmap");
    int picture = addCtrl(panel, RTE_CTRL_PICTURE_RAISED, "Picture", 160, 290);
    check(SetCtrlAttribute(panel, picture, RTE_ATTR_WIDTH, 56), "width");
    check(SetCtrlAttribute(panel, picture, RTE_ATTR_HEIGHT, 56), "height");
    check(SetCtrlBitmap(panel, picture, 0, image), "SetCtrlBitmap");
    int button = addCtrl(panel, RTE_CTRL_PICTURE_BUTTON, "Button", 230, 290);
    check(SetCtrlBitmap(panel, button, 0, image), "SetCtrlBitmap");
    int pictures = addCtrl(panel, RTE_CTRL_PICTURE_RING, "Ring", 230, 350);
    check(InsertPictureRingItem(panel, pictures, -1, 1, image), "InsertPictureRingItem");
    // The same image fitted to wider areas: stretched, and scaled with its shape kept.
    const struct {
        const char *label;
        int style, left, fitMode;
    } fitted[] = {{"Stretched", RTE_CTRL_PICTURE, 10, RTE_FIT_STRETCHED},
                  {"Aspect kept", RTE_CTRL_PICTURE_RAISED, 140, RTE_FIT_ASPECT}};
    for (const auto &f : fitted) {
        int id = addCtrl(panel, f.style, f.label, 330, f.left);
        check(SetCtrlAttribute(panel, id, RTE_ATTR_WIDTH, 110), "width");
        check(SetCtrlAttribute(panel, id, RTE_ATTR_HEIGHT, 50), "height");
        check(SetCtrlAttribute(panel, id, RTE_ATTR_FIT_MODE, f.fitMode), "fit mode");
        check(SetCtrlBitmap(panel, id, 0, image), "SetCtrlBitmap");
    }
    int scale = addScale(panel, "Scale", 330, 270, -1.5, 2.5, 2, 140, 1.0);
    check(SetCtrlAttribute(panel, scale, RTE_ATTR_PRECISION, 1), "precision");
    check(SetCtrlAttribute(panel, scale, RTE_ATTR_SHOW_DIGITAL_DISPLAY, 0), "digits");
    DiscardBitmap(image);
    addCtrl(panel, RTE_CTRL_TIMER, "timer (not drawn)", 0, 0);
    savePanel(panel, "controls.png");
    DiscardPanel(panel);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallery FOLDER\n");
        return 2;
    }
    folder = argv[1];
    progressDialog();
    colorPopup();
    everyControl();
    return failures == 0 ? 0 : 1;
}
