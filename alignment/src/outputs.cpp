#include "tarn/alignment/outputs.h"

namespace tarn::alignment {

std::vector<std::pair<std::string, std::string>> render_outputs(const Alignment& a,
                                                                const OutputRequest& r) {
    std::vector<std::pair<std::string, std::string>> files;
    if (!r.landxml_path.empty()) {
        files.emplace_back(r.landxml_path, write_landxml(a, r.landxml, r.report.centre_stakes));
    }
    if (!r.report_path.empty()) {
        files.emplace_back(r.report_path, write_report_html(a, r.report));
    }
    if (!r.dxf_path.empty()) {
        DxfOptions dxf;
        dxf.stakes = r.report.centre_stakes;
        dxf.width_stakes = r.report.width_stakes;
        files.emplace_back(r.dxf_path, write_dxf(a, dxf));
    }
    if (!r.svg_path.empty()) {
        files.emplace_back(r.svg_path, write_plan_svg(a, r.report));
    }
    return files;
}

} // namespace tarn::alignment
