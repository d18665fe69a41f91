#include "output_files.h"

#include <cstdio>

namespace tarn_cli {

bool replace_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void prepare_console() {}

} // namespace tarn_cli
