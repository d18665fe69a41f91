// Drafthand early-bound through the interfaces widl generates from its IDL.
#include "drafthand_link.h"

#include <tarn/unique.h>

#include <oleauto.h>
#include <windows.h>

#include <Drafthand_h.h>

#include <cwchar>
#include <memory>
#include <string>

namespace tarn::app::win {
namespace {

// A call that failed in COM itself (not a result of the component) leaves its
// text here for ErrDescription; shared by an Acad and the Controls it hands out.
struct CallFailure {
    std::wstring description;

    // The component's result, or the HRESULT of a call that did not get there.
    std::int32_t result(const wchar_t* member, HRESULT hr, LONG value) {
        note(member, hr);
        return FAILED(hr) ? static_cast<std::int32_t>(hr) : value;
    }

    void note(const wchar_t* member, HRESULT hr) {
        if (SUCCEEDED(hr)) {
            description.clear();
            return;
        }
        wchar_t number[16];
        std::swprintf(number, 16, L"%08lX", static_cast<unsigned long>(hr));
        description = L"Drafthand の「" + std::wstring(member) +
                      L"」を呼び出せませんでした（エラー番号 0x" + number + L"）。";
    }
};

class EarlyControl : public AcadControl {
public:
    EarlyControl(tarn::com_ptr<_Control> control, std::shared_ptr<CallFailure> failure)
        : control_(std::move(control)), failure_(std::move(failure)) {}

    void put_CommandTimeOut(std::int32_t milliseconds) override {
        failure_->note(L"CommandTimeOut", control_->put_CommandTimeOut(milliseconds));
    }
    void put_PatternMatch(bool flag) override {
        failure_->note(L"PatternMatch",
                       control_->put_PatternMatch(flag ? VARIANT_TRUE : VARIANT_FALSE));
    }
    std::int32_t PostCommand(const std::wstring& command) override {
        const tarn::unique_bstr text = tarn::make_bstr(command);
        LONG result = 0;
        const HRESULT hr = control_->PostCommand(text.get(), &result);
        return failure_->result(L"PostCommand", hr, result);
    }
    std::int32_t Active() override {
        LONG result = 0;
        const HRESULT hr = control_->Active(&result);
        return failure_->result(L"Active", hr, result);
    }
    std::int32_t GetPosition(double& x, double& y, double& z) override {
        LONG result = 0;
        const HRESULT hr = control_->GetPosition(&x, &y, &z, &result);
        return failure_->result(L"GetPosition", hr, result);
    }
    std::int32_t GetHistory(std::wstring& text, const std::wstring& match) override {
        tarn::unique_bstr history;
        const tarn::unique_bstr match_text = tarn::make_bstr(match);
        LONG result = 0;
        const HRESULT hr = control_->GetHistory(history.put(), match_text.get(), &result);
        if (SUCCEEDED(hr) && result == -1) {
            text = tarn::from_bstr(history.get());
        }
        return failure_->result(L"GetHistory", hr, result);
    }
    void Terminate() override { failure_->note(L"Terminate", control_->Terminate()); }

private:
    tarn::com_ptr<_Control> control_;
    std::shared_ptr<CallFailure> failure_;
};

class EarlyAcad : public Acad {
public:
    explicit EarlyAcad(tarn::com_ptr<_Acad> acad) : acad_(std::move(acad)) {}

    void put_MainCompareTitle(const std::wstring& title) override {
        failure_->note(L"MainCompareTitle",
                       acad_->put_MainCompareTitle(tarn::make_bstr(title).get()));
    }
    void put_TextCompareTitle(const std::wstring& title) override {
        failure_->note(L"TextCompareTitle",
                       acad_->put_TextCompareTitle(tarn::make_bstr(title).get()));
    }
    void put_CommandCompareTitle(const std::wstring& title) override {
        failure_->note(L"CommandCompareTitle",
                       acad_->put_CommandCompareTitle(tarn::make_bstr(title).get()));
    }
    void put_HistoryCompareTitle(const std::wstring& title) override {
        failure_->note(L"HistoryCompareTitle",
                       acad_->put_HistoryCompareTitle(tarn::make_bstr(title).get()));
    }
    std::int32_t Search() override {
        LONG result = 0;
        const HRESULT hr = acad_->Search(&result);
        return failure_->result(L"Search", hr, result);
    }
    bool ControlExists() override {
        VARIANT_BOOL exists = VARIANT_FALSE;
        return SUCCEEDED(acad_->ControlExists(&exists)) && exists != VARIANT_FALSE;
    }
    std::unique_ptr<AcadControl> Control() override {
        tarn::com_ptr<_Control> control;
        if (FAILED(acad_->get_Control(control.put())) || !control) {
            return nullptr;
        }
        return std::make_unique<EarlyControl>(std::move(control), failure_);
    }
    std::wstring ErrDescription() override {
        // A call that failed in COM has no description in the component.
        if (!failure_->description.empty()) {
            return failure_->description;
        }
        tarn::unique_bstr text;
        if (FAILED(acad_->get_ErrDescription(text.put())) || !text) {
            return std::wstring();
        }
        return tarn::from_bstr(text.get());
    }

private:
    tarn::com_ptr<_Acad> acad_;
    std::shared_ptr<CallFailure> failure_ = std::make_shared<CallFailure>();
};

} // namespace

std::unique_ptr<Acad> DrafthandFactory::CreateAcad() {
    tarn::com_ptr<_Acad> acad;
    if (FAILED(::CoCreateInstance(CLSID_Acad, nullptr, CLSCTX_INPROC_SERVER, IID__Acad,
                                  acad.put_void()))) {
        return nullptr;
    }
    return std::make_unique<EarlyAcad>(std::move(acad));
}

} // namespace tarn::app::win
