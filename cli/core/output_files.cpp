#include "output_files.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace tarn_cli {
namespace {

struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string temporary_name(const std::string& path) {
    return path + ".tarn-tmp";
}

// Writes one temporary file beside `target`; empty on success.
std::string write_temporary(const OutputFile& file, const std::string& target) {
    const std::string temporary = temporary_name(target);
    std::unique_ptr<std::FILE, Closer> stream(
        std::fopen(temporary.c_str(), file.text_mode ? "w" : "wb"));
    if (!stream) {
        return file.path + ": cannot be written: " + std::strerror(errno);
    }
    file.write(stream.get());
    const bool failed = std::ferror(stream.get()) != 0;
    if (std::fclose(stream.release()) != 0 || failed) {
        std::remove(temporary.c_str());
        return file.path + ": writing failed";
    }
    return {};
}

} // namespace

OutputFile bytes_file(std::string path, std::string bytes) {
    return {std::move(path), false, [bytes = std::move(bytes)](std::FILE* out) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
            }};
}

std::string write_all(const std::vector<OutputFile>& files) {
    std::vector<std::string> targets;
    for (const OutputFile& file : files) {
        targets.push_back(link_target(file.path));
    }
    std::size_t written = 0;
    std::string error;
    for (; written < files.size(); ++written) {
        error = write_temporary(files[written], targets[written]);
        if (!error.empty()) {
            break;
        }
    }
    if (error.empty()) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!replace_file(temporary_name(targets[i]), targets[i])) {
                error = files[i].path + ": cannot be replaced";
                break;
            }
        }
    }
    if (!error.empty()) {
        for (std::size_t i = 0; i < written; ++i) {
            std::remove(temporary_name(targets[i]).c_str());
        }
    }
    return error;
}

} // namespace tarn_cli
