// What the fuzz targets share: reading a fuzzer's bytes as settings and as
// wide text that can hold any code unit, and failing an input loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::fuzz {

// A broken invariant is a finding: the fuzzer keeps the input as a crash.
inline void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Separates the texts of one input (prompt, history, arguments ...).
inline constexpr wchar_t kSeparator = L'\x1F';

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next byte; 0 once the input is used up.
    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::string_view rest_bytes() const {
        return {reinterpret_cast<const char*>(data_ + position_), size_ - position_};
    }
    // The rest as wide text. An odd first byte: two bytes per code unit,
    // little-endian, so every code unit can occur. Otherwise UTF-8 up to
    // three bytes, where a byte that starts no valid sequence stands for the
    // code unit of its own value: readable seeds that still reach 0x80-0xFF.
    std::wstring rest_wide() {
        const bool pairs = (byte() & 1) != 0;
        const std::string_view bytes = rest_bytes();
        position_ = size_;
        return pairs ? from_pairs(bytes) : from_utf8(bytes);
    }

    static std::wstring from_pairs(std::string_view bytes) {
        std::wstring text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) |
                                                (static_cast<uint8_t>(bytes[i + 1]) << 8)));
        }
        return text;
    }

    static std::wstring from_utf8(std::string_view bytes) {
        std::wstring text;
        const auto at = [&](std::size_t k) { return static_cast<uint8_t>(bytes[k]); };
        const auto follows = [&](std::size_t k) {
            return k < bytes.size() && (at(k) & 0xC0) == 0x80;
        };
        std::size_t i = 0;
        while (i < bytes.size()) {
            const uint8_t b = at(i);
            if ((b & 0xE0) == 0xC0 && follows(i + 1)) {
                text.push_back(static_cast<wchar_t>(((b & 0x1F) << 6) | (at(i + 1) & 0x3F)));
                i += 2;
            } else if ((b & 0xF0) == 0xE0 && follows(i + 1) && follows(i + 2)) {
                text.push_back(static_cast<wchar_t>(((b & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) |
                                                    (at(i + 2) & 0x3F)));
                i += 3;
            } else {
                text.push_back(static_cast<wchar_t>(b));
                ++i;
            }
        }
        return text;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Exactly count texts: split at the separator, the last one keeps the rest,
// missing ones are empty.
inline std::vector<std::wstring> split(std::wstring_view text, std::size_t count) {
    std::vector<std::wstring> parts;
    while (parts.size() + 1 < count) {
        const std::size_t at = text.find(kSeparator);
        if (at == std::wstring_view::npos) {
            break;
        }
        parts.emplace_back(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    parts.emplace_back(text);
    parts.resize(count);
    return parts;
}

} // namespace tarn::fuzz
