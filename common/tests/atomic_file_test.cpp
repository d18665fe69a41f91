#include "tarn/atomic_file.h"

#include "tarn/unique.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A folder of its own under the temporary folder, removed with what is in it.
class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        ASSERT_GT(::GetTempPathW(MAX_PATH, base), 0u);
        folder_ = std::wstring(base) + L"tarn-atomic-" + std::to_wstring(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        WIN32_FIND_DATAW found;
        const std::wstring pattern = folder_ + L"\\*";
        HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring file = folder_ + L"\\" + found.cFileName;
                ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(file.c_str());
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(folder_.c_str());
    }
    std::wstring path(const wchar_t* name) const { return folder_ + L"\\" + name; }
    static std::string read(const std::wstring& file) {
        tarn::unique_handle handle = tarn::adopt_file(::CreateFileW(
            file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        std::string bytes(4096, '\0');
        DWORD read = 0;
        if (!handle || !::ReadFile(handle.get(), bytes.data(), 4096, &read, nullptr)) {
            return "(unreadable)";
        }
        bytes.resize(read);
        return bytes;
    }
    // Files in the folder, temporaries included.
    int count() const {
        WIN32_FIND_DATAW found;
        const std::wstring pattern = folder_ + L"\\*";
        HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
        int files = 0;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        return files;
    }
    std::wstring folder_;
};

TEST_F(AtomicFile, NewFileHasExactlyTheBytesAndNoTemporaryStays) {
    const std::string data("0\r\nSECTION\n\0\xff", 13);
    ASSERT_TRUE(tarn::write_file_atomically(path(L"new.dxf"), data));
    EXPECT_EQ(read(path(L"new.dxf")), data);
    EXPECT_EQ(count(), 1);
}

// Through ReplaceFileW, which keeps the old file's attributes on Windows
// (Wine does not keep them, so they are not checked here).
TEST_F(AtomicFile, ExistingFileIsReplacedWhole) {
    ASSERT_TRUE(tarn::write_file_atomically(path(L"old.dxf"), "first, and longer"));
    ASSERT_TRUE(tarn::write_file_atomically(path(L"old.dxf"), "second"));
    EXPECT_EQ(read(path(L"old.dxf")), "second");
    EXPECT_EQ(count(), 1);
}

TEST_F(AtomicFile, UnwritablePlaceFailsAndLeavesNothing) {
    EXPECT_FALSE(tarn::write_file_atomically(path(L"missing\\x.dxf"), "data"));
    EXPECT_EQ(count(), 0);
}

} // namespace
