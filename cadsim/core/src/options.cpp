#include "cadsim/options.h"

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

} // namespace

OptionsResult parse_options(const std::vector<std::wstring>& args) {
    OptionsResult result;
    Options& options = result.options;
    auto fail = [&result](std::wstring message) {
        result.error = std::move(message);
        return result;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool has_value = i + 1 < args.size();
        auto needs_value = [&]() { return L"オプション " + arg + L" には値が必要です。"; };
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            options.help = true;
        } else if (arg == L"--refuse-copydata") {
            options.refuse_copydata = true;
        } else if (arg == L"--product") {
            if (!has_value) {
                return fail(needs_value());
            }
            const std::wstring& value = args[++i];
            if (value == L"lt") {
                options.product = Product::Lt;
            } else if (value == L"full") {
                options.product = Product::Full;
            } else {
                return fail(L"--product には lt または full を指定してください: " + value);
            }
        } else if (arg == L"--drawing") {
            if (!has_value) {
                return fail(needs_value());
            }
            options.drawing = args[++i];
            if (options.drawing.empty()) {
                return fail(L"--drawing には図面名を指定してください。");
            }
        } else if (arg == L"--dxf") {
            if (!has_value) {
                return fail(needs_value());
            }
            options.dxf_path = args[++i];
            if (options.dxf_path.empty()) {
                return fail(L"--dxf にはファイル名を指定してください。");
            }
        } else if (arg == L"--pick") {
            if (!has_value) {
                return fail(needs_value());
            }
            const auto picks = parse_pick_list(args[++i]);
            if (!picks) {
                return fail(L"--pick の点を読み取れません (x,y[,z];x,y[,z];...): " + args[i]);
            }
            options.picks = *picks;
        } else if (arg == L"--prompt-delay" || arg == L"--startup-delay") {
            if (!has_value) {
                return fail(needs_value());
            }
            const auto value = parse_count(args[++i], kMaxDelayMs);
            if (!value) {
                return fail(arg + L" には 0 から " + std::to_wstring(kMaxDelayMs) +
                            L" までのミリ秒を指定してください: " + args[i]);
            }
            (arg == L"--prompt-delay" ? options.prompt_delay_ms : options.startup_delay_ms) =
                static_cast<unsigned>(*value);
        } else if (arg == L"--exit-after-commands" || arg == L"--hang-after" ||
                   arg == L"--die-after") {
            if (!has_value) {
                return fail(needs_value());
            }
            const auto value = parse_count(args[++i], 1000000000ULL);
            if (!value || *value == 0) {
                return fail(arg + L" には 1 以上の整数を指定してください: " + args[i]);
            }
            (arg == L"--exit-after-commands" ? options.exit_after_commands
             : arg == L"--hang-after"        ? options.hang_after_commands
                                             : options.die_after_inputs) = *value;
        } else if (arg == L"--hang-ms") {
            if (!has_value) {
                return fail(needs_value());
            }
            const auto value = parse_count(args[++i], kMaxDelayMs);
            if (!value) {
                return fail(L"--hang-ms には 0 から " + std::to_wstring(kMaxDelayMs) +
                            L" までのミリ秒を指定してください: " + args[i]);
            }
            options.hang_ms = static_cast<unsigned>(*value);
        } else {
            return fail(L"不明なオプションです: " + arg + L" (--help で一覧を表示します)");
        }
    }
    return result;
}

std::wstring usage_text() {
    return L"使い方: cadsim [オプション]\n"
           L"  --product lt|full         製品 (既定 lt: \"AutoCAD LT\"、full: \"AutoCAD\")\n"
           L"  --drawing NAME            キャプションの図面名 (既定 Drawing1.dwg)\n"
           L"  --dxf PATH                図面を変更するコマンドの後と終了時に DXF (R12) を書く\n"
           L"  --pick x,y[,z];...        ID の点の指定にこれらの点で順に答える\n"
           L"  --refuse-copydata         WM_COPYDATA を拒否する (0 を返す)\n"
           L"  --prompt-delay MS         コマンド終了後、MS ミリ秒後に \"ｺﾏﾝﾄﾞ: \" を表示する\n"
           L"  --startup-delay MS        起動後 MS ミリ秒たってから入力待ちになる\n"
           L"  --exit-after-commands N   N 個のコマンドが終わったら終了する\n"
           L"  --hang-after N            N 個のコマンドが終わったらメッセージを処理しなくなる\n"
           L"  --hang-ms MS              --hang-after の停止を MS ミリ秒で終える (既定: 終えない)\n"
           L"  --die-after N             N 個の入力を受けたら保存もせずに即座に終了する\n"
           L"  --help                    この一覧を表示する\n";
}

std::wstring main_caption(const Options& options) {
    return std::wstring(options.product == Product::Full ? L"AutoCAD" : L"AutoCAD LT") + L" - [" +
           options.drawing + L"]";
}

std::wstring text_caption(const Options& options) {
    return options.product == Product::Full ? L"AutoCAD ﾃｷｽﾄ" : L"AutoCAD LT ﾃｷｽﾄ";
}

} // namespace cadsim
