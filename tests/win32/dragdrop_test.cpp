// Drag and drop on panels' real windows: shell drop blocks posted to the panel's
// window reach its callback chain with every name and the client point; refusals;
// accepting drops survives re-creating the window; disabling and discarding leave
// nothing behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "drop_files.h"
#include "rtengine.h"
#include "toolbox.h"
#include "ui_support.h"

using testing_support::makeDropBlock;
using testing_support::processUntil;
using testing_support::ScopedPanel;

namespace {

struct Drop {
    int panel, event;
    std::vector<std::string> names;
    int x, y;
};
std::vector<Drop> drops;        // what the panel's own callback took over and freed
std::vector<Drop> linkSaw;      // what a chained link saw before it
std::vector<int> otherEvents;   // any other event of the panel

Drop readDrop(int panel, int event, intptr_t data1, intptr_t data2) {
    Drop d{panel, event, {}, 0, 0};
    for (char **name = reinterpret_cast<char **>(data1); *name; ++name) d.names.push_back(*name);
    const Point *at = reinterpret_cast<const Point *>(data2);
    d.x = at->x;
    d.y = at->y;
    return d;
}

int owningCallback(int panel, int event, void *, intptr_t data1, intptr_t data2) {
    if (event != TbEventFilesDropped) {
        otherEvents.push_back(event);
        return 0;
    }
    drops.push_back(readDrop(panel, event, data1, data2));
    char **names = reinterpret_cast<char **>(data1);
    for (char **name = names; *name; ++name) std::free(*name);
    std::free(names);
    return 0;
}

int watchingLink(int panel, int event, void *, intptr_t data1, intptr_t data2) {
    if (event == TbEventFilesDropped) linkSaw.push_back(readDrop(panel, event, data1, data2));
    return 0;
}

HWND windowOf(int panel) {
    void *window = nullptr;
    EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_SYSTEM_WINDOW, &window), 0);
    return static_cast<HWND>(window);
}

bool acceptsFiles(HWND window) {
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

const std::vector<std::string> kThreeNames = {"C:\\a.txt", "C:\\folder\\b c.dat",
                                              "D:\\" + std::string(600, 'n') + ".bin"};

class DragDrop : public ::testing::Test {
protected:
    void SetUp() override {
        drops.clear();
        linkSaw.clear();
        otherEvents.clear();
        ASSERT_EQ(InstallPanelCallback(panel, owningCallback, nullptr), 0);
    }
    // Posts a drop to the panel's current window and runs event passes until it was
    // handled; false when it never was.
    bool dropOn(int target, const std::vector<std::string> &names, POINT at, bool wide = false,
                bool outsideClient = false) {
        HGLOBAL block = makeDropBlock(names, at, wide, outsideClient);
        if (!block) return false;
        if (!PostMessageA(windowOf(target), WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0)) {
            GlobalFree(block);
            return false;
        }
        // The handler releases the block: its handle then no longer names memory.
        return processUntil([&] { return GlobalSize(block) == 0; }, 2.0);
    }
    ScopedPanel panel;
};

// Every refusal, each leaving the window unable to take drops.
TEST_F(DragDrop, RefusalsGiveTheirCodes) {
    ScopedPanel bare, child(panel, 1, 1, 10, 10);
    EXPECT_EQ(EnableDragAndDrop(-3), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(DisableDragAndDrop(-3), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(EnableDragAndDrop(bare), TbErrPanelNoCallback);
    EXPECT_FALSE(acceptsFiles(windowOf(bare)));
    ASSERT_EQ(InstallPanelCallback(child, owningCallback, nullptr), 0);
    EXPECT_EQ(EnableDragAndDrop(child), TbErrPanelNotTopLevel);
    EXPECT_EQ(DisableDragAndDrop(panel), TbErrDragDropNotEnabled);
    EXPECT_FALSE(acceptsFiles(windowOf(panel)));

    ASSERT_EQ(EnableDragAndDrop(panel), 0);
    EXPECT_TRUE(acceptsFiles(windowOf(panel)));
    EXPECT_EQ(EnableDragAndDrop(panel), TbErrMsgCallbackInstalled);
    EXPECT_EQ(DisableDragAndDrop(panel), 0);
    EXPECT_EQ(DisableDragAndDrop(panel), TbErrDragDropNotEnabled);
}

std::vector<std::string> manyNames(int count) {
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k) names.push_back("C:\\f" + std::to_string(k));
    return names;
}

struct DropCase {
    const char *name;
    std::vector<std::string> files;
    bool wide, onTheFrame;
};
class DragDropNames : public DragDrop, public ::testing::WithParamInterface<DropCase> {};

// Names of any length, ANSI or wide in the block, arrive whole and in order, followed
// by a null, with the point in client coordinates, to every link of the chain (a link
// in front sees them before the panel's own callback takes them over) and to nothing
// else; a drop on the frame is released without a call.
TEST_P(DragDropNames, ReachTheWholeChainWithThePoint) {
    ASSERT_EQ(ChainPanelCallback(panel, watchingLink, nullptr, "watcher"), 0);
    ASSERT_EQ(EnableDragAndDrop(panel), 0);
    ASSERT_TRUE(dropOn(panel, GetParam().files, {3, 4}, GetParam().wide, GetParam().onTheFrame));
    ASSERT_EQ(drops.size(), GetParam().onTheFrame ? 0u : 1u);
    ASSERT_EQ(linkSaw.size(), drops.size());
    if (!drops.empty()) {
        EXPECT_EQ(drops[0].panel, int(panel));
        EXPECT_EQ(drops[0].event, TbEventFilesDropped);
        EXPECT_EQ(drops[0].names, GetParam().files);
        EXPECT_EQ(drops[0].x, 3);
        EXPECT_EQ(drops[0].y, 4);
        EXPECT_EQ(linkSaw[0].names, drops[0].names);
    }
    EXPECT_TRUE(otherEvents.empty());
    EXPECT_EQ(DisableDragAndDrop(panel), 0);
    EXPECT_EQ(UnchainPanelCallback(panel, "watcher"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DragDropNames,
    ::testing::Values(DropCase{"ThreeAnsi", kThreeNames, false, false},
                      DropCase{"ThreeWide", kThreeNames, true, false},
                      DropCase{"OneLongerThanAnyPath", {"E:\\" + std::string(4000, 'x')}, false, false},
                      DropCase{"Many", manyNames(70), true, false},
                      DropCase{"OnTheFrame", kThreeNames, false, true}),
    [](const ::testing::TestParamInfo<DropCase> &tested) { return std::string(tested.param.name); });

// After the window is re-created the new one accepts files and its drops arrive.
TEST_F(DragDrop, DropsStillArriveAfterTheWindowIsRecreated) {
    ASSERT_EQ(EnableDragAndDrop(panel), 0);
    HWND old = windowOf(panel);
    ASSERT_EQ(RecreatePanelWindow(panel), 0);
    HWND fresh = windowOf(panel);
    ASSERT_NE(fresh, old);
    ProcessSystemEvents();  // the library takes the new window over
    EXPECT_TRUE(acceptsFiles(fresh));
    ASSERT_TRUE(dropOn(panel, kThreeNames, {3, 4}));
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].names, kThreeNames);
    EXPECT_EQ(DisableDragAndDrop(panel), 0);
    EXPECT_FALSE(acceptsFiles(fresh));
}

// Disabling takes the handler away (a drop then goes unhandled) and enabling again
// works; discarding an enabled panel removes its handler with it.
TEST_F(DragDrop, DisablingAndDiscardingLeaveNothingBehind) {
    ASSERT_EQ(EnableDragAndDrop(panel), 0);
    ASSERT_EQ(DisableDragAndDrop(panel), 0);
    EXPECT_FALSE(acceptsFiles(windowOf(panel)));
    EXPECT_EQ(RemoveWinMsgCallback(panel, WM_DROPFILES), TbErrMsgCallbackNotInstalled);
    HGLOBAL block = makeDropBlock(kThreeNames, {3, 4}, false);
    SendMessageA(windowOf(panel), WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    EXPECT_NE(GlobalSize(block), 0u);  // nobody released it
    GlobalFree(block);
    EXPECT_TRUE(drops.empty());
    ASSERT_EQ(EnableDragAndDrop(panel), 0);
    ASSERT_TRUE(dropOn(panel, kThreeNames, {1, 2}));
    EXPECT_EQ(drops.size(), 1u);

    int doomed = NewPanel(0, "doomed", 0, 0, 20, 20);
    ASSERT_EQ(InstallPanelCallback(doomed, owningCallback, nullptr), 0);
    ASSERT_EQ(EnableDragAndDrop(doomed), 0);
    ASSERT_EQ(DiscardPanel(doomed), 0);
    ProcessSystemEvents();
    EXPECT_EQ(RemoveWinMsgCallback(doomed, WM_DROPFILES), TbErrMsgCallbackNotInstalled);
    EXPECT_EQ(DisableDragAndDrop(doomed), RTE_UIE_INVALID_CONTROL);
    EXPECT_EQ(DisableDragAndDrop(panel), 0);
}

}  // namespace
