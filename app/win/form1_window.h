// Form1 on the screen: the window and its controls, made from the control
// table at the system DPI. The window procedure only decodes messages and
// hands them to the form's logic.
#pragma once

#include "drafthand_link.h"
#include "tarn2/form1.h"
#include "win_services.h"

#include <tarn/unique.h>

#include <windows.h>

namespace tarn::app::win {

class Form1Window : public FormView {
public:
    // The window procedure's entry: every message of the main window.
    LRESULT handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    Form1Window();
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;
    ~Form1Window() override;

    // Creates, loads and shows the window; false when it could not be created.
    bool create(HINSTANCE instance, int show_command);
    HWND hwnd() const { return hwnd_.get(); }

    // FormView
    std::wstring text(ControlId id) const override;
    void set_text(ControlId id, const std::wstring& text) override;
    bool enabled(ControlId id) const override;
    void set_enabled(ControlId id, bool enabled) override;
    bool checked(ControlId id) const override;
    int tab() const override;
    std::int32_t SetTopMost(std::int16_t flag) override;

private:
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    bool on_create();
    void on_command(int id, int code);
    void on_tab_changed();
    void on_close();
    void close_if_pending();
    void show_tab_controls();
    HWND item(ControlId id) const;

    LocaleNumberText numbers_;
    MessageBoxSink messages_;
    DrafthandFactory acad_factory_;
    Auto_tarn5 curves_;
    ScriptFileInCurrentDirectory script_;
    PeekMessagePump pump_;
    Form1 form_;
    // Fonts outlive the controls that use them: the window is destroyed first.
    tarn::unique_hgdiobj ui_font_;
    tarn::unique_hgdiobj gothic_font_;
    tarn::unique_hwnd hwnd_;
};

} // namespace tarn::app::win
