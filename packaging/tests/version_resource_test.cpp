// Every shipped program and library carries the project's version resource.
#include "version_expectations.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring own_folder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

class VersionBlock {
public:
    explicit VersionBlock(const std::wstring& file) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (size != 0) {
            data_.resize(size);
            if (!GetFileVersionInfoW(file.c_str(), 0, size, data_.data())) {
                data_.clear();
            }
        }
    }
    bool loaded() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* fixed() const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), L"\\", &value, &length) ||
            length < sizeof(VS_FIXEDFILEINFO)) {
            return nullptr;
        }
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    // "<missing>" when the entry is absent, so that absent and empty differ.
    std::wstring text(const wchar_t* name) const {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        if (!VerQueryValueW(data_.data(), path.c_str(), &value, &length)) {
            return L"<missing>";
        }
        return length == 0 ? std::wstring() : std::wstring(static_cast<const wchar_t*>(value));
    }

private:
    std::vector<unsigned char> data_;
};

struct Binary {
    const wchar_t* file;
    const wchar_t* description;
    DWORD type;
};

const Binary kBinaries[] = {
    {L"tarn2.exe", kTarn2Description, VFT_APP},
    {L"auto_tarn5.dll", kAutoTarn5Description, VFT_DLL},
    {L"Drafthand.dll", kDrafthandDescription, VFT_DLL},
    {L"cadsim.exe", kCadsimDescription, VFT_APP},
};

TEST(VersionResource, EveryBinaryCarriesTheProjectVersion) {
    for (const Binary& binary : kBinaries) {
        SCOPED_TRACE(testing::Message()
                     << "file " << std::string(binary.file, binary.file + wcslen(binary.file)));
        const VersionBlock block(own_folder() + binary.file);
        ASSERT_TRUE(block.loaded());
        const VS_FIXEDFILEINFO* fixed = block.fixed();
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(kVersionMinor, kVersionMajor));
        EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, kVersionPatch));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileType, binary.type);
        EXPECT_EQ(block.text(L"FileVersion"), kVersionText);
        EXPECT_EQ(block.text(L"ProductVersion"), kVersionText);
        EXPECT_EQ(block.text(L"ProductName"), L"tarn");
        EXPECT_EQ(block.text(L"CompanyName"), kCompany);
        EXPECT_EQ(block.text(L"FileDescription"), binary.description);
        EXPECT_EQ(block.text(L"OriginalFilename"), binary.file);
        // tarn2 titles its message boxes with the comment: it must be there, empty.
        EXPECT_EQ(block.text(L"Comments"), L"");
    }
}

} // namespace
