// The command-line options of the stand-in CAD program.
#pragma once

#include "cadsim/numbers.h"
#include "cadsim/window_names.h"

#include <optional>
#include <string>
#include <vector>

namespace cadsim {

enum class Product { Lt, Full };

struct Options {
    Product product = Product::Lt;
    std::wstring drawing = kDefaultDrawing;
    std::wstring dxf_path;
    std::vector<Point> picks;
    bool refuse_copydata = false;
    unsigned prompt_delay_ms = 0;
    unsigned startup_delay_ms = 0;
    unsigned long long exit_after_commands = 0; // 0: never
    // Faults of a real CAD program, for the callers' tests.
    unsigned long long hang_after_commands = 0; // 0: never
    std::optional<unsigned> hang_ms;            // none: for ever
    unsigned long long die_after_inputs = 0;    // 0: never
    bool help = false;
};

struct OptionsResult {
    Options options;
    std::wstring error; // empty when the arguments were read
};

// Arguments without the program name.
OptionsResult parse_options(const std::vector<std::wstring>& args);

std::wstring usage_text();

std::wstring main_caption(const Options& options);
std::wstring text_caption(const Options& options);

} // namespace cadsim
