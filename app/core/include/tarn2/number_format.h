// Writing numbers back into boxes: the shortest form with up to 15
// significant digits (40, 0.5, 1000, 1.5E-07), as the platform's standard
// number-to-text conversion writes them.
#pragma once

#include <string>

namespace tarn::app {

std::wstring format_number(double value, wchar_t decimal_point = L'.');

} // namespace tarn::app
