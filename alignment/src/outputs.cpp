#include "tarn/alignment/outputs.h"

namespace tarn::alignment {

std::vector<OutputWriter> output_writers(const Alignment& a, const OutputRequest& r) {
    std::vector<OutputWriter> files;
    if (!r.landxml_path.empty()) {
        files.push_back({r.landxml_path, [&a, &r](std::FILE* out) {
                             write_landxml(out, a, r.landxml, r.report.centre_stakes);
                         }});
    }
    if (!r.report_path.empty()) {
        files.push_back(
            {r.report_path, [&a, &r](std::FILE* out) { write_report_html(out, a, r.report); }});
    }
    if (!r.dxf_path.empty()) {
        files.push_back({r.dxf_path, [&a, &r](std::FILE* out) {
                             write_dxf(out, a, r.report.centre_stakes, r.report.width_stakes);
                         }});
    }
    if (!r.svg_path.empty()) {
        files.push_back(
            {r.svg_path, [&a, &r](std::FILE* out) { write_plan_svg(out, a, r.report); }});
    }
    return files;
}

} // namespace tarn::alignment
