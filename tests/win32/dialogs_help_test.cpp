// The help window: ShowHtmlHelp with the system's help viewer (commands that open no
// viewer window, since the test wrapper disables the HTML engine the window needs),
// and with stand-in libraries (fake_system_library.h) for what it forwards and for a
// library that is missing or lacks the entry point.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "fake_system_library.h"
#include "system_library_override.h"
#include "toolbox.h"
#include "toolbox_internal.h"

namespace {

constexpr unsigned int kDisplayTopic = 0x0000;
constexpr unsigned int kCloseAll = 0x0012;

// With the system's viewer: the library is loaded by the first call and kept, a
// later call loads nothing more, and a help file that does not exist is the viewer's
// business (0, no viewer window left behind).
TEST(ShowHtmlHelp, CallsTheSystemViewerAndKeepsItsLibrary) {
    tb::overrideSystemLibrary(tb::SystemGroup::Help, nullptr);  // unloaded, whatever ran before
    EXPECT_EQ(ShowHtmlHelp(nullptr, kCloseAll, 0), 0);
    HMODULE viewer = GetModuleHandleA("hhctrl.ocx");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ShowHtmlHelp(nullptr, kCloseAll, 0), 0);
    EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), viewer);
    EXPECT_EQ(ShowHtmlHelp("C:\\no such folder\\no such help.chm", kDisplayTopic, 0), 0);
    EXPECT_EQ(ShowHtmlHelp("C:\\no such folder\\no such help.chm::/index.htm>main", kDisplayTopic, 0), 0);
    EXPECT_EQ(FindWindowA("HH Parent", nullptr), nullptr);
    EXPECT_EQ(ShowHtmlHelp(nullptr, kCloseAll, 0), 0);
}

// A library that cannot be loaded gives -5093 and one without the entry -5094, with
// nothing left loaded and each call trying again; a complete one then gets every
// argument whole: no owner, the file, the command and all 64 bits of the data.
TEST(ShowHtmlHelp, MissingLibraryOrEntryThenTheWholeArguments) {
    {
        LibraryOverride missing(tb::SystemGroup::Help, besideTheSuite("no such viewer.ocx"));
        EXPECT_EQ(ShowHtmlHelp("help.chm", kDisplayTopic, 0), TbErrSystemDllLoad);
        EXPECT_EQ(ShowHtmlHelp("help.chm", kDisplayTopic, 0), TbErrSystemDllLoad);
    }
    LibraryOverride incomplete(tb::SystemGroup::Help, besideTheSuite("fake_system_incomplete.dll"));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_EQ(ShowHtmlHelp("help.chm", kDisplayTopic, 0), TbErrSystemFunctionMissing);
        EXPECT_EQ(incomplete.unload(), 0) << "the library was kept";
        EXPECT_EQ(fakeAttaches(), attempt) << "the load was not tried again";
    }

    LibraryOverride complete(tb::SystemGroup::Help, besideTheSuite("fake_system_complete.dll"));
    const uintptr_t data = static_cast<uintptr_t>(0xFEDCBA9876543210ull);
    EXPECT_EQ(ShowHtmlHelp("C:\\help\\guide.chm::/intro.htm", 0x000F, data), 0);
    EXPECT_EQ(ShowHtmlHelp(nullptr, kCloseAll, 1), 0);
    FakeSystemCalls *record = complete.record();
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->lastEntry, "HtmlHelpA");
    EXPECT_STREQ(record->text, "(null)");
    EXPECT_EQ(record->index, kCloseAll);
    EXPECT_EQ(ShowHtmlHelp("C:\\help\\guide.chm::/intro.htm", 0x000F, data), 0);
    EXPECT_EQ(record->handle, nullptr);
    EXPECT_STREQ(record->text, "C:\\help\\guide.chm::/intro.htm");
    EXPECT_EQ(record->index, 0x000Fu);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(record->data), data);
    EXPECT_EQ(fakeAttaches(), 1);
    EXPECT_EQ(complete.unload(), 1);
}

}  // namespace
