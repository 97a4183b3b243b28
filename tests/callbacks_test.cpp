// Callback chaining, on controls and on panels alike: the order in which a chain hears
// user input and can stop it, names, unchaining, discards, bad handles and short
// memory; edits made during an event and from another thread (run under the
// sanitizers: a link record must never be used after it was freed); the exit clean-up
// in a child process.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "loop_support.h"
#include "test_support.h"
#include "toolbox.h"
#include "toolbox_internal.h"
#include "ui_support.h"

using testing_support::expectNoLeaks;
using testing_support::Hook;
using testing_support::Hop;
using testing_support::Hops;
using testing_support::panelLinkCount;
using testing_support::pump;
using testing_support::ScopedPanel;
using Names = std::vector<std::string>;

namespace {

// A control or a panel, with the chaining calls of its shape.
struct Target {
    bool isPanel;
    int panel, control;

    int chain(Hook *hook, const char *name) const {
        return isPanel ? ChainPanelCallback(panel, hook ? Hook::onPanel : nullptr, hook, name)
                       : ChainCtrlCallback(panel, control, hook ? Hook::onControl : nullptr, hook,
                                           name);
    }
    int unchain(const char *name) const {
        return isPanel ? UnchainPanelCallback(panel, name)
                       : UnchainCtrlCallback(panel, control, name);
    }
    int data(const char *name, void **out) const {
        return isPanel ? GetChainedPanelCallbackData(panel, name, out)
                       : GetChainedCallbackData(panel, control, name, out);
    }
    int call(int event, intptr_t a, intptr_t b, int *result) const {
        return isPanel ? CallPanelCallback(panel, event, a, b, result)
                       : CallCtrlCallback(panel, control, event, a, b, result);
    }
    int install(Hook *hook) const {
        return isPanel
                   ? InstallPanelCallback(panel, hook ? Hook::onPanel : nullptr, hook)
                   : InstallCtrlCallback(panel, control, hook ? Hook::onControl : nullptr, hook);
    }
    int discard() const { return isPanel ? DiscardPanel(panel) : DiscardCtrl(panel, control); }
    // The callback attributes as they are now.
    std::pair<void *, void *> callback() const {
        void *function = nullptr, *data = nullptr;
        if (isPanel) {
            EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &function), 0);
            EXPECT_EQ(GetPanelAttribute(panel, RTE_ATTR_CALLBACK_DATA, &data), 0);
        } else {
            EXPECT_EQ(
                GetCtrlAttribute(panel, control, RTE_ATTR_CALLBACK_FUNCTION_POINTER, &function), 0);
            EXPECT_EQ(GetCtrlAttribute(panel, control, RTE_ATTR_CALLBACK_DATA, &data), 0);
        }
        return {function, data};
    }
    // What a user does to the object, through the input driver: a click on the
    // control, closing the panel; and the event it sends first.
    void act() const {
        if (isPanel)
            EXPECT_EQ(SimulateClosePanel(panel), 0);
        else
            EXPECT_EQ(SimulateCtrlClick(panel, control, 1), 0);
        pump();
    }
    int actEvent() const { return isPanel ? EVENT_CLOSE : EVENT_LEFT_CLICK; }
};

class Chain : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        control_ = NewCtrl(panel_, RTE_CTRL_COMMAND_BUTTON, "OK", 40, 60);
        ASSERT_GT(control_, 0);
        ASSERT_EQ(DisplayPanel(panel_), 0);  // hidden panels get no input
        // Closing the panel commits the button, so a stopped close shows as a missing commit.
        ASSERT_EQ(SetPanelAttribute(panel_, RTE_ATTR_CLOSE_CTRL, control_), 0);
        target_ = {GetParam(), panel_, GetParam() ? 0 : control_};
        ASSERT_EQ(target_.install(&base_), 0);
    }

    // The user's event and what the chain heard of it: focus events are left out.
    Names actAndHear() {
        target_.act();
        return hops_.names({EVENT_GOT_FOCUS, EVENT_LOST_FOCUS});
    }
    // Whether the button's commit reached the user-event queue.
    bool committed() {
        int panel = 0, control = 0;
        bool found = false;
        while (int event = GetUserEvent(0, &panel, &control))
            found = found || (event == EVENT_COMMIT && control == control_);
        return found;
    }
    std::string act(const std::string &who) const {
        return who + ":" + std::to_string(target_.actEvent());
    }

    // The hooks outlive the panel, whose discard they still hear.
    Hops hops_;
    Hook base_ = hops_.hook("base"), a_ = hops_.hook("A"), b_ = hops_.hook("B"),
         c_ = hops_.hook("C");
    ScopedPanel panel_;
    int control_ = 0;
    Target target_{};
};

INSTANTIATE_TEST_SUITE_P(ControlsAndPanels, Chain, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &shape) {
                             return std::string(shape.param ? "Panel" : "Control");
                         });

// User input reaches the newest link first and the base callback last, each once; a
// non-zero result stops the event there and the engine skips what it would do next.
TEST_P(Chain, UserInputRunsNewestFirstAndCanBeStopped) {
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    ASSERT_EQ(target_.chain(&b_, "B"), 0);
    Names heard = actAndHear();
    Names expected = {act("B"), act("A"), act("base")};
    if (!GetParam()) expected.insert(expected.end(), {"B:1", "A:1", "base:1"});  // the commit
    EXPECT_EQ(heard, expected);
    EXPECT_TRUE(committed());

    b_.stopEvent = target_.actEvent();
    b_.result = 1;
    EXPECT_EQ(actAndHear(), (Names{act("B")}));
    EXPECT_FALSE(committed());
}

// A click's position comes through every link unchanged: y in event data 1, x in 2.
TEST_P(Chain, EventDataPassesThroughUnchanged) {
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    int result = -1;
    ASSERT_EQ(target_.call(1234, 56, -78, &result), 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(hops_.taken(), (std::vector<Hop>{{"A", 1234, 56, -78}, {"base", 1234, 56, -78}}));
    if (GetParam()) return;
    target_.act();
    int x = 0, y = 0;
    ASSERT_EQ(GetRelativeMouseState(panel_, 0, &x, &y, nullptr, nullptr, nullptr), 0);
    for (const Hop &h : hops_.taken()) {
        if (h.event == EVENT_LEFT_CLICK) {
            EXPECT_EQ(h, (Hop{h.who, EVENT_LEFT_CLICK, y, x}));
        }
    }
}

// A second link of a taken name, and a null name, are refused and change nothing: not
// the callback attributes, not the panel's link count.
TEST_P(Chain, TakenAndNullNamesChangeNothing) {
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    auto before = target_.callback();
    EXPECT_EQ(target_.chain(&b_, "A"), -45);
    EXPECT_EQ(target_.chain(&b_, nullptr), -65);
    EXPECT_EQ(target_.callback(), before);
    EXPECT_EQ(panelLinkCount(panel_), 1);
    EXPECT_EQ(target_.chain(&b_, "a"), 0);  // names are compared with letter case
}

// Data by link name, and with "" the base callback's data, with and without links.
TEST_P(Chain, DataOfLinksAndOfTheBaseCallback) {
    void *found = nullptr;
    ASSERT_EQ(target_.data("", &found), 0);
    EXPECT_EQ(found, &base_);
    EXPECT_EQ(target_.data("A", &found), -45);
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    ASSERT_EQ(target_.chain(&b_, "B"), 0);
    for (auto [name, expected] :
         {std::pair<const char *, void *>{"", &base_}, {"A", &a_}, {"B", &b_}}) {
        found = nullptr;
        EXPECT_EQ(target_.data(name, &found), 0) << name;
        EXPECT_EQ(found, expected) << name;
    }
    found = &found;
    EXPECT_EQ(target_.data(nullptr, &found), -65);
    EXPECT_EQ(target_.data("C", &found), -45);
    EXPECT_EQ(found, &found);
}

// Unchaining splices a middle link out, reinstalls what the newest link replaced,
// answers 0 for an unknown name, and never calls the removed link.
TEST_P(Chain, UnchainMiddleNewestAndUnknown) {
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    auto underB = target_.callback();
    ASSERT_EQ(target_.chain(&b_, "B"), 0);
    ASSERT_EQ(target_.chain(&c_, "C"), 0);
    EXPECT_EQ(panelLinkCount(panel_), 3);

    EXPECT_EQ(target_.unchain("B"), 1);
    EXPECT_EQ(target_.unchain("B"), 0);
    EXPECT_EQ(target_.unchain("nobody"), 0);
    EXPECT_EQ(target_.unchain(nullptr), -65);
    EXPECT_EQ(target_.call(99, 0, 0, nullptr), 1);
    EXPECT_EQ(hops_.names(), (Names{"C:99", "A:99", "base:99"}));

    EXPECT_EQ(target_.unchain("C"), 1);
    EXPECT_EQ(target_.callback(), underB);
    EXPECT_EQ(target_.unchain("A"), 1);
    void *baseFunction = GetParam() ? (void *)Hook::onPanel : (void *)Hook::onControl;
    EXPECT_EQ(target_.callback(), (std::pair<void *, void *>{baseFunction, &base_}));
    void *data = nullptr;
    ASSERT_EQ(target_.data("", &data), 0);
    EXPECT_EQ(data, &base_);
    EXPECT_EQ(panelLinkCount(panel_), 0);
    Names heard = actAndHear();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), act("base"));
    expectNoLeaks();
}

// Calling the chain directly: 1 and the chain's result when there is a callback; 0 and
// the result left alone when there is none; a link without a callback passes events on.
TEST_P(Chain, CallResultsAndLinksWithoutCallback) {
    ASSERT_EQ(target_.chain(nullptr, "silent"), 0);
    b_.stopEvent = 7;
    b_.result = 42;
    ASSERT_EQ(target_.chain(&b_, "B"), 0);
    int result = -1;
    EXPECT_EQ(target_.call(7, 1, 2, &result), 1);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(target_.call(8, 1, 2, nullptr), 1);
    EXPECT_EQ(hops_.names(), (Names{"B:7", "B:8", "base:8"}));

    ASSERT_EQ(target_.unchain("B"), 1);
    ASSERT_EQ(target_.unchain("silent"), 1);
    ASSERT_EQ(target_.install(nullptr), 0);
    result = 0x5eed;
    EXPECT_EQ(target_.call(7, 1, 2, &result), 0);
    EXPECT_EQ(result, 0x5eed);
}

// A discard reaches every link and the base callback once, ignoring their results,
// drops the panel's count and frees every link.
TEST_P(Chain, DiscardReachesEveryLinkOnceAndFreesThem) {
    a_.stopEvent = EVENT_DISCARD;
    a_.result = 1;
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    ASSERT_EQ(target_.chain(&b_, "B"), 0);
    ASSERT_EQ(target_.chain(nullptr, "silent"), 0);
    ASSERT_EQ(target_.discard(), 0);
    EXPECT_EQ(hops_.names(), (Names{"B:16", "A:16", "base:16"}));
    EXPECT_EQ(panelLinkCount(panel_), 0);
    expectNoLeaks();
}

// Every operation on a discarded object answers the engine's code and adds nothing to
// the panel list.
TEST_P(Chain, DiscardedObjectsAnswerWithACode) {
    ASSERT_EQ(target_.discard(), 0);
    int expected = GetParam() ? RTE_UIE_INVALID_PANEL : RTE_UIE_INVALID_CONTROL;
    void *data = nullptr;
    int result = 0x5eed;
    testing_support::LibraryErrorCounter errors;
    EXPECT_EQ(target_.chain(&a_, "A"), expected);
    EXPECT_EQ(target_.unchain("A"), expected);
    EXPECT_EQ(target_.data("A", &data), expected);
    EXPECT_EQ(target_.data("", &data), expected);
    EXPECT_EQ(target_.call(1, 0, 0, &result), expected);
    EXPECT_EQ(result, 0x5eed);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(panelLinkCount(panel_), 0);
}

// Short memory at each allocation of a chaining (panel list, record, name copy) gives
// -12 and leaves the callback and the panel count as they were.
TEST_P(Chain, ShortMemoryChangesNothing) {
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    auto before = target_.callback();
    int pass = 0;
    for (;; ++pass) {
        tb::failAllocations(pass, 1);
        int code = target_.chain(&b_, "B");
        tb::failAllocations(0, 0);
        if (code == 0) break;
        EXPECT_EQ(code, -12) << "failing allocation " << pass;
        EXPECT_EQ(target_.callback(), before);
        EXPECT_EQ(panelLinkCount(panel_), 1);
    }
    EXPECT_GE(pass, 1);
    EXPECT_EQ(panelLinkCount(panel_), 2);
    expectNoLeaks();
}

// Edits made by a link's callback during an event: a link unchained by a newer one does
// not hear the event, a link that unchains itself passes it on, and a link chained
// meanwhile hears only the next event.
TEST_P(Chain, EditsDuringAnEventApplyToTheRestOfIt) {
    ASSERT_EQ(target_.chain(&a_, "A"), 0);
    ASSERT_EQ(target_.chain(&b_, "B"), 0);
    ASSERT_EQ(target_.chain(&c_, "C"), 0);
    c_.during = [this](int) {
        c_.during = nullptr;
        EXPECT_EQ(target_.unchain("B"), 1);
        EXPECT_EQ(target_.unchain("C"), 1);
    };
    Hook d = hops_.hook("D");
    a_.during = [&](int) {
        a_.during = nullptr;
        EXPECT_EQ(target_.chain(&d, "D"), 0);
    };
    ASSERT_EQ(target_.call(50, 0, 0, nullptr), 1);
    EXPECT_EQ(hops_.names(), (Names{"C:50", "A:50", "base:50"}));
    ASSERT_EQ(target_.call(51, 0, 0, nullptr), 1);
    EXPECT_EQ(hops_.names(), (Names{"D:51", "A:51", "base:51"}));
    ASSERT_EQ(target_.discard(), 0);
    expectNoLeaks();
}

// ---- edits from another thread ----

// The panel's thread delivers clicks and direct calls through a chain while another
// thread keeps chaining, unchaining and calling on the same control. Run under the
// sanitizers: no record may be used after it was freed, no field read while written.
TEST(ChainThreads, EditsOnAnotherThreadWhileTheChainRuns) {
    Hops hops;
    std::vector<Hook> links;
    for (const char *who : {"A", "B", "C", "D"}) links.push_back(hops.hook(who));
    Hook base = hops.hook("base");
    std::atomic<int> panel{0}, control{0};
    std::atomic<bool> stop{false};

    std::thread owner([&] {
        panel = NewPanel(0, "owner", 0, 0, 100, 100);
        int button = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "x", 10, 10);
        DisplayPanel(panel);
        InstallCtrlCallback(panel, button, Hook::onControl, &base);
        control = button;
        while (!stop) {
            SimulateCtrlClick(panel, button, 1);
            ProcessSystemEvents();
            CallCtrlCallback(panel, button, 100, 0, 0, nullptr);
            hops.taken();
        }
        DiscardPanel(panel);
    });
    while (control == 0) std::this_thread::yield();
    double end = Timer() + 1.0;
    for (int round = 0; Timer() < end; ++round) {
        Hook &link = links[size_t(round % 4)];
        const char *name = link.who.c_str();
        if (UnchainCtrlCallback(panel, control, name) == 0) {
            EXPECT_EQ(ChainCtrlCallback(panel, control, Hook::onControl, &link, name), 0);
        }
        CallCtrlCallback(panel, control, 101, 0, 0, nullptr);
    }
    stop = true;
    owner.join();
    EXPECT_EQ(panelLinkCount(panel), 0);
    expectNoLeaks();
}

// ---- the exit clean-up, in a child process ----

std::string childLogPath() {
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::temp_directory_path() /
            (std::string("toolbox-child-") + test->test_suite_name() + "-" + test->name() + ".txt"))
        .string();
}

// The child's log file, named before the child exits: the exit clean-up may run after
// the program's static objects are gone (on Windows the engine's own exit list runs
// when its DLL is unloaded), so the callbacks below use nothing but this buffer.
char childLog[1024];

// Appends "who:event " to the child's log file.
int logToFile(int, int, int event, void *data, intptr_t, intptr_t) {
    if (FILE *log = std::fopen(childLog, "ab")) {
        std::fprintf(log, "%s:%d ", static_cast<const char *>(data), event);
        std::fclose(log);
    }
    return 0;
}
int logPanelToFile(int panel, int event, void *data, intptr_t a, intptr_t b) {
    return logToFile(panel, 0, event, data, a, b);
}

int secondPanel = 0;
int discardSecondPanel(int, int event, void *, intptr_t, intptr_t) {
    if (event == EVENT_DISCARD) DiscardPanel(secondPanel);
    return 0;
}

// At process end the panels that still carry links are discarded in list order: every
// link and base callback hears the discard once, a panel discarded meanwhile by another
// one's callback is not discarded again, a panel without links is left alone, and no
// link record is left (the child's leak check makes it exit with another code).
TEST(ChainExitDeathTest, ExitDiscardsChainedPanelsAndFreesEveryLink) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string path = childLogPath();
    ASSERT_LT(path.size(), sizeof childLog);
    std::snprintf(childLog, sizeof childLog, "%s", path.c_str());
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
            int first = NewPanel(0, "first", 0, 0, 50, 50);
            secondPanel = NewPanel(0, "second", 0, 0, 50, 50);
            int third = NewPanel(0, "third", 0, 0, 50, 50);
            int plain = NewPanel(0, "plain", 0, 0, 50, 50);
            int button = NewCtrl(secondPanel, RTE_CTRL_COMMAND_BUTTON, "b", 0, 0);
            InstallPanelCallback(first, logPanelToFile, (void *)"first");
            InstallCtrlCallback(secondPanel, button, logToFile, (void *)"button");
            InstallPanelCallback(plain, logPanelToFile, (void *)"plain");
            ChainPanelCallback(first, logPanelToFile, (void *)"firstLink", "log");
            ChainPanelCallback(first, discardSecondPanel, nullptr, "discarder");
            ChainCtrlCallback(secondPanel, button, logToFile, (void *)"buttonLink", "log");
            ChainCtrlCallback(secondPanel, button, nullptr, nullptr, "silent");
            ChainPanelCallback(third, logPanelToFile, (void *)"thirdLink", "log");
            ChainPanelCallback(plain, logPanelToFile, (void *)"gone", "log");
            UnchainPanelCallback(plain, "log");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(testing_support::readFile(path),
              "buttonLink:16 button:16 firstLink:16 first:16 thirdLink:16 ");
    std::remove(path.c_str());
}

}  // namespace
