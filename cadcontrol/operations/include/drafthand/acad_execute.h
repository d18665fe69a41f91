// Acad.Execute: starts AutoCAD through clsShellEx and, in mode WaitPrompt,
// links to it and waits for its command prompt.
#pragma once

#include "drafthand/launcher.h"
#include "drafthand/records.h"

#include <cstdint>
#include <string>

namespace drafthand {

inline const wchar_t* const kMessageExecutableMissing =
    L"AutoCADの実行ファイルが見つかりませんでした。";
inline const wchar_t* const kMessageStartTimedOut = L"待機時間内にAutoCADが起動しませんでした。";
inline const wchar_t* const kMessageShellFailed = L"AutoCADを起動中にエラーが発生しました。";
inline const wchar_t* const kMessageStartError = L"AutoCAD起動中にエラーが発生しました。";
inline const wchar_t* const kMessageCancelled = L"AutoCADの起動待ちが中止されました。";
inline const wchar_t* const kMessageBadExecuteMode =
    L"ExecuteModeの値が不正です。0から3までの値を指定してください。";

// What Execute needs of the Acad object it runs for; the COM edge owns the
// Control object these work on.
class AcadLink {
public:
    virtual ~AcadLink() = default;
    virtual void release_control() = 0;
    // Acad.Search: on success the Acad keeps a new Control object.
    virtual int32_t search() = 0;
    // WaitPrompt("ｺﾏﾝﾄﾞ: ") on that new Control object.
    virtual int32_t wait_prompt() = 0;
};

// The description Execute reports for a launcher result other than -1.
std::wstring launcher_failure_description(int32_t result);

// Result convention of Acad.Execute. An execute mode outside 0-3 is refused
// with the invalid-argument error (5) before anything is started: the
// launcher would start the program without a handle to wait on.
int32_t AcadExecute(ThreadRecords& records, Shell& shell, AcadLink& link, int32_t execute_timeout,
                    const std::wstring& PathName, const std::wstring& Parameter, WindowHandle hWnd,
                    int32_t ExecuteMode);

} // namespace drafthand
