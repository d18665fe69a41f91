#include "tarn2/form1.h"

#include "tarn2/messages.h"

#include <cmath>
#include <cstddef>

namespace tarn::app {
namespace {

constexpr ControlId kButtons[] = {kCommand1, kCommand2, kCommand3, kCommand4, kCommand5};
constexpr ControlId kPoints[] = {kX0, kY0, kX1, kY1, kX2, kY2};
constexpr ControlId kAllPoints[] = {kX0, kY0, kX1, kY1, kX2, kY2, kX3, kY3};

struct CompareTitles {
    const wchar_t* main;
    const wchar_t* text;
    const wchar_t* command;
    const wchar_t* history;
};
constexpr CompareTitles kFullProduct = {L"AutoCAD - [", L"AutoCAD ﾃｷｽﾄ", L"Headlands", L"MountTam"};
constexpr CompareTitles kLt = {L"AutoCAD LT - [", L"AutoCAD LT ﾃｷｽﾄ", L"Headlands", L"MountTam"};

// LUPREC takes 0 to 8 decimal places.
constexpr double kMaxKeta = 8;

std::int32_t search(std::unique_ptr<Acad>& acad, AcadFactory& factory,
                    const CompareTitles& titles) {
    acad = factory.CreateAcad();
    if (!acad) {
        return 0;
    }
    acad->put_MainCompareTitle(titles.main);
    acad->put_TextCompareTitle(titles.text);
    acad->put_CommandCompareTitle(titles.command);
    acad->put_HistoryCompareTitle(titles.history);
    return acad->Search();
}

// Whether the CAD program shows its cancel mark after the last point prompt.
bool cancelled_in_cad(AcadControl& control) {
    std::wstring history;
    if (control.GetHistory(history, L"点を指定: ") != kResultTrue) {
        return false;
    }
    return history.find(L"*キャンセル*") != std::wstring::npos;
}

} // namespace

std::wstring pick_command(const std::wstring& keta) {
    return L"^C^Cluprec^M" + keta + L"^Mgraphscr^M";
}

// Marks a pick or a draw as running for the life of the scope.
class Form1::BusyScope {
public:
    explicit BusyScope(Form1& form) : form_(form) { form_.busy_ = true; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    ~BusyScope() { form_.busy_ = false; }

private:
    Form1& form_;
};

Form1::Form1(const Services& services) : services_(services) {}

void Form1::Form_Load() {
    services_.view.SetTopMost(1);
    for (ControlId id : kAllPoints) {
        write(id, 0);
    }
    write(kA, 40);
    write(kW, 3);
    write(kDw, 0);
    write(kKeta, 7);
}

void Form1::SSTab1_Click() {
    const int tab = services_.view.tab();
    std::wstring caption = (tab == kTabNormal || tab == kTabCurveLength) ? L"線上点" : L"KE";
    if (tab == kTabCentre2) {
        caption = L"接線方向端点";
    }
    services_.view.set_text(kCommand2, caption);
}

void Form1::cmb_s() {
    for (ControlId id : kButtons) {
        services_.view.set_enabled(id, true);
    }
}

void Form1::show(const std::wstring& text, std::uint32_t style) {
    // A window that is closing does not ask the user anything more.
    if (!close_pending_) {
        services_.messages.show(text, style);
    }
}

void Form1::show_failure(std::int32_t result) {
    show(failure_text(result), result == kCancelByUser ? kStyleInformation : kStyleExclamation);
}

std::wstring Form1::failure_text(std::int32_t result) const {
    if (result == kCancelByUser) {
        return kMsgCancelled;
    }
    std::wstring description = m_Acad ? m_Acad->ErrDescription() : std::wstring();
    if (description.empty()) {
        description = component_error_message(result);
    }
    return description;
}

std::optional<double> Form1::read(ControlId id) const {
    return services_.numbers.parse(services_.view.text(id));
}

double Form1::value(ControlId id) const {
    // Only called for boxes first_bad_box() has vouched for.
    return read(id).value_or(0.0);
}

void Form1::write(ControlId id, double number) {
    services_.view.set_text(id, services_.numbers.format(number));
}

std::wstring Form1::box_name(ControlId id) const {
    const FormView& view = services_.view;
    switch (id) {
    case kX0:
    case kY0:
        return view.text(kCommand1) + (id == kX0 ? L"のX" : L"のY");
    case kX1:
    case kY1:
        return view.text(kCommand2) + (id == kX1 ? L"のX" : L"のY");
    case kX2:
    case kY2:
        return view.text(kCommand3) + (id == kX2 ? L"のX" : L"のY");
    case kX3:
    case kY3:
        return view.text(kCommand4) + (id == kX3 ? L"のX" : L"のY");
    case kA:
        return view.text(kLabel1);
    case kPitch:
        return view.text(kLabel4);
    case kKeta:
        return view.text(kLabel7);
    case kLLL:
        return view.text(kLabel5);
    case kL:
        return view.text(kLabel6);
    case kW:
        return view.text(kLabel2);
    case kDw:
        return view.text(kLabel3);
    case kLC:
        return view.text(kLabel8);
    default:
        return L"";
    }
}

std::optional<ControlId> Form1::first_bad_box(int tab) const {
    // What every press reads, in the order it reads it, then the boxes of the tab.
    std::vector<ControlId> boxes = {kPitch, kA, kDw};
    boxes.insert(boxes.end(), std::begin(kAllPoints), std::end(kAllPoints));
    if (tab == kTabPerpendicular2) {
        boxes.push_back(kLLL);
    } else if (tab == kTabParallel) {
        boxes.push_back(kW);
    } else if (tab == kTabCentre2) {
        boxes.push_back(kLC);
    }
    for (ControlId id : boxes) {
        if (!read(id)) {
            return id;
        }
    }
    return std::nullopt;
}

std::optional<CurveCall> Form1::curve_call(int tab) const {
    const double unit = services_.view.checked(kOption1) ? 0.0 : 1.0;
    const double widening = services_.view.checked(kOption3) ? 1.0 : 2.0;
    std::vector<double> args;
    for (ControlId id : kPoints) {
        args.push_back(value(id));
    }
    switch (tab) {
    case kTabNormal:
        args.insert(args.end(), {value(kA), unit});
        return CurveCall{1, args};
    case kTabPerpendicular1:
        args.insert(args.end(), {value(kX3), value(kY3), value(kA), unit});
        return CurveCall{2, args};
    case kTabPerpendicular2:
        args.insert(args.end(), {value(kA), value(kLLL), unit});
        return CurveCall{3, args};
    case kTabCurveLength:
        args.insert(args.end(), {value(kA), unit});
        return CurveCall{4, args};
    case kTabCentreLine:
        args.insert(args.end(), {value(kA), value(kPitch), unit});
        return CurveCall{5, args};
    case kTabParallel:
        args.insert(args.end(), {value(kA), value(kPitch), unit, value(kW), value(kDw), widening});
        return CurveCall{6, args};
    case kTabCentre2:
        args.insert(args.end(), {value(kA), value(kPitch), unit, value(kLC)});
        return CurveCall{7, args};
    default:
        return std::nullopt;
    }
}

bool Form1::refuse_when_busy() {
    if (!busy_) {
        return false;
    }
    show(kMsgBusy, kStyleInformation);
    return true;
}

void Form1::Command5_Click() {
    if (refuse_when_busy()) {
        return;
    }
    FormView& view = services_.view;
    const int tab = view.tab();
    // Nothing is computed or drawn from a box that holds no number.
    if (const std::optional<ControlId> bad = first_bad_box(tab)) {
        show(not_a_number_message(box_name(*bad)), kStyleExclamation);
        return;
    }

    for (ControlId id : {kPitch, kA, kDw}) {
        write(id, std::fabs(value(id)));
    }

    bool all_points_zero = true;
    for (ControlId id : kPoints) {
        all_points_zero = all_points_zero && value(id) == 0.0;
    }
    if (value(kPitch) == 0.0 || value(kA) == 0.0 || all_points_zero) {
        return;
    }

    BusyScope running(*this);
    for (ControlId id : kButtons) {
        view.set_enabled(id, false);
    }
    for (ControlId id : kAllPoints) {
        write(id, value(id));
    }

    const std::optional<CurveCall> call = curve_call(tab);
    if (!call) {
        cmb_s();
        return;
    }
    const bool draws = tab != kTabCurveLength;
    if (draws) {
        // A refused call writes no script; the one an earlier draw left must
        // not be replayed in its place.
        services_.script.remove();
    }
    const CurveResult result = services_.curves.call(*call);
    if (result.load != CurveLoad::ok) {
        show(curve_load_message(result.load, call->number), kStyleExclamation);
        cmb_s();
        return;
    }
    if (!draws) {
        if (std::isfinite(result.length)) {
            write(kL, result.length);
        } else {
            show(kMsgNoLength, kStyleExclamation);
        }
        cmb_s();
        return;
    }
    if (result.code != 0) {
        show(curve_result_message(result.code), kStyleExclamation);
        cmb_s();
        return;
    }

    // Opened before AutoCAD is disturbed, so that a missing script sends nothing.
    const std::unique_ptr<LineReader> script = services_.script.open();
    if (!script) {
        show(kMsgNoScript, kStyleExclamation);
        cmb_s();
        return;
    }
    if (!SendAcadCommand(kOsnapCoordCommand)) {
        cmb_s();
        return;
    }
    ActivateAcad();
    replay(*script);
    cmb_s();
}

namespace {
constexpr std::size_t kLinesBetweenPumps = 64;
} // namespace

void Form1::replay(LineReader& script) {
    // One message at most per draw, whatever the script's length: an AutoCAD
    // that stops answering ends the replay at once, and the lines it refuses
    // are told together at the end.
    std::size_t lines = 0;
    std::size_t refused = 0;
    std::wstring first_refusal;
    const auto stop = [&](const std::optional<std::int32_t>& result, std::size_t sent) {
        const std::wstring failure = result ? failure_text(*result) : kMsgNoAcad;
        // The total, for the message; nothing more is sent.
        std::wstring rest;
        while (script.next_line(rest)) {
            ++lines;
        }
        show(replay_stopped_message(failure, lines, sent), kStyleExclamation);
    };
    const auto lost = [](const std::optional<std::int32_t>& result) {
        return !result || *result == kLinkFailed;
    };
    std::wstring line;
    while (!close_pending_ && script.next_line(line)) {
        // The window repaints, and can be closed, however long the script.
        if (++lines % kLinesBetweenPumps == 0) {
            services_.pump.pump_pending_messages();
        }
        const std::optional<std::int32_t> result = post(line + kEnter);
        if (lost(result)) {
            stop(result, lines - 1 - refused);
            return;
        }
        if (*result != kResultTrue && refused++ == 0) {
            first_refusal = failure_text(*result);
        }
    }
    // Ends the LINE or PLINE the script began.
    const std::optional<std::int32_t> result = post(kEnter);
    if (lost(result)) {
        stop(result, lines - refused);
        return;
    }
    if (refused > 0) {
        show(replay_refused_message(first_refusal, lines, refused), kStyleExclamation);
    } else if (*result != kResultTrue) {
        show_failure(*result);
    }
}

std::int32_t Form1::SearchAcad() {
    return search(m_Acad, services_.acad_factory, kFullProduct);
}

std::int32_t Form1::SearchAcadLT() {
    return search(m_Acad, services_.acad_factory, kLt);
}

bool Form1::ConnectAcad() {
    if (SearchAcad() != kResultTrue) {
        SearchAcadLT();
    }
    if (!m_Acad) {
        show(kMsgNoComponent, kStyleExclamation);
        return false;
    }
    if (m_Acad->ControlExists()) {
        return true;
    }
    show(kMsgNoAcad, kStyleExclamation);
    return false;
}

std::optional<std::int32_t> Form1::post(const std::wstring& command) {
    const std::unique_ptr<AcadControl> control = m_Acad ? m_Acad->Control() : nullptr;
    if (!control) {
        return std::nullopt;
    }
    control->put_CommandTimeOut(kPostTimeOut);
    control->put_PatternMatch(true);
    return control->PostCommand(command);
}

bool Form1::PostAcadCommand(const std::wstring& command) {
    const std::optional<std::int32_t> result = post(command);
    if (!result) {
        show(kMsgNoAcad, kStyleExclamation);
        return false;
    }
    if (*result == kResultTrue) {
        return true;
    }
    show_failure(*result);
    return false;
}

bool Form1::SendAcadCommand(const std::wstring& command) {
    if (!ConnectAcad()) {
        return false;
    }
    return PostAcadCommand(command);
}

void Form1::ActivateAcad() {
    if (const std::unique_ptr<AcadControl> control = m_Acad ? m_Acad->Control() : nullptr) {
        control->Active();
    }
}

bool Form1::PickPoint() {
    if (!ConnectAcad()) {
        return false;
    }
    if (!PostAcadCommand(kCancelCommand)) {
        return false;
    }
    const std::unique_ptr<AcadControl> control = m_Acad->Control();
    if (!control) {
        show(kMsgNoAcad, kStyleExclamation);
        return false;
    }
    control->put_CommandTimeOut(kPickTimeOut);
    control->put_PatternMatch(true);
    waiting_control_ = control.get();
    const std::int32_t result = control->GetPosition(m_X, m_Y, m_Z);
    waiting_control_ = nullptr;
    if (result == kCommandFailed) {
        // A pick cancelled in the CAD program leaves a history without
        // coordinates, which GetPosition reports as a failure. Its text is
        // taken first: reading the history clears the component's last error.
        const std::wstring text = failure_text(result);
        if (cancelled_in_cad(*control)) {
            show(kMsgCancelled, kStyleInformation);
        } else {
            show(text, kStyleExclamation);
        }
    } else if (result != kResultTrue) {
        show_failure(result);
    }
    control->put_CommandTimeOut(kAfterPickTimeOut);
    return result == kResultTrue;
}

void Form1::pick_into(ControlId x_box, ControlId y_box) {
    if (refuse_when_busy()) {
        return;
    }
    // The digits go into a command line: only a plain count may go there.
    const std::optional<double> keta = read(kKeta);
    if (!keta || *keta < 0 || *keta > kMaxKeta || std::floor(*keta) != *keta) {
        show(keta_message(), kStyleExclamation);
        return;
    }
    BusyScope running(*this);
    if (!SendAcadCommand(pick_command(services_.numbers.format(*keta)))) {
        return;
    }
    ActivateAcad();
    if (PickPoint()) {
        write(x_box, m_X);
        write(y_box, m_Y);
    }
}

void Form1::Command1_Click() {
    pick_into(kX0, kY0);
}

void Form1::Command2_Click() {
    pick_into(kX1, kY1);
}

void Form1::Command3_Click() {
    pick_into(kX2, kY2);
}

void Form1::Command4_Click() {
    pick_into(kX3, kY3);
}

bool Form1::request_close() {
    if (!busy_) {
        return true;
    }
    close_pending_ = true;
    if (waiting_control_ != nullptr) {
        waiting_control_->Terminate();
    }
    return false;
}

} // namespace tarn::app
