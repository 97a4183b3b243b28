// Port input and output, POSIX backend: the ports are emulated without sound.
#include "rte_internal.h"

namespace rte {

void speakerTone(unsigned int) {}

}  // namespace rte
