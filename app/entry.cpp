// The C runtime's entry for the program. The runtime has been set up by the time it
// calls main; control goes straight to the start-up, which splits the command line
// itself and ends the process, so the runtime's arguments are not used.
#include "startup.h"

int main() { RTEWinMainStartupCode(); }
