// The stand-in CAD's parsers. The first byte picks one:
//   0: a session of the command-line engine. The text is typed key by key;
//      private-use characters act instead: U+E000 + k picks a point built
//      from k, U+E100 ends a busy spell, U+E101 / U+E102 turn the delay
//      after commands on / off, U+E103 takes the screen request, U+E104
//      adds a note. The drawing is then written as DXF and read back.
//   1: the command-line options, arguments split at U+001F.
//   2: the number parsers and formatters: a raw double, a decimal count and
//      a text.
#include "cadsim/dxf.h"
#include "cadsim/engine.h"
#include "cadsim/options.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using namespace cadsim;
using tarn::fuzz::require;

const double kValues[] = {0.0,
                          1.5,
                          -2.25,
                          1e300,
                          -1e-300,
                          123456.789,
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()};

bool finite(const Point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool same(double a, double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

void check_engine(const Engine& engine) {
    const std::wstring line = engine.command_line();
    require(line.compare(0, engine.prompt().size(), engine.prompt()) == 0,
            "the command line starts with the prompt");
    require(line.size() <= engine.prompt().size() + kMaxInputChars, "typed input is bounded");
    require(engine.history_lines().size() <= kMaxHistoryLines, "the history is bounded");
    require(!engine.busy() || line.empty(), "a busy command line is empty");
    for (const Entity& entity : engine.entities()) {
        require(entity.kind == EntityKind::Line ? entity.points.size() == 2
                                                : entity.points.size() >= 2,
                "an entity has its vertices");
        for (const Point& p : entity.points) {
            require(finite(p), "drawn points are finite");
        }
    }
    for (const Point& p : engine.pending_points()) {
        require(finite(p), "pending points are finite");
    }
}

// The DXF as code/value pairs; the reals of every LINE and VERTEX read back
// as the very doubles of the drawing.
void check_dxf(const std::vector<Entity>& entities) {
    const std::string dxf = to_dxf(entities);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < dxf.size();) {
        const std::size_t end = dxf.find("\r\n", start);
        require(end != std::string::npos, "every DXF line ends with CR LF");
        lines.push_back(dxf.substr(start, end - start));
        start = end + 2;
    }
    require(lines.size() % 2 == 0, "DXF lines come in pairs");
    require(lines.size() >= 2 && lines[lines.size() - 1] == "EOF", "the DXF ends with EOF");
    std::vector<double> reals;
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        const int code = std::atoi(lines[i].c_str());
        if (code >= 10 && code < 40) {
            char* end = nullptr;
            const double value = std::strtod(lines[i + 1].c_str(), &end);
            require(*end == '\0' && std::isfinite(value), "a DXF real reads as a number");
            require(lines[i + 1].find_first_of(".eE") != std::string::npos,
                    "a DXF real has a decimal point");
            reals.push_back(value);
        }
    }
    std::size_t next = 0;
    const auto expect = [&](double value) {
        require(next < reals.size() && same(reals[next], value), "DXF reals round-trip");
        ++next;
    };
    for (const Entity& entity : entities) {
        if (entity.kind == EntityKind::Line) {
            for (const Point& p : entity.points) {
                expect(p.x);
                expect(p.y);
                expect(p.z);
            }
        } else {
            const double elevation = entity.points.front().z;
            expect(0.0);
            expect(0.0);
            expect(elevation);
            for (const Point& p : entity.points) {
                expect(p.x);
                expect(p.y);
                expect(elevation);
            }
        }
    }
    require(next == reals.size(), "the DXF holds no other reals");
}

void engine_session(const std::wstring& text) {
    Engine engine;
    std::size_t typed_from = 0;
    const auto type_pending = [&](std::size_t end) {
        if (end > typed_from) {
            engine.type(std::wstring_view(text).substr(typed_from, end - typed_from));
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < 0xE000 || c > 0xE104) {
            continue;
        }
        type_pending(i);
        typed_from = i + 1;
        if (c < 0xE100) {
            const unsigned k = c - 0xE000;
            const Point point{kValues[k & 7], kValues[(k >> 3) & 7], kValues[(k >> 6) & 3]};
            const bool asked = engine.asks_point();
            require(engine.pick(point) == (asked && finite(point)),
                    "a pick is taken exactly when a point is asked");
        } else if (c == 0xE100) {
            engine.become_idle();
        } else if (c == 0xE101 || c == 0xE102) {
            engine.set_delay_after_commands(c == 0xE101);
        } else if (c == 0xE103) {
            engine.take_screen_request();
            require(!engine.take_screen_request(), "a screen request is taken once");
        } else {
            engine.note(L"note");
        }
        check_engine(engine);
    }
    type_pending(text.size());
    check_engine(engine);
    check_dxf(engine.entities());
}

void options(const std::wstring& text) {
    std::vector<std::wstring> args;
    if (!text.empty()) {
        args = tarn::fuzz::split(text, 16);
        while (!args.empty() && args.back().empty()) {
            args.pop_back();
        }
    }
    const OptionsResult result = parse_options(args);
    require(!usage_text().empty(), "there is a usage text");
    if (!result.error.empty()) {
        return;
    }
    const Options& options = result.options;
    require(!options.drawing.empty(), "a drawing name is never empty");
    require(main_caption(options).find(options.drawing) != std::wstring::npos,
            "the caption names the drawing");
    require(!text_caption(options).empty(), "the text window has a caption");
    for (const Point& p : options.picks) {
        require(finite(p), "picked points are finite");
    }
    require(options.prompt_delay_ms <= 3600000 && options.startup_delay_ms <= 3600000 &&
                options.hang_ms.value_or(0) <= 3600000,
            "delays are bounded");
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

void numbers(tarn::fuzz::FuzzInput& input) {
    double raw = 0.0;
    uint8_t bytes[sizeof raw];
    for (auto& b : bytes) {
        b = input.byte();
    }
    std::memcpy(&raw, bytes, sizeof raw);
    const int decimals = static_cast<int8_t>(input.byte());
    const std::wstring text = input.rest_wide();

    for (const double value : {raw, parse_real(text).value_or(0.0)}) {
        const std::wstring fixed = format_fixed(value, decimals);
        const auto fixed_back = parse_real(fixed);
        require(fixed_back.has_value(), "fixed form reads back");
        require(!(fixed[0] == L'-' && *fixed_back == 0.0), "no minus zero in fixed form");
        if (std::isfinite(value)) {
            const auto back = parse_real(widen(format_round_trip(value)));
            require(back && same(*back, value), "the shortest form reads back exactly");
        }
    }
    if (const auto value = parse_real(text)) {
        require(std::isfinite(*value), "a parsed real is finite");
    }
    if (const auto point = parse_point(text)) {
        require(finite(*point), "a parsed point is finite");
    }
    if (const auto value = parse_int(text)) {
        require(parse_int(std::to_wstring(*value)) == value, "an integer reads back");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tarn::fuzz::FuzzInput input(data, size);
    switch (input.byte() % 3) {
    case 0:
        engine_session(input.rest_wide());
        break;
    case 1:
        options(input.rest_wide());
        break;
    default:
        numbers(input);
        break;
    }
    return 0;
}
