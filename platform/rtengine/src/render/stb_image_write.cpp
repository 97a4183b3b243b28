// The engine's one compilation of stb_image_write (Debian's libstb-dev, header-only).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"
