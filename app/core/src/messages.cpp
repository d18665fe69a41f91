#include "tarn2/messages.h"

#include <cstdio>

namespace tarn::app {

std::wstring not_a_number_message(const std::wstring& box_name) {
    return L"「" + box_name + L"」に数値を入力してください。";
}

std::wstring keta_message() {
    return L"「取得桁」には 0 から 8 までの整数を入力してください。";
}

std::wstring curve_load_message(CurveLoad load, int export_number) {
    if (load == CurveLoad::library_missing) {
        return L"曲線計算ライブラリ「auto_tarn5.dll」を読み込めません。"
               L"tarn2.exe と同じフォルダにあるか確認してください。";
    }
    return L"曲線計算ライブラリ「auto_tarn5.dll」に関数「tarn" + std::to_wstring(export_number) +
           L"」がありません。正しい版の auto_tarn5.dll を使用してください。";
}

std::wstring curve_result_message(std::int32_t code) {
    switch (code) {
    case 1:
        return L"入力値が正しくありません。KAと2点目が同じ点になっていないか、"
               L"Aやpitchなどの値を確認してください。";
    case 2:
        return L"曲線の接線の回転が大きすぎるため（4ラジアンを超えます）、計算できません。"
               L"Aや点の位置を確認してください。";
    case 3:
        return L"曲線の点の数が多すぎるため（100万点を超えます）、作図できません。"
               L"pitchを大きくしてください。";
    case 4:
        return L"作図ファイル「auto_temp.txt」を書き込めませんでした。"
               L"作業フォルダに書き込めるか確認してください。";
    case 5:
        return L"曲線長の計算が収束しませんでした。入力値を確認してください。";
    default:
        return L"曲線の計算に失敗しました（結果コード " + std::to_wstring(code) + L"）。";
    }
}

std::wstring replay_stopped_message(const std::wstring& failure, std::size_t lines,
                                    std::size_t sent) {
    return failure + L"\n作図を中止しました。作図データ " + std::to_wstring(lines) + L" 行中 " +
           std::to_wstring(sent) + L" 行をAutoCADへ送りました。";
}

std::wstring replay_refused_message(const std::wstring& failure, std::size_t lines,
                                    std::size_t refused) {
    return failure + L"\n作図データ " + std::to_wstring(lines) + L" 行中 " +
           std::to_wstring(refused) + L" 行をAutoCADが受け付けませんでした。";
}

std::wstring component_error_message(std::int32_t number) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(number));
    std::wstring text = L"AutoCADとの通信でエラーが発生しました（エラー番号 0x";
    for (const char* p = hex; *p != '\0'; ++p) {
        text.push_back(static_cast<wchar_t>(*p));
    }
    return text + L"）。";
}

} // namespace tarn::app
