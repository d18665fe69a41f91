#include "drafthand/text.h"

#include "drafthand/errors.h"

#include <vector>

namespace drafthand {
namespace {

std::wstring replace_all(std::wstring_view text, std::wstring_view from, wchar_t to) {
    std::wstring result;
    result.reserve(text.size());
    size_t position = 0;
    while (position < text.size()) {
        if (text.compare(position, from.size(), from) == 0) {
            result.push_back(to);
            position += from.size();
        } else {
            result.push_back(text[position]);
            ++position;
        }
    }
    return result;
}

// One pattern element that stands for exactly one character ("*" is kept
// apart as a star element).
struct PatternElement {
    enum class Kind { Star, Any, Digit, Literal, List } kind = Kind::Literal;
    wchar_t literal = 0;
    bool negated = false;
    std::vector<std::pair<wchar_t, wchar_t>> ranges; // inclusive

    bool accepts(wchar_t c) const {
        switch (kind) {
        case Kind::Any:
            return true;
        case Kind::Digit:
            return c >= L'0' && c <= L'9';
        case Kind::Literal:
            return c == literal;
        case Kind::List: {
            bool listed = false;
            for (const auto& [low, high] : ranges) {
                if (c >= low && c <= high) {
                    listed = true;
                    break;
                }
            }
            return listed != negated;
        }
        case Kind::Star:
            break;
        }
        return false;
    }
};

std::vector<PatternElement> parse_pattern(std::wstring_view pattern) {
    std::vector<PatternElement> elements;
    size_t i = 0;
    while (i < pattern.size()) {
        PatternElement element;
        const wchar_t c = pattern[i];
        if (c == L'*') {
            element.kind = PatternElement::Kind::Star;
            // Runs of stars mean the same as one.
            if (elements.empty() || elements.back().kind != PatternElement::Kind::Star) {
                elements.push_back(element);
            }
            ++i;
            continue;
        }
        if (c == L'?') {
            element.kind = PatternElement::Kind::Any;
        } else if (c == L'#') {
            element.kind = PatternElement::Kind::Digit;
        } else if (c == L'[') {
            const size_t close = pattern.find(L']', i + 1);
            if (close == std::wstring_view::npos) {
                element.literal = c;
            } else {
                std::wstring_view list = pattern.substr(i + 1, close - i - 1);
                i = close + 1;
                if (list.empty()) {
                    continue; // "[]" matches no character at all
                }
                element.kind = PatternElement::Kind::List;
                if (list.front() == L'!') {
                    element.negated = true;
                    list.remove_prefix(1);
                }
                for (size_t k = 0; k < list.size(); ++k) {
                    if (k + 2 < list.size() && list[k + 1] == L'-') {
                        wchar_t low = list[k];
                        wchar_t high = list[k + 2];
                        if (high < low) {
                            std::swap(low, high);
                        }
                        element.ranges.emplace_back(low, high);
                        k += 2;
                    } else {
                        element.ranges.emplace_back(list[k], list[k]);
                    }
                }
                elements.push_back(std::move(element));
                continue;
            }
        } else {
            element.literal = c;
        }
        elements.push_back(std::move(element));
        ++i;
    }
    return elements;
}

} // namespace

std::wstring ExpandEscapes(std::wstring_view text) {
    std::wstring result = replace_all(text, L"^C", L'\x03');
    result = replace_all(result, L"^M", L'\r');
    return replace_all(result, L"^J", L'\n');
}

std::wstring& StripQuotes(std::wstring& text) {
    if (!text.empty() && text.front() == L'"' && text.back() == L'"') {
        if (text.size() == 1) {
            raise_general(runtime_error::InvalidArgument);
        }
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

bool begins_with(std::wstring_view title, std::wstring_view prefix) {
    return title.size() >= prefix.size() && title.compare(0, prefix.size(), prefix) == 0;
}

bool matches_pattern(std::wstring_view text, std::wstring_view pattern) {
    const std::vector<PatternElement> elements = parse_pattern(pattern);
    // Every element but a star takes exactly one character, so the classic
    // scan that backtracks only to the last star is exact and never worse
    // than quadratic.
    size_t t = 0;
    size_t p = 0;
    size_t star_element = std::wstring_view::npos;
    size_t star_text = 0;
    while (t < text.size()) {
        if (p < elements.size() && elements[p].kind == PatternElement::Kind::Star) {
            star_element = p++;
            star_text = t;
        } else if (p < elements.size() && elements[p].accepts(text[t])) {
            ++p;
            ++t;
        } else if (star_element != std::wstring_view::npos) {
            p = star_element + 1;
            t = ++star_text;
        } else {
            return false;
        }
    }
    while (p < elements.size() && elements[p].kind == PatternElement::Kind::Star) {
        ++p;
    }
    return p == elements.size();
}

} // namespace drafthand
