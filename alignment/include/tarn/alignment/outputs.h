// Every file output of one alignment rendered to bytes, for the subcommand
// to write all or none: a thin join of the writers until `tarn alignment`
// calls them itself.
#pragma once

#include "tarn/alignment/dxf.h"
#include "tarn/alignment/landxml.h"
#include "tarn/alignment/report.h"

#include <string>
#include <utility>
#include <vector>

namespace tarn::alignment {

struct OutputRequest {
    std::string landxml_path; // empty: not asked for
    std::string report_path;
    std::string dxf_path;
    std::string svg_path;
    LandXmlOptions landxml;
    ReportOptions report; // its stakes also feed the LandXML and the DXF
};

// (path, bytes) for each file asked for, in the order above.
std::vector<std::pair<std::string, std::string>> render_outputs(const Alignment& alignment,
                                                                const OutputRequest& request);

} // namespace tarn::alignment
