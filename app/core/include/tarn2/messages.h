// Every text the form shows in a message box.
#pragma once

#include "tarn2/ports.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::app {

inline constexpr const wchar_t* kMsgNoAcad = L"AutoCADが起動していないか、応答がありません。";
inline constexpr const wchar_t* kMsgCancelled = L"ユーザによってキャンセルされました。";
inline constexpr const wchar_t* kMsgNoComponent =
    L"CAD制御コンポーネント Drafthand を作成できないため、AutoCADに接続できません。"
    L"Drafthand.dll が regsvr32 で登録されているか確認してください。";
inline constexpr const wchar_t* kMsgBusy =
    L"AutoCADで点の指定を待っています。点を指定するか、キャンセルしてから操作してください。";
inline constexpr const wchar_t* kMsgNoScript =
    L"作図ファイル「auto_temp.txt」が見つからないため、作図できません。";
inline constexpr const wchar_t* kMsgNoLength =
    L"曲線長を計算できませんでした。KA・2点目・Aの値を確認してください。";

// "「pitch(m)」に数値を入力してください。" and the like.
std::wstring not_a_number_message(const std::wstring& box_name);
std::wstring keta_message();
std::wstring curve_load_message(CurveLoad load, int export_number);
std::wstring curve_result_message(std::int32_t code);
// A draw ended because AutoCAD stopped answering: the failure, then how many
// of the script's lines reached AutoCAD.
std::wstring replay_stopped_message(const std::wstring& failure, std::size_t lines,
                                    std::size_t sent);
// A draw during which AutoCAD refused lines: the first failure, then how many.
std::wstring replay_refused_message(const std::wstring& failure, std::size_t lines,
                                    std::size_t refused);
// For a component failure whose description came back empty.
std::wstring component_error_message(std::int32_t number);

} // namespace tarn::app
