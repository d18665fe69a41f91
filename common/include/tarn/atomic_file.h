// Files replaced in one step, so that a reader (or a crash) never sees a
// half-written file under the user's name. Windows only; the CLI's POSIX
// build keeps its own rename with the same guarantees.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

// Replaces `to` by the complete file `from`. An existing target keeps its
// attributes and security (ReplaceFileW); a new one is moved into place.
bool replace_file(const std::wstring& from, const std::wstring& to);

// Writes `data` to a temporary file beside `path`, then replaces `path` by
// it. On failure nothing is left behind and `path` is as it was.
bool write_file_atomically(const std::wstring& path, std::string_view data);

} // namespace tarn
