#include "cadsim/engine.h"

#include <cmath>

namespace cadsim {
namespace {

wchar_t ascii_upper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c;
}

std::wstring to_upper(std::wstring_view text) {
    std::wstring result(text);
    for (auto& c : result) {
        c = ascii_upper(c);
    }
    return result;
}

bool equals_ignoring_case(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (ascii_upper(a[i]) != ascii_upper(b[i])) {
            return false;
        }
    }
    return true;
}

// "_" asks for the English command name and "." for the built-in one; both
// name the same command here.
std::wstring_view strip_command_prefixes(std::wstring_view name) {
    while (!name.empty() && (name.front() == L'_' || name.front() == L'.')) {
        name.remove_prefix(1);
    }
    return name;
}

bool is_finite(const Point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

Engine::Engine()
    : variables_{
          {L"LUPREC", 4, 0, 8},        {L"OSNAPCOORD", 2, 0, 2}, {L"AUPREC", 0, 0, 8},
          {L"CMDECHO", 1, 0, 1},       {L"FILEDIA", 1, 0, 1},    {L"LUNITS", 2, 1, 5},
          {L"OSMODE", 4133, 0, 16383},
      } {
    show_prompt(std::wstring(kIdlePrompt), State::Idle);
}

void Engine::type(std::wstring_view keys) {
    const size_t held = pending_.size() - pending_pos_;
    const size_t room = held < kMaxPendingChars ? kMaxPendingChars - held : 0;
    pending_.append(keys.substr(0, room));
    drain();
}

void Engine::drain() {
    if (draining_) {
        return;
    }
    draining_ = true;
    while (state_ != State::Busy && pending_pos_ < pending_.size()) {
        process(pending_[pending_pos_++]);
    }
    if (pending_pos_ == pending_.size()) {
        pending_.clear();
        pending_pos_ = 0;
    } else if (pending_pos_ > 4096 && pending_pos_ > pending_.size() / 2) {
        pending_.erase(0, pending_pos_);
        pending_pos_ = 0;
    }
    draining_ = false;
}

void Engine::become_idle() {
    if (state_ != State::Busy) {
        return;
    }
    show_prompt(std::wstring(kIdlePrompt), State::Idle);
    drain();
}

void Engine::process(wchar_t key) {
    switch (key) {
    case 3:
        cancel();
        return;
    case 13:
    case 10:
    case L' ':
        enter();
        return;
    case 8:
        if (!input_.empty()) {
            input_.pop_back();
        }
        return;
    default:
        break;
    }
    if (key < 0x20 || key == 0x7F) {
        return;
    }
    if (input_.size() < kMaxInputChars) {
        input_.push_back(key);
    }
}

void Engine::cancel() {
    add_history(prompt_ + input_ + std::wstring(kCancelEcho));
    input_.clear();
    if (state_ == State::Idle) {
        show_prompt(std::wstring(kIdlePrompt), State::Idle);
        return;
    }
    end_command();
}

void Engine::enter() {
    const std::wstring line = std::move(input_);
    input_.clear();
    add_history(prompt_ + line);
    switch (state_) {
    case State::Idle:
        if (line.empty()) {
            show_prompt(std::wstring(kIdlePrompt), State::Idle);
        } else {
            run_command(line);
        }
        return;
    case State::LineFirst:
    case State::LineNext:
    case State::PlineFirst:
    case State::PlineNext:
    case State::IdPoint: {
        if (line.empty()) {
            end_command();
            return;
        }
        if ((state_ == State::LineNext || state_ == State::PlineNext) &&
            equals_ignoring_case(strip_command_prefixes(line), L"U")) {
            undo_point();
            return;
        }
        const auto point = read_point(line);
        if (!point) {
            add_history(std::wstring(kBadPointMessage));
            show_prompt(prompt_, state_);
            return;
        }
        point_input(*point);
        return;
    }
    case State::VariableValue:
        variable_input_line(line);
        return;
    case State::Busy:
        return;
    }
}

void Engine::run_command(const std::wstring& typed) {
    const std::wstring name = to_upper(strip_command_prefixes(typed));
    if (name == L"LINE" || name == L"L") {
        points_.clear();
        show_prompt(std::wstring(kFirstPointPrompt), State::LineFirst);
    } else if (name == L"PLINE" || name == L"PL") {
        points_.clear();
        show_prompt(std::wstring(kFirstPointPrompt), State::PlineFirst);
    } else if (name == L"ID") {
        show_prompt(std::wstring(kPointPrompt), State::IdPoint);
    } else if (name == L"GRAPHSCR") {
        screen_request_ = Screen::Graphics;
        end_command();
    } else if (name == L"TEXTSCR") {
        screen_request_ = Screen::Text;
        end_command();
    } else if (Variable* variable = find_variable(name)) {
        current_variable_ = static_cast<size_t>(variable - variables_.data());
        show_prompt(variable_prompt(*variable), State::VariableValue);
    } else {
        add_history(L"不明なコマンド \"" + to_upper(typed) +
                    L"\"。 F1 キーを押してヘルプを参照してください。");
        show_prompt(std::wstring(kIdlePrompt), State::Idle);
    }
}

std::optional<Point> Engine::read_point(std::wstring_view text) const {
    if (text.empty() || text.front() != L'@') {
        return parse_point(text);
    }
    // Relative to the last point: "@dx,dy[,dz]", "@distance<degrees", "@".
    text.remove_prefix(1);
    if (text.empty()) {
        return last_point_;
    }
    const size_t angle_mark = text.find(L'<');
    Point result = last_point_;
    if (angle_mark != std::wstring_view::npos) {
        const auto distance = parse_real(text.substr(0, angle_mark));
        const auto degrees = parse_real(text.substr(angle_mark + 1));
        if (!distance || !degrees) {
            return std::nullopt;
        }
        const double radians = std::fmod(*degrees, 360.0) * (3.14159265358979323846 / 180.0);
        result.x += *distance * std::cos(radians);
        result.y += *distance * std::sin(radians);
    } else {
        const auto offset = parse_point(text);
        if (!offset) {
            return std::nullopt;
        }
        result.x += offset->x;
        result.y += offset->y;
        result.z += offset->z;
    }
    if (!is_finite(result)) {
        return std::nullopt;
    }
    return result;
}

void Engine::point_input(const Point& point) {
    last_point_ = point;
    switch (state_) {
    case State::LineFirst:
        points_.assign(1, point);
        show_prompt(std::wstring(kNextPointPrompt), State::LineNext);
        return;
    case State::LineNext:
        entities_.push_back(Entity{EntityKind::Line, {points_.back(), point}});
        ++line_entities_added_;
        drawing_changed_ = true;
        points_.push_back(point);
        show_prompt(std::wstring(kNextPointPrompt), State::LineNext);
        return;
    case State::PlineFirst:
        points_.assign(1, point);
        add_history(L"現在の線幅は " + format_fixed(0.0, luprec()));
        show_prompt(std::wstring(kNextPointPrompt), State::PlineNext);
        return;
    case State::PlineNext:
        points_.push_back(point);
        show_prompt(std::wstring(kNextPointPrompt), State::PlineNext);
        return;
    case State::IdPoint: {
        const int decimals = luprec();
        add_history(L"X = " + format_fixed(point.x, decimals) + L"     Y = " +
                    format_fixed(point.y, decimals) + L"     Z = " +
                    format_fixed(point.z, decimals));
        end_command();
        return;
    }
    default:
        return;
    }
}

void Engine::undo_point() {
    if (points_.size() < 2) {
        add_history(std::wstring(kNothingToUndoMessage));
    } else {
        points_.pop_back();
        if (state_ == State::LineNext && line_entities_added_ > 0) {
            entities_.pop_back();
            --line_entities_added_;
            drawing_changed_ = true;
        }
    }
    show_prompt(std::wstring(kNextPointPrompt), state_);
}

void Engine::variable_input_line(const std::wstring& line) {
    Variable& variable = variables_[current_variable_];
    if (line.empty()) {
        end_command();
        return;
    }
    const auto value = parse_int(line);
    if (value && *value >= variable.min && *value <= variable.max) {
        variable.value = *value;
        end_command();
        return;
    }
    add_history(std::to_wstring(variable.min) + L" から " + std::to_wstring(variable.max) +
                L" までの整数を入力してください。");
    show_prompt(variable_prompt(variable), State::VariableValue);
}

bool Engine::pick(const Point& point) {
    if (!asks_point() || !is_finite(point)) {
        return false;
    }
    input_.clear();
    add_history(prompt_);
    point_input(point);
    return true;
}

void Engine::end_command() {
    if ((state_ == State::PlineFirst || state_ == State::PlineNext) && points_.size() >= 2) {
        entities_.push_back(Entity{EntityKind::Polyline, points_});
        drawing_changed_ = true;
    }
    points_.clear();
    line_entities_added_ = 0;
    ++commands_completed_;
    if (drawing_changed_) {
        ++drawing_revision_;
        drawing_changed_ = false;
    }
    if (delay_after_commands_) {
        state_ = State::Busy;
        prompt_.clear();
        ++prompt_serial_;
    } else {
        show_prompt(std::wstring(kIdlePrompt), State::Idle);
    }
}

void Engine::show_prompt(std::wstring prompt, State state) {
    prompt_ = std::move(prompt);
    state_ = state;
    ++prompt_serial_;
}

void Engine::add_history(std::wstring line) {
    history_.push_back(std::move(line));
    ++history_added_;
    while (history_.size() > kMaxHistoryLines) {
        history_.pop_front();
    }
}

void Engine::note(std::wstring_view line) {
    add_history(std::wstring(line));
}

std::wstring Engine::history_text() const {
    size_t size = 0;
    for (const auto& line : history_) {
        size += line.size() + 2;
    }
    std::wstring text;
    text.reserve(size);
    bool first = true;
    for (const auto& line : history_) {
        if (!first) {
            text += L"\r\n";
        }
        first = false;
        text += line;
    }
    return text;
}

bool Engine::asks_point() const {
    switch (state_) {
    case State::LineFirst:
    case State::LineNext:
    case State::PlineFirst:
    case State::PlineNext:
    case State::IdPoint:
        return true;
    default:
        return false;
    }
}

bool Engine::pending_is_polyline() const {
    return state_ == State::PlineFirst || state_ == State::PlineNext;
}

std::optional<Screen> Engine::take_screen_request() {
    auto request = screen_request_;
    screen_request_.reset();
    return request;
}

Variable* Engine::find_variable(std::wstring_view name) {
    for (auto& variable : variables_) {
        if (equals_ignoring_case(variable.name, name)) {
            return &variable;
        }
    }
    return nullptr;
}

const Variable* Engine::variable(std::wstring_view name) const {
    return const_cast<Engine*>(this)->find_variable(name);
}

std::wstring Engine::variable_prompt(const Variable& variable) const {
    return variable.name + L" の新しい値を入力 <" + std::to_wstring(variable.value) + L">: ";
}

int Engine::luprec() const {
    const Variable* variable = this->variable(L"LUPREC");
    return variable ? variable->value : 4;
}

} // namespace cadsim
