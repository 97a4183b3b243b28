/* Uses the installed headers and libraries from C. */
#include <stdio.h>
#include <string.h>

#include "rtengine.h"
#include "toolbox.h"

int main(void) {
    char text[32];
    int size = 0;
    if (Fmt(text, "%s<%s.%s", "name", "ext") != 8 || strcmp(text, "name.ext") != 0) return 1;
    if (FileExists("surely-not-here.bin", &size) != 0 || size != -1) return 2;
    puts("consumer: ok");
    return 0;
}
