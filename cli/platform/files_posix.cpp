#include "output_files.h"

#include <climits>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn_cli {

std::string link_target(const std::string& path) {
    std::string current = path;
    // As many links as the kernel itself follows; a loop ends there and
    // fails when written.
    for (int i = 0; i < 40; ++i) {
        struct stat st;
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        char target[PATH_MAX];
        const ssize_t n = readlink(current.c_str(), target, sizeof target);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof target)) {
            return current;
        }
        const std::string next(target, static_cast<std::size_t>(n));
        const std::size_t slash = current.rfind('/');
        current = next[0] == '/' || slash == std::string::npos
                      ? next
                      : current.substr(0, slash + 1) + next;
    }
    return current;
}

bool replace_file(const std::string& from, const std::string& to) {
    struct stat st;
    if (stat(to.c_str(), &st) == 0 && chmod(from.c_str(), st.st_mode & 07777) != 0) {
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void prepare_console() {}

} // namespace tarn_cli
