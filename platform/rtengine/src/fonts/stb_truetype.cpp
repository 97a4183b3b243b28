// The engine's one compilation of stb_truetype (Debian's libstb-dev, header-only).
#define STB_TRUETYPE_IMPLEMENTATION
#include "stb_truetype.h"
