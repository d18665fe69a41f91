#include "drafthand/discovery.h"
#include "drafthand/session.h"

#include "fakes.h"

#include <gtest/gtest.h>

namespace drafthand {
namespace {

using testing::FakeWindow;
using testing::FakeWindowSystem;

FakeWindow window(const wchar_t* title, uint32_t process_id) {
    FakeWindow w;
    w.title = title;
    w.process_id = process_id;
    w.thread_id = process_id * 10;
    return w;
}

class DiscoveryTest : public ::testing::Test {
protected:
    // One complete AutoCAD LT of the given process; returns its main window.
    WindowHandle add_autocad(uint32_t process_id) {
        const WindowHandle main =
            system.add_top(window(L"AutoCAD LT - [Drawing1.dwg]", process_id));
        const WindowHandle text = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ", process_id));
        const WindowHandle frame = system.add_child(text, window(L"frame", process_id));
        system.add_child(text, window(L"Headlands", process_id));
        system.add_child(text, window(L"MountTam", process_id));
        (void)frame;
        return main;
    }

    ThreadRecords records;
    FakeWindowSystem system;
};

TEST_F(DiscoveryTest, FindsAllFourWindowsOfOneProcess) {
    system.add_top(window(L"Untitled - Notepad", 7));
    const WindowHandle main = add_autocad(3);
    Session session(records, system);
    ASSERT_EQ(session.Search(), kSuccess);
    const WindowTable& t = records.windows;
    EXPECT_EQ(t.main.handle, main);
    EXPECT_EQ(t.main.title, L"AutoCAD LT - [Drawing1.dwg]");
    EXPECT_EQ(t.main.class_name, L"Afx:400000:8");
    EXPECT_EQ(t.main.thread_id, 30u);
    EXPECT_EQ(t.main.process_id, 3u);
    EXPECT_EQ(t.text.title, L"AutoCAD LT ﾃｷｽﾄ");
    EXPECT_EQ(t.command.title, L"Headlands");
    EXPECT_EQ(t.history.title, L"MountTam");
    EXPECT_EQ(records.last_error, ErrorRecord{});
}

TEST_F(DiscoveryTest, TextCaptionIsNeverAMainWindowAndShortCaptionsMatchNothing) {
    WindowTable table;
    const CompareTitles titles;
    const WindowHandle text = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ - x", 1));
    const WindowHandle short_one = system.add_top(window(L"AutoCAD", 1));
    EXPECT_TRUE(find_top_window(system, titles, table, short_one));
    EXPECT_EQ(table.main.handle, 0u);
    EXPECT_TRUE(find_top_window(system, titles, table, text));
    EXPECT_EQ(table.main.handle, 0u);
    EXPECT_EQ(table.text.handle, text);
}

TEST_F(DiscoveryTest, PairingByProcessAndLaterMatchesOverwrite) {
    WindowTable table;
    const CompareTitles titles;
    const WindowHandle main_a = system.add_top(window(L"AutoCAD LT - [a]", 1));
    const WindowHandle main_b = system.add_top(window(L"AutoCAD LT - [b]", 2));
    const WindowHandle text_a = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ", 1));
    const WindowHandle text_b = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ", 2));
    const WindowHandle main_a2 = system.add_top(window(L"AutoCAD LT - [c]", 1));
    const WindowHandle main_b2 = system.add_top(window(L"AutoCAD LT - [d]", 2));
    // Without a text window, a main window of another process still replaces.
    find_top_window(system, titles, table, main_a);
    find_top_window(system, titles, table, main_b);
    EXPECT_EQ(table.main.handle, main_b);
    // Once the main window fixes the process, the other process is refused.
    find_top_window(system, titles, table, text_a);
    EXPECT_EQ(table.text.handle, 0u);
    find_top_window(system, titles, table, text_b);
    EXPECT_EQ(table.text.handle, text_b);
    find_top_window(system, titles, table, main_a2);
    EXPECT_EQ(table.main.handle, main_b);
    EXPECT_EQ(table.main.title, L"AutoCAD LT - [b]");
    find_top_window(system, titles, table, main_b2);
    EXPECT_EQ(table.main.handle, main_b2);
    EXPECT_EQ(table.main.title, L"AutoCAD LT - [d]");
}

TEST_F(DiscoveryTest, UnreadableWindowsAreSkipped) {
    WindowTable table;
    const CompareTitles titles;
    FakeWindow no_class = window(L"AutoCAD LT - [a]", 1);
    no_class.class_name.clear();
    FakeWindow no_title = window(L"AutoCAD LT - [b]", 1);
    no_title.title_readable = false;
    FakeWindow no_thread = window(L"AutoCAD LT ﾃｷｽﾄ", 1);
    no_thread.thread_id = 0;
    for (const FakeWindow& w : {no_class, no_title, no_thread}) {
        EXPECT_TRUE(find_top_window(system, titles, table, system.add_top(w)));
    }
    EXPECT_EQ(table.main.handle, 0u);
    EXPECT_EQ(table.text.handle, 0u);
}

TEST_F(DiscoveryTest, ChildrenOfOtherProcessesAreRejected) {
    WindowTable table;
    const CompareTitles titles;
    table.main.handle = 0x99;
    table.main.process_id = 1;
    const WindowHandle parent = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ", 1));
    const WindowHandle foreign = system.add_child(parent, window(L"Headlands", 2));
    const WindowHandle own = system.add_child(parent, window(L"Headlands x", 1));
    FakeWindow no_thread = window(L"Headlands y", 1);
    no_thread.thread_id = 0;
    const WindowHandle threadless = system.add_child(parent, no_thread);
    find_child_window(system, titles, table, foreign);
    EXPECT_EQ(table.command.handle, 0u);
    find_child_window(system, titles, table, own);
    find_child_window(system, titles, table, threadless);
    EXPECT_EQ(table.command.handle, own);
}

TEST_F(DiscoveryTest, EmptyCompareTitleTakesEveryCaptionedChild) {
    WindowTable table;
    CompareTitles titles;
    titles.command = L"";
    table.main.process_id = 1;
    const WindowHandle parent = system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ", 1));
    const WindowHandle first = system.add_child(parent, window(L"one", 1));
    const WindowHandle history = system.add_child(parent, window(L"MountTam", 1));
    const WindowHandle last = system.add_child(parent, window(L"two", 1));
    const WindowHandle untitled = system.add_child(parent, window(L"", 1));
    for (WindowHandle w : {first, history, last, untitled}) {
        find_child_window(system, titles, table, w);
    }
    EXPECT_EQ(table.command.handle, last);
    EXPECT_EQ(table.history.handle, history);
}

TEST_F(DiscoveryTest, SearchFailuresClearTheTableAndRecordTheError) {
    Session session(records, system);
    EXPECT_EQ(session.Search(), acPrivateError::SearchFailed);
    EXPECT_EQ(records.last_error.source, L"Drafthand.Acad.Search");
    EXPECT_EQ(records.last_error.description, L"AutoCADが起動していないか、応答がありません。");

    // Only main and text window: the child pass finds nothing.
    system.add_top(window(L"AutoCAD LT - [Drawing1.dwg]", 3));
    system.add_top(window(L"AutoCAD LT ﾃｷｽﾄ", 3));
    EXPECT_EQ(session.Search(), acPrivateError::SearchFailed);
    EXPECT_EQ(records.last_error.description, L"AutoCADを検索中にエラーが発生しました。");
    EXPECT_EQ(records.windows.main.handle, 0u);
    EXPECT_EQ(records.windows.text.title, L"");
}

TEST_F(DiscoveryTest, FailedEnumerationIsASearchError) {
    add_autocad(3);
    system.fail_enumeration = true;
    Session session(records, system);
    EXPECT_EQ(session.Search(), acPrivateError::SearchFailed);
    EXPECT_EQ(records.last_error.description, L"AutoCADを検索中にエラーが発生しました。");
}

TEST_F(DiscoveryTest, DeadWindowGivesLinkFailed) {
    const WindowHandle main = add_autocad(3);
    system.window(main).alive = false;
    Session session(records, system);
    EXPECT_EQ(session.Search(), acPrivateError::LinkFailed);
    EXPECT_EQ(records.last_error.description, L"AutoCADが起動していないか、応答がありません。");
    EXPECT_EQ(records.windows.main.handle, 0u);
}

TEST_F(DiscoveryTest, FullProductCompareTitles) {
    system.add_top(window(L"AutoCAD - [Drawing1.dwg]", 4));
    system.add_top(window(L"AutoCAD ﾃｷｽﾄ", 4));
    Session session(records, system);
    EXPECT_EQ(session.Search(), acPrivateError::SearchFailed);
    records.titles.main = L"AutoCAD - [";
    records.titles.text = L"AutoCAD ﾃｷｽﾄ";
    const WindowHandle text = system.add_top(window(L"AutoCAD ﾃｷｽﾄ", 4));
    system.add_child(text, window(L"Headlands", 4));
    system.add_child(text, window(L"MountTam", 4));
    EXPECT_EQ(session.Search(), kSuccess);
    EXPECT_EQ(records.windows.text.handle, text);
}

TEST_F(DiscoveryTest, NewSessionResetsSharedRecords) {
    add_autocad(3);
    Session first(records, system);
    ASSERT_EQ(first.Search(), kSuccess);
    records.titles.main = L"changed";
    records.last_error = ErrorRecord{5, L"x", L"y"};
    first.set_execute_timeout(-5);
    EXPECT_EQ(first.execute_timeout(), -1);
    Session second(records, system);
    EXPECT_EQ(records.titles.main, L"AutoCAD LT");
    EXPECT_EQ(records.windows.main.handle, 0u);
    EXPECT_EQ(records.last_error, ErrorRecord{});
    EXPECT_EQ(second.execute_timeout(), 300000);
}

} // namespace
} // namespace drafthand
