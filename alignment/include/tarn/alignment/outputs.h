// Every file output of one alignment as a writer that streams it to a file,
// for the subcommand to write all or none.
#pragma once

#include "tarn/alignment/dxf.h"
#include "tarn/alignment/landxml.h"
#include "tarn/alignment/report.h"

#include <cstdio>
#include <functional>
#include <string>
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

struct OutputWriter {
    std::string path;
    std::function<void(std::FILE*)> write;
};

// A writer for each file asked for, in the order above; they refer to the
// alignment and the request, which must outlive them.
std::vector<OutputWriter> output_writers(const Alignment& alignment, const OutputRequest& request);

} // namespace tarn::alignment
