// `tarn alignment INPUT [options]`: a whole horizontal alignment from an IP
// table or a LandXML file, its stations and stakes, queries, tables, the
// LandXML, the report and the drawings.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tarn_cli {

struct AlignmentOptions {
    std::string input;
    std::string name;
    double bp_station = 0.0;
    std::vector<std::string> equations; // BACK=AHEAD
    double interval = 20.0;
    double pitch = 0.0;
    std::string width; // LEFT,RIGHT
    int zone = 0;      // 平面直角座標系 I-XIX, 0 when not given
    int speed = 0;     // km/h, 0 when not given
    std::string csv;   // PREFIX
    std::string landxml;
    std::string criterion = "MlitLandXmlVer.1.7";
    std::string report; // HTML
    std::string dxf;
    std::string svg;
    std::string alignment; // which Alignment of a LandXML input
    std::string lang = "ja";
    std::vector<std::string> at;     // displayed stations
    std::vector<std::string> locate; // X,Y
};

struct AlignmentCommand {
    AlignmentOptions options;
    CLI::App* command = nullptr;
};

// Registers the subcommand on app; the options fill in as app parses.
std::unique_ptr<AlignmentCommand> add_alignment_command(CLI::App& app);

// Runs it after a parse: 0, 1 for input refused, 2 for a usage error (as
// CLI::ValidationError, which the caller reports).
int run_alignment_command(const AlignmentCommand& command);

} // namespace tarn_cli
