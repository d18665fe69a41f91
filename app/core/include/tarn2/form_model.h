// Form1 held in memory: every control of the table with its text, enabled
// state and option state, and the selected tab. Behaves as the window does
// (checking an option clears the others of its frame), so the logic can be
// run without a window.
#pragma once

#include "tarn2/ports.h"

#include <map>

namespace tarn::app {

class FormModel : public FormView {
public:
    FormModel();

    std::wstring text(ControlId id) const override;
    void set_text(ControlId id, const std::wstring& text) override;
    bool enabled(ControlId id) const override;
    void set_enabled(ControlId id, bool enabled) override;
    bool checked(ControlId id) const override;
    int tab() const override { return tab_; }
    std::int32_t SetTopMost(std::int16_t flag) override;

    // What a user does.
    void select_tab(int tab) { tab_ = tab; }
    void check(ControlId option);
    bool top_most() const { return top_most_; }

private:
    struct State {
        std::wstring text;
        bool enabled = true;
        bool checked = false;
    };
    const State& state(ControlId id) const;
    State& state(ControlId id);

    std::map<int, State> controls_;
    int tab_ = 0;
    bool top_most_ = false;
};

} // namespace tarn::app
