// Output files written all or none: each goes to a temporary file beside its
// target first, and only when every one is complete are they renamed into
// place, so a failure never leaves a half-written file under a user's name.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tarn_cli {

struct OutputFile {
    std::string path;
    bool text_mode = false; // CR LF line ends on Windows, as the drawing script has
    std::function<void(std::FILE*)> write;
};

OutputFile bytes_file(std::string path, std::string bytes);

// Empty on success, otherwise one line naming the file that failed.
std::string write_all(const std::vector<OutputFile>& files);

// The file a path names, through any symbolic links, so that a link is
// written through rather than replaced (platform part).
std::string link_target(const std::string& path);

// Replaces `to` by `from` in one step; a file replaced keeps its permissions
// (platform part).
bool replace_file(const std::string& from, const std::string& to);

// Lets the console show the UTF-8 that tarn prints (platform part).
void prepare_console();

} // namespace tarn_cli
