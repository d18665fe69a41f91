#include "tarn/alignment/ip_table.h"

#include <cstdint>

namespace tarn::alignment {
namespace {

#include "cp932_table.inc"

void append_utf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

int lead_index(unsigned b) {
    if (b >= 0x81 && b <= 0x9F) {
        return static_cast<int>(b - 0x81);
    }
    if (b >= 0xE0 && b <= 0xFC) {
        return static_cast<int>(b - 0xE0 + 0x1F);
    }
    return -1;
}

int trail_index(unsigned b) {
    if (b >= 0x40 && b <= 0x7E) {
        return static_cast<int>(b - 0x40);
    }
    if (b >= 0x80 && b <= 0xFC) {
        return static_cast<int>(b - 0x80 + 0x3F);
    }
    return -1;
}

} // namespace

bool cp932_to_utf8(std::string_view bytes, std::string& utf8) {
    utf8.clear();
    utf8.reserve(bytes.size() * 3 / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned b = static_cast<std::uint8_t>(bytes[i]);
        if (b < 0x80) {
            utf8 += static_cast<char>(b);
        } else if (b >= 0xA1 && b <= 0xDF) {
            append_utf8(utf8, 0xFF61 + (b - 0xA1)); // half-width katakana
        } else {
            const int lead = lead_index(b);
            if (lead < 0 || i + 1 >= bytes.size()) {
                return false;
            }
            const int trail = trail_index(static_cast<std::uint8_t>(bytes[i + 1]));
            if (trail < 0) {
                return false;
            }
            const unsigned code = kDoubleByte[static_cast<unsigned>(lead) * kTrailCount +
                                              static_cast<unsigned>(trail)];
            if (code == 0) {
                return false;
            }
            append_utf8(utf8, code);
            ++i;
        }
    }
    return true;
}

bool is_utf8(std::string_view bytes) {
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    while (i < bytes.size()) {
        const unsigned b = at(i);
        std::size_t extra = 0;
        unsigned code = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            code = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            code = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            code = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((at(i + k) & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (at(i + k) & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr unsigned kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

} // namespace tarn::alignment
