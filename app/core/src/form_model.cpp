#include "tarn2/form_model.h"

#include <stdexcept>

namespace tarn::app {

FormModel::FormModel() {
    for (const ControlSpec& spec : form1_controls()) {
        controls_[spec.id].text = spec.text;
    }
    controls_[kOption1].checked = true;
    controls_[kOption3].checked = true;
}

const FormModel::State& FormModel::state(ControlId id) const {
    const auto found = controls_.find(id);
    if (found == controls_.end()) {
        throw std::out_of_range("no such control");
    }
    return found->second;
}

FormModel::State& FormModel::state(ControlId id) {
    const auto found = controls_.find(id);
    if (found == controls_.end()) {
        throw std::out_of_range("no such control");
    }
    return found->second;
}

std::wstring FormModel::text(ControlId id) const {
    return state(id).text;
}

void FormModel::set_text(ControlId id, const std::wstring& text) {
    state(id).text = text;
}

bool FormModel::enabled(ControlId id) const {
    return state(id).enabled;
}

void FormModel::set_enabled(ControlId id, bool enabled) {
    state(id).enabled = enabled;
}

bool FormModel::checked(ControlId id) const {
    return state(id).checked;
}

std::int32_t FormModel::SetTopMost(std::int16_t flag) {
    top_most_ = flag != 0;
    return 1;
}

void FormModel::check(ControlId option) {
    const bool unit = option == kOption1 || option == kOption2;
    const bool widening = option == kOption3 || option == kOption4;
    if (!unit && !widening) {
        throw std::invalid_argument("not an option button");
    }
    state(unit ? kOption1 : kOption3).checked = false;
    state(unit ? kOption2 : kOption4).checked = false;
    state(option).checked = true;
}

} // namespace tarn::app
