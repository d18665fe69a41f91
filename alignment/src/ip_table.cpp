#include "tarn/alignment/ip_table.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace tarn::alignment {
namespace {

enum Column { kName, kX, kY, kType, kR, kA1, kA2, kR2, kAe, kLc1, kLc2, kColumnCount };

struct ColumnName {
    const char* japanese;
    const char* english;
};

constexpr std::array<ColumnName, kColumnCount> kColumns = {{{"点名", "name"},
                                                            {"X", "x"},
                                                            {"Y", "y"},
                                                            {"線形", "type"},
                                                            {"R", "r"},
                                                            {"A1", "a1"},
                                                            {"A2", "a2"},
                                                            {"R2", "r2"},
                                                            {"Ae", "ae"},
                                                            {"Lc1", "lc1"},
                                                            {"Lc2", "lc2"}}};

struct TypeName {
    const char* japanese;
    const char* english;
    CurveType type;
};

constexpr std::array<TypeName, 5> kTypes = {{{"単曲線", "circle", CurveType::circle},
                                             {"基本型", "clothoid", CurveType::clothoid},
                                             {"凸型", "convex", CurveType::convex},
                                             {"卵形", "egg", CurveType::egg},
                                             {"なし", "none", CurveType::none}}};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

struct Record {
    int line = 0;
    std::vector<std::string> fields;
};

// RFC 4180 fields as Excel writes them: quotes around a field that holds a
// comma, a quote (doubled) or a line end; lines end in CR LF or LF.
std::vector<Record> split_records(std::string_view text, std::vector<InputError>& errors) {
    std::vector<Record> records;
    Record record{1, {}};
    std::string field;
    int line = 1;
    bool in_quotes = false;
    bool was_quoted = false; // the field's closing quote has been read
    const auto end_field = [&] {
        record.fields.push_back(was_quoted ? field : trimmed(field));
        field.clear();
        was_quoted = false;
    };
    const auto end_record = [&] {
        end_field();
        bool blank = true;
        for (const std::string& f : record.fields) {
            blank = blank && f.empty();
        }
        if (!blank) {
            records.push_back(std::move(record));
        }
        record = Record{line, {}};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_quotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                in_quotes = false;
                was_quoted = true;
            } else {
                line += c == '\n';
                field += c;
            }
        } else if (c == ',') {
            end_field();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            ++line;
            end_record();
        } else if (was_quoted) {
            if (c != ' ' && c != '\t') {
                errors.push_back({line, "text after the closing quote of a field"});
                return {};
            }
        } else if (c == '"' && trimmed(field).empty()) {
            in_quotes = true;
            field.clear();
        } else {
            field += c;
        }
    }
    if (in_quotes) {
        errors.push_back({record.line, "a quoted field is not closed"});
        return {};
    }
    end_record();
    return records;
}

// Coordinates, radii, parameters and lengths beyond this are no road, and
// squaring them would overflow.
constexpr double kLargestValue = 1e7;

std::optional<double> number(const std::string& text) {
    if (text.empty()) {
        return 0.0;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

IpTable read_ip_table(std::string_view bytes) {
    IpTable table;
    std::string text;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        if (!is_utf8(bytes)) {
            table.errors.push_back({0, "the file has a UTF-8 byte-order mark but is not UTF-8"});
            return table;
        }
        text = bytes;
    } else if (is_utf8(bytes)) {
        text = bytes;
    } else if (!cp932_to_utf8(bytes, text)) {
        table.errors.push_back({0, "the file is neither UTF-8 nor Shift_JIS (CP932)"});
        return table;
    }

    const std::vector<Record> records = split_records(text, table.errors);
    if (!table.errors.empty()) {
        return table;
    }
    if (records.empty()) {
        table.errors.push_back({0, "the file holds no header row"});
        return table;
    }
    const Record& header = records.front();
    std::array<int, kColumnCount> column_of;
    column_of.fill(-1);
    std::string unknown;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string& name = header.fields[i];
        int found = -1;
        for (int c = 0; c < kColumnCount; ++c) {
            if (name == kColumns[c].japanese || lower(name) == kColumns[c].english) {
                found = c;
            }
        }
        if (found < 0) {
            if (name.empty() && i + 1 == header.fields.size()) {
                continue; // a trailing comma
            }
            unknown += (unknown.empty() ? "\"" : ", \"") + name + "\"";
        } else if (column_of[found] >= 0) {
            table.errors.push_back({header.line, "column \"" + name + "\" appears twice"});
        } else {
            column_of[found] = static_cast<int>(i);
        }
    }
    if (!unknown.empty()) {
        table.errors.push_back({header.line, "unknown column(s) " + unknown});
    }
    for (const int c : {kX, kY}) {
        if (column_of[c] < 0) {
            table.errors.push_back(
                {header.line, std::string("the column ") + kColumns[c].japanese + " is missing"});
        }
    }
    if (!table.errors.empty()) {
        return table;
    }
    if (records.size() < 3) {
        table.errors.push_back({0, "the table needs at least BP and EP"});
        return table;
    }

    const std::size_t last = records.size() - 1;
    for (std::size_t r = 1; r <= last; ++r) {
        const Record& record = records[r];
        const auto field = [&](int c) -> std::string {
            const int at = column_of[c];
            return at >= 0 && static_cast<std::size_t>(at) < record.fields.size()
                       ? record.fields[static_cast<std::size_t>(at)]
                       : std::string();
        };
        for (std::size_t i = 0; i < record.fields.size(); ++i) {
            bool known = false;
            for (const int at : column_of) {
                known = known || at == static_cast<int>(i);
            }
            if (!known && !record.fields[i].empty()) {
                table.errors.push_back({record.line, "a value outside the header's columns"});
                break;
            }
        }
        IntersectionPoint ip;
        ip.name = field(kName);
        const bool end = r == 1 || r == last;
        if (ip.name.empty()) {
            ip.name = r == 1 ? "BP" : r == last ? "EP" : "IP" + std::to_string(r - 1);
        }
        double values[kColumnCount] = {};
        bool numbers_ok = true;
        for (const int c : {kX, kY, kR, kA1, kA2, kR2, kAe, kLc1, kLc2}) {
            const auto value = number(field(c));
            if (!value) {
                table.errors.push_back({record.line, ip.name + ": " + kColumns[c].japanese +
                                                         " is not a number: \"" + field(c) + "\""});
                numbers_ok = false;
            } else if (std::fabs(*value) > kLargestValue) {
                table.errors.push_back(
                    {record.line, ip.name + ": " + kColumns[c].japanese +
                                      " is out of range (beyond ±10,000 km): \"" + field(c) +
                                      "\""});
                numbers_ok = false;
            } else {
                values[c] = *value;
            }
        }
        if (field(kX).empty() || field(kY).empty()) {
            table.errors.push_back({record.line, ip.name + ": X and Y are both needed"});
            numbers_ok = false;
        }
        const std::string type = field(kType);
        std::optional<CurveType> curve;
        if (type.empty() && end) {
            curve = CurveType::none;
        }
        for (const TypeName& t : kTypes) {
            if (type == t.japanese || lower(type) == t.english) {
                curve = t.type;
            }
        }
        if (end && curve != CurveType::none) {
            table.errors.push_back({record.line, ip.name + ": BP and EP take no curve type"});
        } else if (!curve) {
            table.errors.push_back(
                {record.line, ip.name + (type.empty() ? ": the curve type is missing"
                                                      : ": unknown curve type \"" + type + "\"")});
        }
        if (!numbers_ok || !curve) {
            continue;
        }
        ip.point = {values[kX], values[kY]};
        ip.spec.type = *curve;
        ip.spec.r = values[kR];
        ip.spec.a1 = values[kA1];
        ip.spec.a2 = values[kA2];
        ip.spec.r2 = values[kR2];
        ip.spec.ae = values[kAe];
        ip.spec.lc1 = values[kLc1];
        ip.spec.lc2 = values[kLc2];
        table.points.push_back(std::move(ip));
    }
    if (!table.errors.empty()) {
        table.points.clear();
    }
    return table;
}

} // namespace tarn::alignment
