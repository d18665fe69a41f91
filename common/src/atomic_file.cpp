#include <tarn/atomic_file.h>

#include <tarn/unique.h>

#include <algorithm>

namespace tarn {

bool replace_file(const std::wstring& from, const std::wstring& to) {
    if (::GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr)) {
        return true;
    }
    // No target yet, or one ReplaceFileW cannot take (another volume, say).
    return ::MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool write_file_atomically(const std::wstring& path, std::string_view data) {
    // The process id keeps two writers of one path off each other's temporary.
    const std::wstring temporary = path + L".tmp" + std::to_wstring(::GetCurrentProcessId());
    {
        unique_handle file =
            adopt_file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return false;
        }
        size_t done = 0;
        while (done < data.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) ||
                written == 0) {
                file.reset();
                ::DeleteFileW(temporary.c_str());
                return false;
            }
            done += written;
        }
    }
    if (!replace_file(temporary, path)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tarn
