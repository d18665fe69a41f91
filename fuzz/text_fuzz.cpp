// The text handling of the command channel and the script language. Two
// setting bytes (read chunk, longest line), then the input is both the bytes
// of a script file for the line reader and wide text split at U+001F into a
// text and a pattern for ExpandEscapes, StripQuotes and matches_pattern.
// Lines and matches are compared with plain reference readings.
#include "drafthand/errors.h"
#include "drafthand/script/line_reader.h"
#include "drafthand/text.h"
#include "fuzz_input.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using namespace drafthand;
using drafthand::script::LineReader;
using drafthand::script::ScriptFile;
using tarn::fuzz::require;

// Longest text or pattern given to the quadratic reference matcher.
constexpr std::size_t kMatchLimit = 512;

class ChunkedFile : public ScriptFile {
public:
    ChunkedFile(std::string_view bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk) {}
    bool read(char* buffer, std::size_t capacity, std::size_t& count, ErrorRecord&) override {
        count = std::min({capacity, chunk_, bytes_.size()});
        std::memcpy(buffer, bytes_.data(), count);
        bytes_.remove_prefix(count);
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t chunk_;
};

// Lines end at CR LF, CR or LF; the last needs no end. A line longer than
// the limit ends the reading (marked by nullopt).
std::vector<std::optional<std::string>> reference_lines(std::string_view bytes, std::size_t limit) {
    std::vector<std::optional<std::string>> lines;
    std::size_t position = 0;
    while (position < bytes.size()) {
        std::size_t end = position;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        if (end - position > limit) {
            lines.emplace_back(std::nullopt);
            return lines;
        }
        lines.emplace_back(std::string(bytes.substr(position, end - position)));
        if (end == bytes.size()) {
            break;
        }
        position = end + 1;
        if (bytes[end] == '\r' && position < bytes.size() && bytes[position] == '\n') {
            ++position;
        }
    }
    return lines;
}

void check_line_reader(std::string_view bytes, std::size_t chunk, std::size_t limit) {
    ChunkedFile file(bytes, chunk);
    LineReader reader(file, limit);
    std::vector<std::optional<std::string>> lines;
    std::string line;
    ErrorRecord error;
    for (;;) {
        const LineReader::Status status = reader.next(line, error);
        require(status != LineReader::Status::read_failed, "the file never fails");
        if (status == LineReader::Status::end) {
            break;
        }
        if (status == LineReader::Status::too_long) {
            lines.emplace_back(std::nullopt);
            require(reader.next(line, error) == LineReader::Status::end,
                    "a line too long ends the reading");
            break;
        }
        lines.emplace_back(line);
    }
    require(lines == reference_lines(bytes, limit), "the reader splits lines as they end");
}

// One element of a pattern; a star when star is set, else one character of
// the list (negated or not) or, without ranges and list, the literal.
struct Element {
    bool star = false;
    bool any = false;
    bool digit = false;
    bool negated = false;
    std::vector<std::pair<wchar_t, wchar_t>> ranges;

    bool accepts(wchar_t c) const {
        if (any) {
            return true;
        }
        if (digit) {
            return c >= L'0' && c <= L'9';
        }
        const bool listed = std::any_of(ranges.begin(), ranges.end(), [c](const auto& range) {
            return range.first <= c && c <= range.second;
        });
        return listed != negated;
    }
};

std::vector<Element> reference_elements(std::wstring_view pattern) {
    std::vector<Element> elements;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        Element element;
        const wchar_t c = pattern[i];
        const std::size_t close = c == L'[' ? pattern.find(L']', i + 1) : std::wstring_view::npos;
        if (c == L'*') {
            element.star = true;
        } else if (c == L'?') {
            element.any = true;
        } else if (c == L'#') {
            element.digit = true;
        } else if (close != std::wstring_view::npos) {
            std::wstring_view list = pattern.substr(i + 1, close - i - 1);
            i = close;
            if (list.empty()) {
                continue;
            }
            if (list[0] == L'!') {
                element.negated = true;
                list.remove_prefix(1);
            }
            while (!list.empty()) {
                if (list.size() >= 3 && list[1] == L'-') {
                    element.ranges.emplace_back(std::min(list[0], list[2]),
                                                std::max(list[0], list[2]));
                    list.remove_prefix(3);
                } else {
                    element.ranges.emplace_back(list[0], list[0]);
                    list.remove_prefix(1);
                }
            }
        } else {
            element.ranges.emplace_back(c, c);
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

// Whole-text match by dynamic programming over (text, element) positions.
bool reference_match(std::wstring_view text, std::wstring_view pattern) {
    const std::vector<Element> elements = reference_elements(pattern);
    const std::size_t n = text.size();
    // matched[t]: the elements from the current one on match text from t.
    std::vector<char> matched(n + 1, 0);
    matched[n] = 1;
    for (std::size_t e = elements.size(); e-- > 0;) {
        std::vector<char> before(n + 1, 0);
        for (std::size_t t = n + 1; t-- > 0;) {
            if (elements[e].star) {
                before[t] = matched[t] || (t < n && before[t + 1]);
            } else {
                before[t] = t < n && elements[e].accepts(text[t]) && matched[t + 1];
            }
        }
        matched.swap(before);
    }
    return matched[0] != 0;
}

// A pattern that matches exactly the text.
std::wstring literal_pattern(std::wstring_view text) {
    std::wstring pattern;
    for (const wchar_t c : text) {
        if (c == L'*' || c == L'?' || c == L'#' || c == L'[') {
            pattern += L'[';
            pattern += c;
            pattern += L']';
        } else {
            pattern += c;
        }
    }
    return pattern;
}

void check_escapes(std::wstring_view text) {
    const std::wstring expanded = ExpandEscapes(text);
    require(expanded.size() <= text.size(), "escapes only shrink a text");
    for (const wchar_t* escape : {L"^C", L"^M", L"^J"}) {
        require(expanded.find(escape) == std::wstring::npos, "no escape is left");
    }
    if (text.find(L'^') == std::wstring_view::npos) {
        require(expanded == text, "a text without escapes stays");
    }
}

void check_quotes(const std::wstring& text) {
    std::wstring stripped = text;
    try {
        StripQuotes(stripped);
    } catch (const DrafthandError& error) {
        require(text == L"\"" && error.record().number == runtime_error::InvalidArgument,
                "only a lone quote is refused");
        return;
    }
    const bool quoted = text.size() >= 2 && text.front() == L'"' && text.back() == L'"';
    require(stripped == (quoted ? text.substr(1, text.size() - 2) : text),
            "one enclosing pair of quotes goes");
}

void check_patterns(std::wstring_view text, std::wstring_view pattern) {
    require(matches_pattern(text, L"*"), "a star matches everything");
    require(matches_pattern(text, literal_pattern(text)), "a text matches its literal pattern");
    require(!matches_pattern(text, literal_pattern(text) + L"?"),
            "one more character does not match");
    if (text.size() <= kMatchLimit && pattern.size() <= kMatchLimit) {
        require(matches_pattern(text, pattern) == reference_match(text, pattern),
                "matching agrees with the reference");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tarn::fuzz::FuzzInput input(data, size);
    const std::size_t chunk = 1 + input.byte();
    const std::size_t limit = input.byte() * std::size_t{16};
    check_line_reader(input.rest_bytes(), chunk, limit);

    const std::vector<std::wstring> texts = tarn::fuzz::split(input.rest_wide(), 2);
    for (const auto& text : texts) {
        check_escapes(text);
        check_quotes(text);
    }
    check_patterns(texts[0], texts[1]);
    check_patterns(texts[1], texts[0]);
    return 0;
}
