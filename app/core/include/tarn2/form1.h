// Form1's logic: loading, the tab-dependent caption of Command2, the draw
// workflow of Command5, and the AutoCAD link with the four pick buttons. All
// platform services come in through the interfaces of ports.h.
#pragma once

#include "tarn2/ports.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tarn::app {

// Command strings sent to AutoCAD.
inline constexpr const wchar_t* kOsnapCoordCommand = L"^C^Cosnapcoord^M1^M";
inline constexpr const wchar_t* kCancelCommand = L"^C^C";
inline constexpr const wchar_t* kEnter = L"^M";
std::wstring pick_command(const std::wstring& keta);

// CommandTimeOut settings of the link.
inline constexpr std::int32_t kPostTimeOut = 500;
inline constexpr std::int32_t kPickTimeOut = -1;
inline constexpr std::int32_t kAfterPickTimeOut = 180000;

struct Services {
    FormView& view;
    const NumberText& numbers;
    MessageSink& messages;
    AcadFactory& acad_factory;
    CurveLibrary& curves;
    ScriptFile& script;
};

class Form1 {
public:
    explicit Form1(const Services& services);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void Form_Load();
    void SSTab1_Click();
    void cmb_s();
    void Command5_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    std::int32_t SearchAcad();
    std::int32_t SearchAcadLT();
    bool ConnectAcad();
    bool PostAcadCommand(const std::wstring& command);
    bool SendAcadCommand(const std::wstring& command);
    void ActivateAcad();
    bool PickPoint();

    // A pick or a draw is running (the component keeps messages flowing, so
    // the window's handlers can be entered again meanwhile).
    bool busy() const { return busy_; }
    // The window asks to close. True: close now. False: a pick or draw is
    // still on the stack; it is being ended, and the window closes once
    // close_pending() holds and busy() no longer does.
    bool request_close();
    bool close_pending() const { return close_pending_; }

    double m_X = 0.0;
    double m_Y = 0.0;
    double m_Z = 0.0;

private:
    class BusyScope;

    void pick_into(ControlId x_box, ControlId y_box);
    void show(const std::wstring& text, std::uint32_t style);
    void show_failure(std::int32_t result);
    // The component's description of a failure, or one made from its number.
    std::wstring failure_text(std::int32_t result) const;
    std::optional<double> read(ControlId id) const;
    double value(ControlId id) const;
    void write(ControlId id, double value);
    std::wstring box_name(ControlId id) const;
    // The first box the draw reads that holds no number, if any.
    std::optional<ControlId> first_bad_box(int tab) const;
    std::optional<CurveCall> curve_call(int tab) const;
    bool refuse_when_busy();

    Services services_;
    std::unique_ptr<Acad> m_Acad;
    // The Control object a pick is waiting in; owned by PickPoint's frame.
    AcadControl* waiting_control_ = nullptr;
    bool busy_ = false;
    bool close_pending_ = false;
};

} // namespace tarn::app
