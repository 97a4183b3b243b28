// Private to rtengine: what the engine's families share.
#ifndef RTE_INTERNAL_H
#define RTE_INTERNAL_H

#include "rtengine.h"

namespace rte {

// Reports a failing engine call to the library-error handler when breaking is on, and
// gives the code back so call sites can write `return fail("Fn", code);`.
int fail(const char *function, int code);

// The presenter MessagePopup uses when none was installed (platform backend).
RTE_PopupPresenter defaultPresenter();

// Platform backend of the detach flag: publish on attach, mark on detach.
bool publishDetachFlag();
void markDetached();
int readPublishedDetachFlag();

// Ends the process at once with code (platform backend).
[[noreturn]] void endProcess(int code);

// The user's decimal symbol from the platform (backend); '.' when it cannot be read
// or is not a single byte.
char platformDecimalSymbol();

}  // namespace rte

#endif
