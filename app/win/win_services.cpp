#include "win_services.h"

#include "tarn2/number_format.h"

#include <curvelib.h>
#include <tarn/ansi_text.h>
#include <tarn/message_pump.h>

#include <oleauto.h>

#include <cmath>
#include <string>

namespace tarn::app::win {

LocaleNumberText::LocaleNumberText() {
    wchar_t separator[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 0 &&
        separator[0] != L'\0') {
        decimal_point_ = separator[0];
    }
}

std::optional<double> LocaleNumberText::parse(const std::wstring& text) const {
    double value = 0.0;
    if (FAILED(
            ::VarR8FromStr(const_cast<OLECHAR*>(text.c_str()), LOCALE_USER_DEFAULT, 0, &value)) ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::wstring LocaleNumberText::format(double value) const {
    return format_number(value, decimal_point_);
}

void MessageBoxSink::show(const std::wstring& text, std::uint32_t style) {
    // The title is the comment of the version information, which is empty.
    ::MessageBoxW(owner_, text.c_str(), L"", style);
}

void PeekMessagePump::pump_pending_messages() {
    tarn::pump_pending_messages();
}

namespace {

constexpr const wchar_t* kScriptName = L"auto_temp.txt";

// Lines end at CR, LF or CR LF; the last line may have no end.
class FileLineReader : public LineReader {
public:
    explicit FileLineReader(tarn::unique_handle file) : file_(std::move(file)) {}

    bool next_line(std::wstring& line) override {
        std::string bytes;
        for (;;) {
            if (next_ == filled_ && !fill()) {
                if (bytes.empty()) {
                    return false;
                }
                line = tarn::from_ansi(bytes);
                return true;
            }
            const char c = buffer_[next_++];
            if (skip_lf_ && c == '\n') {
                skip_lf_ = false;
                continue;
            }
            skip_lf_ = false;
            if (c == '\r' || c == '\n') {
                skip_lf_ = c == '\r';
                line = tarn::from_ansi(bytes);
                return true;
            }
            bytes.push_back(c);
        }
    }

private:
    bool fill() {
        DWORD read = 0;
        if (!::ReadFile(file_.get(), buffer_, sizeof buffer_, &read, nullptr) || read == 0) {
            return false;
        }
        next_ = 0;
        filled_ = read;
        return true;
    }

    tarn::unique_handle file_;
    char buffer_[65536];
    DWORD next_ = 0;
    DWORD filled_ = 0;
    bool skip_lf_ = false;
};

} // namespace

void ScriptFileInCurrentDirectory::remove() {
    ::DeleteFileW(kScriptName);
}

std::unique_ptr<LineReader> ScriptFileInCurrentDirectory::open() {
    tarn::unique_handle file =
        tarn::adopt_file(::CreateFileW(kScriptName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<FileLineReader>(std::move(file));
}

namespace {

using Tarn8 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double);
using Tarn9 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                  double);
using Tarn10 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                   double, double);
using Tarn12 = int32_t(TARN_CALL*)(double, double, double, double, double, double, double, double,
                                   double, double, double, double);
using Length8 = double(TARN_CALL*)(double, double, double, double, double, double, double, double);

// The number of arguments of tarn1..tarn7.
constexpr std::size_t kArity[] = {0, 8, 10, 9, 8, 9, 12, 10};

template <typename Function> Function as(FARPROC procedure) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(procedure));
}

} // namespace

CurveResult Auto_tarn5::call(const CurveCall& call) {
    CurveResult result;
    if (!module_) {
        module_.reset(::LoadLibraryW(L"auto_tarn5.dll"));
        if (!module_) {
            result.load = CurveLoad::library_missing;
            return result;
        }
    }
    if (call.number < 1 || call.number > 7 || call.args.size() != kArity[call.number]) {
        result.code = TARN_ERROR_INVALID_ARGUMENT;
        return result;
    }
    const std::string name = "tarn" + std::to_string(call.number);
    const FARPROC procedure = ::GetProcAddress(module_.get(), name.c_str());
    if (procedure == nullptr) {
        result.load = CurveLoad::export_missing;
        return result;
    }
    const std::vector<double>& a = call.args;
    switch (call.args.size()) {
    case 8:
        if (call.number == 4) {
            result.length = as<Length8>(procedure)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        } else {
            result.code = as<Tarn8>(procedure)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        }
        break;
    case 9:
        result.code = as<Tarn9>(procedure)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]);
        break;
    case 10:
        result.code =
            as<Tarn10>(procedure)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9]);
        break;
    case 12:
        result.code = as<Tarn12>(procedure)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8],
                                            a[9], a[10], a[11]);
        break;
    default:
        result.code = TARN_ERROR_INVALID_ARGUMENT;
        break;
    }
    return result;
}

} // namespace tarn::app::win
