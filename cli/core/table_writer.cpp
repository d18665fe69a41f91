#include "table_writer.h"

#include <cstring>

namespace tarn_cli {
namespace {

// The bytes that make a CSV field need quotes.
struct Special {
    bool byte[256] = {};
    constexpr Special() {
        byte[static_cast<unsigned char>(',')] = true;
        byte[static_cast<unsigned char>('"')] = true;
        byte[static_cast<unsigned char>('\r')] = true;
        byte[static_cast<unsigned char>('\n')] = true;
    }
};
constexpr Special kSpecial;

} // namespace

TableWriter::TableWriter() {
    out_ << "\xEF\xBB\xBF";
}

TableWriter::TableWriter(std::FILE* sink) : out_(sink) {
    out_ << "\xEF\xBB\xBF";
}

TableWriter& TableWriter::text(std::string_view field) {
    // Without a branch per byte: names and stations are short and never quoted.
    bool special = false;
    for (const char c : field) {
        special |= kSpecial.byte[static_cast<unsigned char>(c)];
    }
    if (!special) {
        char* p = separate(field.size());
        std::memcpy(p, field.data(), field.size());
        commit(p + field.size());
        return *this;
    }
    char* p = separate(field.size() * 2 + 2);
    *p++ = '"';
    for (const char c : field) {
        *p++ = c;
        if (c == '"') {
            *p++ = '"';
        }
    }
    *p++ = '"';
    commit(p);
    return *this;
}

} // namespace tarn_cli
