// The module's per-thread records: one copy per thread, shared by the
// thread's calls, fresh for another thread, freed when the thread ends.
#include "thread_records.h"

#include <gtest/gtest.h>

#include <thread>

namespace drafthand::win {
namespace {

TEST(ThreadRecordStore, OneThreadKeepsItsOwnRecords) {
    Win32ThreadRecordStore store;
    ThreadRecords& mine = store.current();
    mine.titles.main = L"changed";
    mine.last_error.number = 53;
    EXPECT_EQ(&store.current(), &mine);
    EXPECT_EQ(store.size(), 1u);

    const ThreadRecords* other_address = nullptr;
    std::wstring other_title;
    int32_t other_number = -1;
    std::thread other([&] {
        ThreadRecords& own = store.current();
        other_address = &own;
        other_title = own.titles.main;
        other_number = own.last_error.number;
        EXPECT_EQ(store.size(), 2u);
        store.thread_ended();
        EXPECT_EQ(store.size(), 1u);
        store.thread_ended(); // a second end, or an end without records, is harmless
    });
    other.join();
    EXPECT_NE(other_address, &mine);
    EXPECT_EQ(other_title, L"AutoCAD LT");
    EXPECT_EQ(other_number, 0);
    EXPECT_EQ(store.current().titles.main, L"changed");
    EXPECT_EQ(store.current().last_error.number, 53);
}

TEST(ThreadRecordStore, AnEndedThreadStartsAfreshOnItsNextUse) {
    Win32ThreadRecordStore store;
    store.current().titles.command = L"changed";
    store.thread_ended();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.current().titles.command, L"Headlands");
    EXPECT_EQ(store.size(), 1u);
}

} // namespace
} // namespace drafthand::win
