// Fakes of the form's services. They share one event log, so that tests can
// check the order in which the form talks to the window, the library and the
// component.
#pragma once

#include "tarn2/form1.h"
#include "tarn2/form_model.h"
#include "tarn2/number_format.h"

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarn::app::testing {

using Log = std::vector<std::wstring>;

inline std::wstring hex(std::int32_t value) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%08X", static_cast<unsigned>(value));
    return buffer;
}

// Plain "C" numbers with surrounding blanks allowed, as the platform's
// conversion does under a Japanese locale.
class FakeNumbers : public NumberText {
public:
    std::optional<double> parse(const std::wstring& text) const override {
        const wchar_t* begin = text.c_str();
        wchar_t* end = nullptr;
        const double value = std::wcstod(begin, &end);
        if (end == begin) {
            return std::nullopt;
        }
        while (*end == L' ') {
            ++end;
        }
        if (*end != L'\0' || !std::isfinite(value)) {
            return std::nullopt;
        }
        return value;
    }
    std::wstring format(double value) const override { return format_number(value); }
};

class RecordingView : public FormModel {
public:
    explicit RecordingView(Log& log) : log_(log) {}
    void set_text(ControlId id, const std::wstring& text) override {
        log_.push_back(L"text " + name(id) + L"=" + text);
        FormModel::set_text(id, text);
    }
    void set_enabled(ControlId id, bool enabled) override {
        log_.push_back(std::wstring(enabled ? L"enable " : L"disable ") + name(id));
        FormModel::set_enabled(id, enabled);
    }
    static std::wstring name(ControlId id) {
        const ControlSpec* spec = find_control(id);
        std::wstring result;
        for (const char* p = spec ? spec->name : "?"; *p != '\0'; ++p) {
            result.push_back(static_cast<wchar_t>(*p));
        }
        return result;
    }

private:
    Log& log_;
};

struct Message {
    std::wstring text;
    std::uint32_t style;
};

class FakeMessages : public MessageSink {
public:
    explicit FakeMessages(Log& log) : log_(log) {}
    void show(const std::wstring& text, std::uint32_t style) override {
        log_.push_back(L"message " + text);
        shown.push_back({text, style});
        if (on_show) {
            on_show();
        }
    }
    std::vector<Message> shown;
    std::function<void()> on_show;

private:
    Log& log_;
};

class FakeScript : public ScriptFile {
public:
    explicit FakeScript(Log& log) : log_(log) {}
    void remove() override {
        log_.push_back(L"remove script");
        lines.reset();
    }
    std::unique_ptr<LineReader> open() override {
        log_.push_back(L"open script");
        if (!lines) {
            return nullptr;
        }
        return std::make_unique<Reader>(*lines);
    }
    std::optional<std::vector<std::wstring>> lines;

private:
    class Reader : public LineReader {
    public:
        explicit Reader(std::vector<std::wstring> lines) : lines_(std::move(lines)) {}
        bool next_line(std::wstring& line) override {
            if (next_ >= lines_.size()) {
                return false;
            }
            line = lines_[next_++];
            return true;
        }

    private:
        std::vector<std::wstring> lines_;
        std::size_t next_ = 0;
    };
    Log& log_;
};

// Writes a script on every successful drawing call, as the library does.
class FakeCurves : public CurveLibrary {
public:
    FakeCurves(Log& log, FakeScript& script) : log_(log), script_(script) {}
    CurveResult call(const CurveCall& call) override {
        log_.push_back(L"tarn" + std::to_wstring(call.number));
        calls.push_back(call);
        CurveResult result = next;
        if (result.load == CurveLoad::ok && result.code == 0 && call.number != 4) {
            script_.lines = script_lines;
        }
        return result;
    }
    std::vector<CurveCall> calls;
    CurveResult next;
    std::vector<std::wstring> script_lines = {L"pline", L"1.0,2.0", L"3.0,4.0"};

private:
    Log& log_;
    FakeScript& script_;
};

class FakePump : public MessagePump {
public:
    void pump_pending_messages() override {
        ++calls;
        if (on_pump) {
            on_pump();
        }
    }
    int calls = 0;
    std::function<void()> on_pump;
};

// The CAD programs that are running, as the component would find them.
struct FakeCad {
    bool full_running = false;
    bool lt_running = false;
    bool registered = true;
    std::int32_t post_result = kResultTrue;
    // Results of the posts, by position; post_result for the rest.
    std::deque<std::int32_t> post_results;
    std::int32_t position_result = kResultTrue;
    double x = 12.5, y = -3.25, z = 0.0;
    // The CAD program's command history and the result of reading it.
    std::wstring history;
    std::int32_t history_result = kResultTrue;
    std::wstring description = L"待機時間内に指定した応答がありませんでした。";
    std::int32_t last_time_out = 0;
    int acad_objects = 0;
    // Called inside GetPosition, as the user's clicks would be during the wait.
    std::function<void()> during_pick;
    bool terminated = false;
};

class FakeControl : public AcadControl {
public:
    FakeControl(Log& log, FakeCad& cad) : log_(log), cad_(cad) {}
    void put_CommandTimeOut(std::int32_t milliseconds) override {
        cad_.last_time_out = milliseconds;
        log_.push_back(L"CommandTimeOut=" + std::to_wstring(milliseconds));
    }
    void put_PatternMatch(bool value) override {
        log_.push_back(std::wstring(L"PatternMatch=") + (value ? L"true" : L"false"));
    }
    std::int32_t PostCommand(const std::wstring& command) override {
        log_.push_back(L"post " + command);
        if (!cad_.post_results.empty()) {
            const std::int32_t result = cad_.post_results.front();
            cad_.post_results.pop_front();
            return result;
        }
        return cad_.post_result;
    }
    std::int32_t Active() override {
        log_.push_back(L"Active");
        return kResultTrue;
    }
    std::int32_t GetPosition(double& x, double& y, double& z) override {
        log_.push_back(L"GetPosition");
        if (cad_.during_pick) {
            cad_.during_pick();
        }
        if (cad_.terminated) {
            return kCancelByUser;
        }
        if (cad_.position_result == kResultTrue) {
            x = cad_.x;
            y = cad_.y;
            z = cad_.z;
        }
        return cad_.position_result;
    }
    // Like the component: the last error is replaced by this call's own.
    std::int32_t GetHistory(std::wstring& text, const std::wstring& match) override {
        log_.push_back(L"GetHistory " + match);
        if (cad_.history_result != kResultTrue) {
            cad_.description = L"AutoCADが起動していないか、応答がありません。";
            return cad_.history_result;
        }
        cad_.description.clear();
        const std::size_t at = cad_.history.rfind(match);
        text = at == std::wstring::npos ? std::wstring() : cad_.history.substr(at);
        return kResultTrue;
    }
    void Terminate() override {
        log_.push_back(L"Terminate");
        cad_.terminated = true;
    }

private:
    Log& log_;
    FakeCad& cad_;
};

class FakeAcad : public Acad {
public:
    FakeAcad(Log& log, FakeCad& cad) : log_(log), cad_(cad) {}
    void put_MainCompareTitle(const std::wstring& title) override {
        main_ = title;
        log_.push_back(L"MainCompareTitle=" + title);
    }
    void put_TextCompareTitle(const std::wstring& title) override {
        log_.push_back(L"TextCompareTitle=" + title);
    }
    void put_CommandCompareTitle(const std::wstring& title) override {
        log_.push_back(L"CommandCompareTitle=" + title);
    }
    void put_HistoryCompareTitle(const std::wstring& title) override {
        log_.push_back(L"HistoryCompareTitle=" + title);
    }
    std::int32_t Search() override {
        log_.push_back(L"Search");
        found_ = (main_ == L"AutoCAD - [" && cad_.full_running) ||
                 (main_ == L"AutoCAD LT - [" && cad_.lt_running);
        return found_ ? kResultTrue : static_cast<std::int32_t>(0x8004026Fu);
    }
    bool ControlExists() override { return found_; }
    std::unique_ptr<AcadControl> Control() override {
        if (!found_) {
            return nullptr;
        }
        return std::make_unique<FakeControl>(log_, cad_);
    }
    std::wstring ErrDescription() override { return cad_.description; }

private:
    Log& log_;
    FakeCad& cad_;
    std::wstring main_;
    bool found_ = false;
};

class FakeAcadFactory : public AcadFactory {
public:
    FakeAcadFactory(Log& log, FakeCad& cad) : log_(log), cad_(cad) {}
    std::unique_ptr<Acad> CreateAcad() override {
        log_.push_back(L"create Acad");
        if (!cad_.registered) {
            return nullptr;
        }
        ++cad_.acad_objects;
        return std::make_unique<FakeAcad>(log_, cad_);
    }

private:
    Log& log_;
    FakeCad& cad_;
};

// A loaded Form1 over the fakes.
struct Rig {
    Log log;
    FakeNumbers numbers;
    RecordingView view{log};
    FakeMessages messages{log};
    FakeCad cad;
    FakeAcadFactory factory{log, cad};
    FakeScript script{log};
    FakeCurves curves{log, script};
    FakePump pump;
    Form1 form{Services{view, numbers, messages, factory, curves, script, pump}};

    Rig() {
        form.Form_Load();
        // A usable drawing: KA, KE and a side point.
        view.set_text(kX0, L"10");
        view.set_text(kY0, L"20");
        view.set_text(kX1, L"60.5");
        view.set_text(kY1, L"25");
        view.set_text(kX2, L"30");
        view.set_text(kY2, L"0");
        log.clear();
    }
    // The entries of the log that start with prefix, in order.
    std::vector<std::wstring> entries(const std::wstring& prefix) const {
        std::vector<std::wstring> result;
        for (const std::wstring& entry : log) {
            if (entry.compare(0, prefix.size(), prefix) == 0) {
                result.push_back(entry);
            }
        }
        return result;
    }
    bool logged(const std::wstring& entry) const {
        for (const std::wstring& e : log) {
            if (e == entry) {
                return true;
            }
        }
        return false;
    }
};

} // namespace tarn::app::testing
