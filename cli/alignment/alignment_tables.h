// The alignment's tables as CSV for Excel: the IP table, the elements, the
// main points and the stakes, headers in Japanese or English.
#pragma once

#include "tarn/alignment/alignment.h"
#include "tarn/alignment/stations.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tarn_cli {

enum class TableLanguage { japanese, english };

std::string ip_table_csv(const tarn::alignment::Alignment& a, TableLanguage language);
std::string elements_csv(const tarn::alignment::Alignment& a, TableLanguage language);
std::string main_points_csv(const tarn::alignment::Alignment& a, double interval,
                            TableLanguage language);
// Centre stakes, and left and right width stakes after each where widths
// are given.
std::string stakes_csv(const std::vector<tarn::alignment::CentreStake>& stakes, double interval,
                       bool widths, TableLanguage language);
// The same, streamed to a file.
void write_stakes_csv(std::FILE* out, const std::vector<tarn::alignment::CentreStake>& stakes,
                      double interval, bool widths, TableLanguage language);

// Radians clockwise from north to degrees in [0, 360).
double azimuth_degrees(double radians);

} // namespace tarn_cli
