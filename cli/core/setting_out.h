// The setting-out table: one row per vertex, as CSV in UTF-8 with a byte-order
// mark so that spreadsheet programs on Japanese Windows read it as UTF-8.
#pragma once

#include "construction.h"

#include <cstdio>
#include <string>

namespace tarn_cli {

enum class Language { japanese, english };
// drawing: X east, Y north, directions counter-clockwise from +X;
// survey: X north, Y east (plane rectangular coordinates), directions as
// azimuths clockwise from north.
enum class Axes { drawing, survey };

std::string setting_out_csv(const Result& result, Language language, Axes axes);
// The same, streamed to a file.
void write_setting_out_csv(std::FILE* out, const Result& result, Language language, Axes axes);

} // namespace tarn_cli
