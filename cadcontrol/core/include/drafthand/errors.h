// The component's error model, shared by every part of the core (session,
// command channel, script language). Portable: no Windows headers.
//
// How errors flow:
//   * A failing step throws DrafthandError (use raise(), raise_general() or
//     reraise()); it carries number, source and description.
//   * Every Long-returning method runs its body through run_method(): the last
//     error is cleared on entry, the body returns its result (usually
//     kSuccess), and a DrafthandError thrown inside is captured into the
//     thread's last-error record and its number becomes the result.
//   * Property accessors never touch the record.
//   * Nothing is thrown past run_method(); the COM edge never sees exceptions.
#pragma once

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace drafthand {

// Result of every Long-returning method that succeeded (Visual Basic's True).
constexpr int32_t kSuccess = -1;

// The component's own error numbers (the type library's acPrivateError).
namespace acPrivateError {
constexpr int32_t CancelByUser = static_cast<int32_t>(0x80040201u);
constexpr int32_t FileNotFound = static_cast<int32_t>(0x80040265u);
constexpr int32_t ExecuteFailed = static_cast<int32_t>(0x80040266u);
constexpr int32_t WaitFailed = static_cast<int32_t>(0x80040268u);
constexpr int32_t SearchFailed = static_cast<int32_t>(0x8004026Fu);
constexpr int32_t LinkFailed = static_cast<int32_t>(0x80040270u);
constexpr int32_t CommandFailed = static_cast<int32_t>(0x80040271u);
constexpr int32_t ScriptFailed = static_cast<int32_t>(0x80040272u);
} // namespace acPrivateError

// General runtime error numbers, as the Visual Basic runtime numbers them.
namespace runtime_error {
constexpr int32_t InvalidArgument = 5;   // invalid procedure call or argument
constexpr int32_t Overflow = 6;          // overflow
constexpr int32_t OutOfMemory = 7;       // out of memory
constexpr int32_t IndexOutOfRange = 9;   // subscript out of range
constexpr int32_t TypeMismatch = 13;     // type mismatch
constexpr int32_t BadFileName = 52;      // bad file name or number
constexpr int32_t FileNotFound = 53;     // file not found
constexpr int32_t BadFileMode = 54;      // bad file mode
constexpr int32_t FileAlreadyOpen = 55;  // file already open
constexpr int32_t DeviceIoError = 57;    // device I/O error
constexpr int32_t InputPastEnd = 62;     // input past end of file
constexpr int32_t PermissionDenied = 70; // permission denied
constexpr int32_t PathFileAccess = 75;   // path/file access error
constexpr int32_t PathNotFound = 76;     // path not found
} // namespace runtime_error

// The component name; runtime errors carry it alone as their source.
inline const wchar_t* const kComponentName = L"Drafthand";

// The runtime's own Japanese description of a general error number; an
// unknown number gives the runtime's text for an application-defined error.
inline std::wstring general_error_description(int32_t number) {
    switch (number) {
    case runtime_error::InvalidArgument:
        return L"プロシージャの呼び出し、または引数が不正です。";
    case runtime_error::Overflow:
        return L"オーバーフローしました。";
    case runtime_error::OutOfMemory:
        return L"メモリが不足しています。";
    case runtime_error::IndexOutOfRange:
        return L"インデックスが有効範囲にありません。";
    case runtime_error::TypeMismatch:
        return L"型が一致しません。";
    case runtime_error::BadFileName:
        return L"ファイル名または番号が不正です。";
    case runtime_error::FileNotFound:
        return L"ファイルが見つかりません。";
    case runtime_error::BadFileMode:
        return L"ファイル モードが不正です。";
    case runtime_error::FileAlreadyOpen:
        return L"ファイルは既に開かれています。";
    case runtime_error::DeviceIoError:
        return L"デバイス I/O エラーです。";
    case runtime_error::InputPastEnd:
        return L"ファイルにこれ以上データがありません。";
    case runtime_error::PermissionDenied:
        return L"書き込みできません。";
    case runtime_error::PathFileAccess:
        return L"パス名が無効です。";
    case runtime_error::PathNotFound:
        return L"パスが見つかりません。";
    default:
        return L"アプリケーション定義またはオブジェクト定義のエラーです。";
    }
}

// The last-error record (ErrNumber, ErrSource, ErrDescription). Number 0 with
// empty texts means "no error".
struct ErrorRecord {
    int32_t number = 0;
    std::wstring source;
    std::wstring description;

    void clear() {
        number = 0;
        source.clear();
        description.clear();
    }
    bool operator==(const ErrorRecord& other) const {
        return number == other.number && source == other.source && description == other.description;
    }
};

// A raised error on its way to the running method's handler.
class DrafthandError : public std::exception {
public:
    explicit DrafthandError(ErrorRecord record) : record_(std::move(record)) {}
    const ErrorRecord& record() const noexcept { return record_; }
    const char* what() const noexcept override { return "Drafthand error"; }

private:
    ErrorRecord record_;
};

// Raises an error with the given number, source (e.g.
// "Drafthand.Control.PostCommand") and description.
[[noreturn]] inline void raise(int32_t number, std::wstring source, std::wstring description) {
    throw DrafthandError(ErrorRecord{number, std::move(source), std::move(description)});
}

// Raises a general runtime error with the runtime's own description and the
// component name as source.
[[noreturn]] inline void raise_general(int32_t number) {
    throw DrafthandError(ErrorRecord{number, kComponentName, general_error_description(number)});
}

// Raises a recorded error again unchanged (number, source and description), as
// a procedure does with the failure an inner operation left in the record.
[[noreturn]] inline void reraise(const ErrorRecord& record) {
    throw DrafthandError(record);
}

// The method handler without the clearing step: runs body (returning the
// method's int32_t result); a raised error is captured into last_error and its
// number returned. Exceptions other than DrafthandError become general runtime
// errors, so nothing escapes.
namespace detail {
// Stores a captured error; when even the copy runs out of memory, the
// number alone is kept rather than letting the failure escape.
inline void store_error(ErrorRecord& last_error, int32_t number, const std::wstring& source,
                        const std::wstring& description) noexcept {
    last_error.number = number;
    try {
        last_error.source = source;
        last_error.description = description;
    } catch (...) {
        last_error.source.clear();
        last_error.description.clear();
    }
}

inline void store_general_error(ErrorRecord& last_error, int32_t number) noexcept {
    try {
        store_error(last_error, number, kComponentName, general_error_description(number));
    } catch (...) {
        store_error(last_error, number, std::wstring(), std::wstring());
    }
}
} // namespace detail

template <typename Body> int32_t capture_errors(ErrorRecord& last_error, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (const DrafthandError& error) {
        const ErrorRecord& record = error.record();
        detail::store_error(last_error, record.number, record.source, record.description);
    } catch (const std::bad_alloc&) {
        detail::store_general_error(last_error, runtime_error::OutOfMemory);
    } catch (...) {
        detail::store_general_error(last_error, runtime_error::InvalidArgument);
    }
    return last_error.number;
}

// The result convention of a Long-returning method: clear the last error on
// entry, then run body under the handler.
template <typename Body> int32_t run_method(ErrorRecord& last_error, Body&& body) noexcept {
    last_error.clear();
    return capture_errors(last_error, std::forward<Body>(body));
}

} // namespace drafthand
