// Errors and diagnostics: the assertion routine, the break-on-library-errors helper and
// the discards that may meet objects already gone. The messages of every error code are
// in errors_strings.cpp.
//
// Choice: a discard that is to leave the callback out ("clear the callback first") on
// an object with chained callbacks keeps the links and cuts off only what was installed
// before the first of them, so the links still hear the discard and are freed, and the
// callback they were chained onto hears nothing.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolbox_internal.h"

namespace {

constexpr size_t kAssertTextSize = 256;
constexpr char kDefaultAssertMessage[] = "Programming error detected.";
constexpr char kAssertFormat[] =
    "Assert!\n\n%s\n\nThe error was detected on line %d of file '%s'.\n\nProgram aborting.";
constexpr char kEllipsis[] = "...";

// Composes the assertion text into text (kAssertTextSize bytes). When it does not fit,
// the message is shortened and marked with "..." so that the line and the file name,
// which say where the error is, survive; only a file name too long for even that is cut
// at the end of the buffer.
void composeAssertText(char *text, const char *fileName, int line, const char *message) {
    int whole = std::snprintf(nullptr, 0, kAssertFormat, message, line, fileName);
    size_t messageLength = std::strlen(message);
    if (whole >= 0 && static_cast<size_t>(whole) >= kAssertTextSize) {
        size_t excess = static_cast<size_t>(whole) - (kAssertTextSize - 1);
        if (excess + sizeof kEllipsis - 1 <= messageLength) {
            char shortened[kAssertTextSize];
            size_t keep = messageLength - excess - (sizeof kEllipsis - 1);
            std::memcpy(shortened, message, keep);
            std::memcpy(shortened + keep, kEllipsis, sizeof kEllipsis);
            std::snprintf(text, kAssertTextSize, kAssertFormat, shortened, line, fileName);
            return;
        }
    }
    std::snprintf(text, kAssertTextSize, kAssertFormat, message, line, fileName);
}

}  // namespace

namespace tb {

#if defined(__GNUC__)
__attribute__((cold, noinline))
#endif
void assertionFailed(int line, const char *message) {
    DoAssert(0, TB_SOURCE_NAME, line, message);
    std::abort();  // DoAssert does not come back from a failed check
}

}  // namespace tb

extern "C" {

void DoAssert(int passed, const char *fileName, int line, const char *message) {
    if (passed) return;
    char text[kAssertTextSize];
    composeAssertText(text, fileName ? fileName : "", line,
                      message ? message : kDefaultAssertMessage);
    MessagePopup("Assert", text);
    std::abort();
}

int SetBOLE(int on) {
    int previous = GetBreakOnLibraryErrors();
    if (on)
        EnableBreakOnLibraryErrors();
    else
        DisableBreakOnLibraryErrors();
    return previous;
}

void DiscardCtrlNoBOLE(int panel, int control, int clearCallbackFirst) {
    tb::BreakingOff quiet;
    if (control <= 0) return;
    if (clearCallbackFirst) tb::silenceBaseCtrlCallback(panel, control);
    DiscardCtrl(panel, control);
}

void DiscardPanelNoBOLE(int panel, int clearCallbackFirst) {
    tb::BreakingOff quiet;
    if (panel <= 0) return;
    if (clearCallbackFirst) tb::silenceBasePanelCallback(panel);
    DiscardPanel(panel);
}

}  // extern "C"
