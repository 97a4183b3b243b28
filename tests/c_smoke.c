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

static int countEvent(int panel, int control, int event, void *data, intptr_t a, intptr_t b) {
    (void)panel, (void)control, (void)event, (void)a, (void)b;
    ++*(int *)data;
    return 7;
}

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
    {
        static const int table[2] = {0x000000, 0xFFFFFF};
        static const unsigned char bits[2] = {0x80, 0x40};
        int bitmap = 0, tableSize = 0, bitsSize = 0;
        check(NewBitmap(RTE_BITMAP_AUTO_ROW_BYTES, 1, 2, 2, table, bits, NULL, &bitmap) == 0 &&
                  GetBitmapInfo(bitmap, &tableSize, &bitsSize, NULL) == 0 && tableSize == 8 &&
                  bitsSize == 2 && DiscardBitmap(bitmap) == 0 &&
                  SaveBitmapToFile("unused.bmp", bitmap) == RTE_UIE_INVALID_BITMAP,
              "bitmaps");
    }
    check(strcmp(FindFileName("C:\\dir\\file.txt"), "file.txt") == 0, "FindFileName");
    check(IsAbsolutePath("C:\\x") == 1, "IsAbsolutePath");
    check(InternationalDate(text, (int)sizeof text) > 0, "InternationalDate");
    {
        int panel = NewPanel(0, "smoke", RTE_AUTO_CENTER, RTE_AUTO_CENTER, 50, 80);
        int timer = NewCtrl(panel, RTE_CTRL_TIMER, "", 0, 0);
        double interval = 0.0;
        int counted = 0, result = 0;
        Point pinned = PointPinnedToRect(MakePoint(-5, 99), MakeRect(0, 0, 10, 10));
        check(SetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, 0.25) == 0 &&
                  GetCtrlAttribute(panel, timer, RTE_ATTR_INTERVAL, &interval) == 0 &&
                  interval == 0.25,
              "timer interval");
        check(pinned.x == 0 && pinned.y == 9, "PointPinnedToRect");
        check(ChainCtrlCallback(panel, timer, countEvent, &counted, "smoke") == 0 &&
                  CallCtrlCallback(panel, timer, 42, 1, 2, &result) == 1 && counted == 1 &&
                  result == 7,
              "ChainCtrlCallback");
        check(ConvertMouseCoordinates(panel, timer, 1, 1, NULL, NULL) == 0,
              "ConvertMouseCoordinates");
        check(PostDelayedCall(NULL, NULL, 0.0) == 0, "PostDelayedCall");
        DiscardCtrlNoBOLE(panel, timer, 1);
        check(counted == 2, "DiscardCtrlNoBOLE");
        check(DiscardPanel(panel) == 0, "DiscardPanel");
    }
    check(CreateMetaFont("SmokeFont", "bogusfont", 10, 0, 0, 0, 0) == 0 &&
              GetTextDisplaySize("Hello, World", "SmokeFont", &size, NULL) == 0 && size == 15,
          "CreateMetaFont and GetTextDisplaySize");
    {
        int panel = NewPanel(0, "smoke", 0, 0, 200, 200);
        int a = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "A", 10, 10);
        int b = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "B", 50, 10);
        int n = NewCtrl(panel, RTE_CTRL_NUMERIC_INDICATOR, "n", 90, 10);
        ListRef ids = BuildIntegerList(0, a, b, 0);
        int most = 0, at = 0, dialog = 0;
        unsigned char byte = 0;
        check(ListNumItems(ids) == 2 &&
                  SetAttributeForCtrls(panel, RTE_ATTR_LEFT, 30, 2, a, b) == 0 &&
                  AttributeMaxAndMin(panel, RTE_ATTR_TOP, 0, &most, &at, NULL, NULL, a, b, 0) ==
                      0 &&
                  most == 50 && at == b && NextCtrlInTabOrder(panel, a, 1, 1) == b,
              "control layout and tab order");
        check(SetCtrlVal(panel, n, 300.7) == 0 &&
                  GetNumericAttributeAsType(panel, n, RTE_ATTR_CTRL_VAL, TB_TYPE_UNSIGNED_CHAR,
                                            &byte) == 0 &&
                  byte == 44,
              "GetNumericAttributeAsType");
        dialog = CreateProgressDialog("smoke", "done", 0, 0, "Cancel");
        check(dialog > 0 && UpdateProgressDialog(dialog, 50, 1) == 0 &&
                  DiscardProgressDialog(dialog) == 0,
              "progress dialog");
        ListDispose(ids);
        DiscardPanel(panel);
    }
    {
        int panel = NewPanel(0, "smoke", 0, 0, 200, 200);
        int ring = NewCtrl(panel, RTE_CTRL_RING, "ring", 20, 10);
        int count = 0, index = -1, value = 0, bold = -1;
        const int table[] = {0x000000, 0xFF0000, 0x00FF00};
        check(InsertListItem(panel, ring, -1, "one", 1) == 0 &&
                  InsertListItem(panel, ring, -1, "three", 3) == 0 &&
                  GetNumListItems(panel, ring, &count) == 0 && count == 2 &&
                  SetCtrlIndex(panel, ring, 1) == 0 && GetCtrlIndex(panel, ring, &index) == 0 &&
                  index == 1 && GetCtrlVal(panel, ring, &value) == 0 && value == 3,
              "list functions");
        check(SizeRingCtrlToText(panel, ring) == 0 && IsMetaFont("SmokeFont") == 1 &&
                  GetMetaFontInfo("TitleMetaFont", NULL, &bold, NULL, NULL, NULL, NULL) == 0 &&
                  bold == 1,
              "ring sizing and meta fonts");
        check(FindClosestColorInTable(0xEE1111, table, 3) == 1 &&
                  ColorChangePopup("smoke", NULL, 1, NULL, NULL) == RTE_UIE_NULL_ARGUMENT,
              "colour popup");
        DiscardPanel(panel);
    }
    DoAssert(1, "c_smoke", __LINE__, NULL);
    SetBOLE(old);
    printf("c_smoke: %s\n", failures ? "failed" : "passed");
    return failures ? 1 : 0;
}
