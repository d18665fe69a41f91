#include "cadsim/options.h"

#include <algorithm>

namespace cadsim {
namespace {

constexpr unsigned kMaxDelayMs = 3600000;

std::optional<unsigned long long> parse_count(const std::wstring& text, unsigned long long max) {
    if (text.empty() || text.size() > 19) {
        return std::nullopt;
    }
    unsigned long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    if (value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<Point>> parse_pick_list(const std::wstring& text) {
    std::vector<Point> points;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(L';', start);
        const std::wstring part =
            text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        // A trailing ";" is forgiven; an empty point elsewhere is not.
        if (!(part.empty() && end == std::wstring::npos && !points.empty())) {
            const auto point = parse_point(part);
            if (!point) {
                return std::nullopt;
            }
            points.push_back(*point);
        }
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    return points;
}

std::wstring milliseconds_error(const std::wstring& arg, const std::wstring& value) {
    return arg + L" には 0 から " + std::to_wstring(kMaxDelayMs) +
           L" までのミリ秒を指定してください: " + value;
}

// Reads one option's value into the options; the error message otherwise.
using Setter = std::wstring (*)(Options&, const std::wstring& arg, const std::wstring& value);

std::wstring set_delay(unsigned& target, const std::wstring& arg, const std::wstring& value) {
    const auto ms = parse_count(value, kMaxDelayMs);
    if (!ms) {
        return milliseconds_error(arg, value);
    }
    target = static_cast<unsigned>(*ms);
    return {};
}

std::wstring set_count(unsigned long long& target, const std::wstring& arg,
                       const std::wstring& value) {
    const auto count = parse_count(value, 1000000000ULL);
    if (!count || *count == 0) {
        return arg + L" には 1 以上の整数を指定してください: " + value;
    }
    target = *count;
    return {};
}

// What an option sets: a flag, milliseconds, a count of at least 1, or
// something of its own.
struct OptionSpec {
    const wchar_t* name;
    const wchar_t* value; // shown in the help; nullptr for a flag
    const wchar_t* help;
    bool Options::*flag = nullptr;
    unsigned Options::*delay = nullptr;
    unsigned long long Options::*count = nullptr;
    Setter set = nullptr;
};

OptionSpec flag(const wchar_t* name, const wchar_t* help, bool Options::*target) {
    return {name, nullptr, help, target};
}
OptionSpec delay(const wchar_t* name, const wchar_t* help, unsigned Options::*target) {
    return {name, L"MS", help, nullptr, target};
}
OptionSpec count(const wchar_t* name, const wchar_t* help, unsigned long long Options::*target) {
    return {name, L"N", help, nullptr, nullptr, target};
}
OptionSpec custom(const wchar_t* name, const wchar_t* value, const wchar_t* help, Setter set) {
    return {name, value, help, nullptr, nullptr, nullptr, set};
}

// The one list of options: the parser reads it and the help is made from it.
const OptionSpec kOptions[] = {
    custom(L"--product", L"lt|full", L"製品 (既定 lt: \"AutoCAD LT\"、full: \"AutoCAD\")",
           [](Options& o, const std::wstring&, const std::wstring& value) -> std::wstring {
               if (value == L"lt") {
                   o.product = Product::Lt;
               } else if (value == L"full") {
                   o.product = Product::Full;
               } else {
                   return L"--product には lt または full を指定してください: " + value;
               }
               return {};
           }),
    custom(L"--drawing", L"NAME", L"キャプションの図面名 (既定 Drawing1.dwg)",
           [](Options& o, const std::wstring&, const std::wstring& value) -> std::wstring {
               o.drawing = value;
               return value.empty() ? L"--drawing には図面名を指定してください。" : L"";
           }),
    custom(L"--dxf", L"PATH", L"図面を変更するコマンドの後と終了時に DXF (R12) を書く",
           [](Options& o, const std::wstring&, const std::wstring& value) -> std::wstring {
               o.dxf_path = value;
               return value.empty() ? L"--dxf にはファイル名を指定してください。" : L"";
           }),
    custom(L"--pick", L"x,y[,z];...", L"ID の点の指定にこれらの点で順に答える",
           [](Options& o, const std::wstring&, const std::wstring& value) -> std::wstring {
               const auto picks = parse_pick_list(value);
               if (!picks) {
                   return L"--pick の点を読み取れません (x,y[,z];x,y[,z];...): " + value;
               }
               o.picks = *picks;
               return {};
           }),
    flag(L"--refuse-copydata", L"WM_COPYDATA を拒否する (0 を返す)", &Options::refuse_copydata),
    delay(L"--prompt-delay", L"コマンド終了後、MS ミリ秒後に \"ｺﾏﾝﾄﾞ: \" を表示する",
          &Options::prompt_delay_ms),
    delay(L"--startup-delay", L"起動後 MS ミリ秒たってから入力待ちになる",
          &Options::startup_delay_ms),
    count(L"--exit-after-commands", L"N 個のコマンドが終わったら終了する",
          &Options::exit_after_commands),
    count(L"--hang-after", L"N 個のコマンドが終わったらメッセージを処理しなくなる",
          &Options::hang_after_commands),
    custom(L"--hang-ms", L"MS", L"--hang-after の停止を MS ミリ秒で終える (既定: 終えない)",
           [](Options& o, const std::wstring& arg, const std::wstring& value) -> std::wstring {
               unsigned ms = 0;
               std::wstring error = set_delay(ms, arg, value);
               if (error.empty()) {
                   o.hang_ms = ms;
               }
               return error;
           }),
    count(L"--die-after", L"N 個の入力を受けたら保存もせずに即座に終了する",
          &Options::die_after_inputs),
    flag(L"--help", L"この一覧を表示する", &Options::help),
};

const OptionSpec* find_option(const std::wstring& arg) {
    // -h and /? are the help's other names, as Windows programs take them.
    const std::wstring name = arg == L"-h" || arg == L"/?" ? L"--help" : arg;
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.name) {
            return &spec;
        }
    }
    return nullptr;
}

} // namespace

OptionsResult parse_options(const std::vector<std::wstring>& args) {
    OptionsResult result;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const OptionSpec* spec = find_option(arg);
        if (spec == nullptr) {
            result.error = L"不明なオプションです: " + arg + L" (--help で一覧を表示します)";
            return result;
        }
        if (spec->flag != nullptr) {
            result.options.*(spec->flag) = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            result.error = L"オプション " + arg + L" には値が必要です。";
            return result;
        }
        const std::wstring& value = args[++i];
        result.error = spec->delay != nullptr ? set_delay(result.options.*(spec->delay), arg, value)
                       : spec->count != nullptr
                           ? set_count(result.options.*(spec->count), arg, value)
                           : spec->set(result.options, arg, value);
        if (!result.error.empty()) {
            return result;
        }
    }
    return result;
}

std::wstring usage_text() {
    constexpr size_t kHelpColumn = 26;
    std::wstring text = L"使い方: cadsim [オプション]\n";
    for (const OptionSpec& spec : kOptions) {
        std::wstring left = spec.name;
        if (spec.value != nullptr) {
            left += L" ";
            left += spec.value;
        }
        left.resize(std::max(kHelpColumn - 1, left.size()), L' ');
        text += L"  " + left + L" " + spec.help + L"\n";
    }
    return text;
}

std::wstring main_caption(const Options& options) {
    return (options.product == Product::Full ? kFullMainCaptionStart : kLtMainCaptionStart) +
           options.drawing + L"]";
}

std::wstring text_caption(const Options& options) {
    return options.product == Product::Full ? kFullTextCaption : kLtTextCaption;
}

} // namespace cadsim
