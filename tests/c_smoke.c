/* The public headers compile as C99 and their functions link and run from C. */
#include <stdio.h>
#include <string.h>

#include "rtengine.h"
#include "toolbox.h"

static int failures = 0;

static void check(int condition, const char *what) {
    if (!condition) {
        fprintf(stderr, "c_smoke: %s\n", what);
        ++failures;
    }
}

static void countCall(void *data) { ++*(int *)data; }

int main(void) {
    char text[64];
    int old = SetBOLE(0);
    int size = 0;
    int lock = 0;
    int calls = 0;

    check(Fmt(text, "%s<%s-%s", "a", "b") == 3 && strcmp(text, "a-b") == 0, "Fmt");
    check(Fmt(&size, "%d<%s", " 12") == 3 && size == 12, "Fmt int target");
    check(CmtNewLock(NULL, 0, &lock) == 0 && CmtGetLock(lock) == 0 && CmtReleaseLock(lock) == 0 &&
              CmtDiscardLock(lock) == 0, "locks");
    check(PostDeferredCallToThread(countCall, &calls, CmtGetCurrentThreadID()) == 0 &&
              ProcessSystemEvents() == 0 && calls == 1, "deferred call");
    check(Timer() >= 0.0, "Timer");
    check(FileExists("no such file here.txt", &size) == 0 && size == -1, "FileExists");
    check(strlen(GetUILErrorString(RTE_UIE_OUT_OF_MEMORY)) > 0, "GetUILErrorString");
    check(TbErrOutOfMemory == -5071, "TbErrOutOfMemory");
    check(strcmp(FindFileName("C:\\dir\\file.txt"), "file.txt") == 0, "FindFileName");
    check(IsAbsolutePath("C:\\x") == 1, "IsAbsolutePath");
    check(InternationalDate(text, (int)sizeof text) > 0, "InternationalDate");
    DoAssert(1, "c_smoke", __LINE__, NULL);
    SetBOLE(old);
    printf("c_smoke: %s\n", failures ? "failed" : "passed");
    return failures ? 1 : 0;
}
