// Progress dialog: a panel with an indicator from 0 to 100 and an optional Cancel
// button, shown while a long operation runs, updated with its percentage, and asked
// each time whether the user pressed Cancel.
//
// Choices:
//  - The library keeps every dialog's record in its own table, by panel handle, and
//    finds it only there. The record is also the callback data of the dialog's panel
//    callback and of its Cancel button, but callback data is not where it is looked for:
//    application code may replace it (chaining a callback on the panel puts a link
//    record there), and the dialog must then neither lose its record nor write into
//    someone else's.
//  - The record is owned from the moment it is allocated: a failure at any step of the
//    making, NewPanel's included, frees it and discards whatever was made.
//  - Every step of the making is checked, the attribute settings as well, so a marker
//    style outside 0..3 gives -90 and no dialog.
//  - The dialog's panel callback lets go of the record when the panel is discarded by
//    any route (DiscardPanel, the end of the owning thread), so no record outlives its
//    panel. DiscardProgressDialog discards the panel first and drops the record after,
//    so the Cancel callback never meets a freed record; a panel that is no progress
//    dialog is left alone (-45), and one of another thread keeps its dialog (-134).
//  - UpdateProgressDialog asks for the cancel request after processing events by
//    looking the dialog up again: a callback may have discarded it meanwhile.
//  - A panel that is no progress dialog gives 0 from UpdateProgressDialog (nothing to
//    update), or the engine's code when the panel does not exist.
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "toolbox_internal.h"

namespace {

constexpr int kDialogWidth = 328;
constexpr int kMargin = 14;
constexpr int kLabelGap = 4;
constexpr int kNoFill = RTE_TRANSPARENT;

struct ProgressRecord {
    int panel;
    int indicator;
    int cancelRequested;  // set by the Cancel button, taken by updates; under the table's lock
    int cancelButton;     // 0 when the dialog has none
};

struct RecordFree {
    void operator()(ProgressRecord *record) const { std::free(record); }
};
using OwnedRecord = std::unique_ptr<ProgressRecord, RecordFree>;

// The progress dialogs of the process, by panel handle.
class DialogTable {
public:
    // Takes the record over; false (the record stays the caller's) when memory is short.
    bool add(OwnedRecord &record) {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            records_.emplace(record->panel, nullptr);
        } catch (const std::bad_alloc &) {
            return false;
        }
        records_[record->panel] = std::move(record);
        return true;
    }
    // Gives the record up (null when the panel has none).
    OwnedRecord remove(int panel) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = records_.find(panel);
        if (found == records_.end()) return nullptr;
        OwnedRecord record = std::move(found->second);
        records_.erase(found);
        return record;
    }
    bool contains(int panel) {
        std::lock_guard<std::mutex> lock(mutex_);
        return records_.count(panel) != 0;
    }
    bool indicatorOf(int panel, int *indicator) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = records_.find(panel);
        if (found == records_.end()) return false;
        *indicator = found->second->indicator;
        return true;
    }
    void requestCancel(int panel) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = records_.find(panel);
        if (found != records_.end()) found->second->cancelRequested = 1;
    }
    // The cancel request, cleared; 0 for a panel without a dialog.
    int takeCancel(int panel) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = records_.find(panel);
        if (found == records_.end()) return 0;
        int requested = found->second->cancelRequested;
        found->second->cancelRequested = 0;
        return requested;
    }
    int size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(records_.size());
    }

private:
    std::mutex mutex_;
    std::map<int, OwnedRecord> records_;
};

// Never destroyed: a thread ending during process exit may still discard a dialog.
DialogTable &dialogs() {
    static DialogTable *table = new DialogTable;
    return *table;
}

int injectedFailure() { return tb::dialogStepFailure(); }

// The engine calls of the making, each of which a test build can make fail.
template <typename Call>
int call(Call engineCall) {
    if (int code = injectedFailure()) return code;
    return engineCall();
}
int newCtrl(int panel, int style, const char *label, int top, int left) {
    if (int code = injectedFailure()) return code;
    return NewCtrl(panel, style, label, top, left);
}
int setCtrl(int panel, int control, int attribute, int value) {
    if (int code = injectedFailure()) return code;
    return SetCtrlAttribute(panel, control, attribute, value);
}
int setPanel(int panel, int attribute, int value) {
    if (int code = injectedFailure()) return code;
    return SetPanelAttribute(panel, attribute, value);
}
int readCtrl(int panel, int control, int attribute, int *value) {
    if (int code = injectedFailure()) return code;
    return GetCtrlAttribute(panel, control, attribute, value);
}

int cancelPressed(int panel, int, int event, void *, intptr_t, intptr_t) {
    if (event == EVENT_COMMIT) dialogs().requestCancel(panel);
    return 0;
}

int dialogPanelEvent(int panel, int event, void *, intptr_t, intptr_t) {
    if (event == EVENT_DISCARD) dialogs().remove(panel);
    return 0;
}

int addIndicator(ProgressRecord &record, const char *label, int markerStyle) {
    const int panel = record.panel;
    int indicator = newCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, label, 0, kMargin);
    if (indicator < 0) return indicator;
    record.indicator = indicator;
    // The data type comes before the range, which must fit it.
    const struct {
        int attribute, value;
    } settings[] = {{RTE_ATTR_WIDTH, 300},           {RTE_ATTR_HEIGHT, 14},
                    {RTE_ATTR_DATA_TYPE, RTE_VAL_INTEGER}, {RTE_ATTR_MIN_VALUE, 0},
                    {RTE_ATTR_MAX_VALUE, 100},       {RTE_ATTR_SHOW_DIGITAL_DISPLAY, 0},
                    {RTE_ATTR_PRECISION, 0},         {RTE_ATTR_MARKER_STYLE, markerStyle}};
    for (const auto &setting : settings) {
        int code = setCtrl(panel, indicator, setting.attribute, setting.value);
        if (code < 0) return code;
    }
    int code = markerStyle == 3 ? setCtrl(panel, indicator, RTE_ATTR_DIVISIONS, 3) : 0;
    if (code == 0) code = setCtrl(panel, indicator, RTE_ATTR_FILL_COLOR, kNoFill);
    // Below its label, which sits at the margin.
    int labelHeight = 0;
    if (code == 0) code = readCtrl(panel, indicator, RTE_ATTR_LABEL_HEIGHT, &labelHeight);
    if (code == 0)
        code = setCtrl(panel, indicator, RTE_ATTR_TOP, labelHeight + kMargin + kLabelGap);
    if (code == 0) code = setCtrl(panel, indicator, RTE_ATTR_LABEL_LEFT, kMargin);
    if (code == 0) code = setCtrl(panel, indicator, RTE_ATTR_LABEL_TOP, kMargin);
    return code;
}

int addCancelButton(ProgressRecord &record, const char *label) {
    int button = newCtrl(record.panel, RTE_CTRL_COMMAND_BUTTON, label, -100, -100);
    if (button < 0) return button;
    record.cancelButton = button;
    int code =
        call([&] { return InstallCtrlCallback(record.panel, button, cancelPressed, &record); });
    if (code < 0) return code;
    return setCtrl(record.panel, button, RTE_ATTR_SHORTCUT_KEY, RTE_KEY_ESCAPE);
}

// Centres the indicator with its label and sizes the panel below it, leaving room for a
// Cancel button with a caption, which goes centred under the indicator.
int arrange(const ProgressRecord &record, bool buttonShown) {
    const int panel = record.panel;
    int height;
    int code = call([&] {
        return GetCtrlBoundingRect(panel, record.indicator, nullptr, nullptr, &height, nullptr);
    });
    if (code < 0) return code;
    const int contentHeight = height + 2 * kMargin;
    code = call(
        [&] { return CenterCtrl(panel, record.indicator, 0, 0, contentHeight, kDialogWidth); });
    if (code < 0) return code;
    if (!buttonShown) return setPanel(panel, RTE_ATTR_HEIGHT, contentHeight);
    const int button = record.cancelButton;
    int buttonHeight = 0, buttonWidth = 0;
    code = readCtrl(panel, button, RTE_ATTR_HEIGHT, &buttonHeight);
    if (code == 0) code = readCtrl(panel, button, RTE_ATTR_WIDTH, &buttonWidth);
    if (code == 0) code = setCtrl(panel, button, RTE_ATTR_TOP, contentHeight);
    if (code == 0) code = setCtrl(panel, button, RTE_ATTR_LEFT, kDialogWidth / 2 - buttonWidth / 2);
    if (code == 0) code = setPanel(panel, RTE_ATTR_HEIGHT, contentHeight + kMargin + buttonHeight);
    return code;
}

int build(ProgressRecord &record, const char *indicatorLabel, int markerStyle,
          const char *cancelButtonLabel) {
    int code = setPanel(record.panel, RTE_ATTR_FLOATING, 1);
    if (code == 0) code = setPanel(record.panel, RTE_ATTR_SIZABLE, 0);
    if (code == 0) code = addIndicator(record, indicatorLabel, markerStyle);
    if (code == 0 && cancelButtonLabel) code = addCancelButton(record, cancelButtonLabel);
    if (code == 0) code = arrange(record, cancelButtonLabel && *cancelButtonLabel);
    return code;
}

// Hands the record to the table and to the panel's callback, then shows the dialog.
int registerAndShow(OwnedRecord &record, int modal) {
    const int panel = record->panel;
    ProgressRecord *kept = record.get();
    if (int code = injectedFailure()) return code;
    if (!dialogs().add(record)) return RTE_UIE_OUT_OF_MEMORY;
    int code = call([&] { return InstallPanelCallback(panel, dialogPanelEvent, kept); });
    if (code == 0)
        code = call([&] { return SetPanelPos(panel, RTE_AUTO_CENTER, RTE_AUTO_CENTER); });
    if (code == 0) code = call([&] { return modal ? InstallPopup(panel) : DisplayPanel(panel); });
    return code;
}

// What UpdateProgressDialog gives for a panel without a dialog.
int answerForOtherPanel(int panel) {
    void *data;
    int code = GetPanelAttribute(panel, RTE_ATTR_CALLBACK_DATA, &data);
    return code < 0 ? code : 0;
}

}  // namespace

namespace tb {

#if TOOLBOX_FAULT_INJECTION
namespace {
std::atomic<int> stepsToPass{0};
std::atomic<int> injectedCode{0};
}  // namespace

int dialogStepFailure() {
    if (injectedCode.load() == 0) return 0;
    if (stepsToPass.fetch_sub(1) > 0) return 0;
    return injectedCode.exchange(0);
}

void failDialogSteps(int pass, int code) {
    stepsToPass.store(pass > 0 ? pass : 0);
    injectedCode.store(code);
}

int liveProgressDialogs() { return dialogs().size(); }
#endif

}  // namespace tb

extern "C" {

int CreateProgressDialog(const char *title, const char *indicatorLabel, int modal,
                         int markerStyle, const char *cancelButtonLabel) {
    OwnedRecord record(
        static_cast<ProgressRecord *>(tb::allocateZeroed(1, sizeof(ProgressRecord))));
    if (!record) return RTE_UIE_OUT_OF_MEMORY;
    const int panel = call([&] { return NewPanel(0, title, 0, 0, 10, kDialogWidth); });
    if (panel < 0) return panel;
    record->panel = panel;
    int code = build(*record, indicatorLabel, markerStyle, cancelButtonLabel);
    if (code == 0) code = registerAndShow(record, modal);
    if (code == 0) return panel;
    tb::BreakingOff quiet;
    DiscardPanel(panel);
    dialogs().remove(panel);
    return code;
}

int UpdateProgressDialog(int panel, int percentComplete, int processEvents) {
    tb::BreakingOff quiet;
    if (panel <= 0) return 0;
    int indicator;
    if (!dialogs().indicatorOf(panel, &indicator)) return answerForOtherPanel(panel);
    int code = SetCtrlVal(panel, indicator, static_cast<int>(Pin(percentComplete, 0.0, 100.0)));
    if (code < 0) return code;
    if (processEvents) ProcessSystemEvents();
    return dialogs().takeCancel(panel);
}

int DiscardProgressDialog(int panel) {
    tb::BreakingOff quiet;
    if (panel <= 0) return 0;
    if (!dialogs().contains(panel)) return RTE_UIE_INVALID_PANEL;
    int code = DiscardPanel(panel);
    if (code < 0 && code != RTE_UIE_INVALID_PANEL) return code;
    dialogs().remove(panel);
    return code;
}

}  // extern "C"
