#include "tarn2/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarn::app {

std::wstring format_number(double value, wchar_t decimal_point) {
    if (value == 0.0) {
        return L"0"; // also for -0
    }
    if (std::isnan(value)) {
        return L"NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? L"Infinity" : L"-Infinity";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text(buffer);
    // Some C runtimes write three exponent digits; the standard form has two
    // at least.
    const std::string::size_type e = text.find('E');
    if (e != std::string::npos && e + 2 < text.size()) {
        std::string digits = text.substr(e + 2);
        while (digits.size() > 2 && digits[0] == '0') {
            digits.erase(0, 1);
        }
        text = text.substr(0, e + 2) + digits;
    }
    std::wstring result;
    result.reserve(text.size());
    for (char c : text) {
        result.push_back(c == '.' ? decimal_point : static_cast<wchar_t>(c));
    }
    return result;
}

} // namespace tarn::app
