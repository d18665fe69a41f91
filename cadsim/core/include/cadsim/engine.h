// The command-line engine of the stand-in CAD program: what is typed goes in
// character by character; the current command line, the history and the
// drawing come out. No clock and no windows: the host decides when a delayed
// prompt appears and what a pick is.
#pragma once

#include "cadsim/numbers.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadsim {

inline constexpr std::wstring_view kIdlePrompt = L"ｺﾏﾝﾄﾞ: ";
inline constexpr std::wstring_view kPointPrompt = L"点を指定: ";
inline constexpr std::wstring_view kFirstPointPrompt = L"1 点目を指定: ";
inline constexpr std::wstring_view kNextPointPrompt = L"次の点を指定 または [元に戻す(U)]: ";
inline constexpr std::wstring_view kCancelEcho = L"*キャンセル*";
inline constexpr std::wstring_view kBadPointMessage =
    L"点、またはオプション キーワードが必要です。";
inline constexpr std::wstring_view kNothingToUndoMessage = L"元に戻す点がありません。";

// Longest input line kept; further characters are ignored until Enter.
inline constexpr size_t kMaxInputChars = 4096;
// History lines kept; older ones are dropped first.
inline constexpr size_t kMaxHistoryLines = 1500;
// Characters held while the program is busy; more are dropped.
inline constexpr size_t kMaxPendingChars = 4u << 20;

enum class EntityKind { Line, Polyline };

struct Entity {
    EntityKind kind = EntityKind::Line;
    std::vector<Point> points;
};

enum class Screen { Graphics, Text };

struct Variable {
    std::wstring name;
    int value = 0;
    int min = 0;
    int max = 0;
};

class Engine {
public:
    Engine();

    // Characters as typed: 3 cancels, 13, 10 and blank end an input, 8
    // deletes the last typed character, other control characters are ignored.
    void type(std::wstring_view keys);
    // A point given by the pointing device; false when no point is asked.
    bool pick(const Point& point);

    // While busy the command line is empty and typed characters wait.
    // When set, every finished command leaves the engine busy until
    // become_idle() is called.
    void set_delay_after_commands(bool delay) { delay_after_commands_ = delay; }
    bool busy() const { return state_ == State::Busy; }
    void become_idle();

    std::wstring command_line() const { return prompt_ + input_; }
    const std::wstring& prompt() const { return prompt_; }
    const std::deque<std::wstring>& history_lines() const { return history_; }
    // Lines ever added to the history (also those dropped since): the last
    // history_added() - n of history_lines() are new to one who saw n.
    uint64_t history_added() const { return history_added_; }
    // Lines joined by CR LF, no line end after the last.
    std::wstring history_text() const;
    // Appends a line of its own (a note from the host) to the history.
    void note(std::wstring_view line);

    bool asks_point() const;
    bool asks_id_point() const { return state_ == State::IdPoint; }
    // Changes whenever a prompt is shown (again).
    uint64_t prompt_serial() const { return prompt_serial_; }

    const std::vector<Entity>& entities() const { return entities_; }
    // Vertices of a polyline still being entered.
    const std::vector<Point>& pending_points() const { return points_; }
    bool pending_is_polyline() const;
    // Changes once at the end of every command that changed the drawing.
    uint64_t drawing_revision() const { return drawing_revision_; }

    // Commands that were started and have ended, normally or by cancel.
    uint64_t commands_completed() const { return commands_completed_; }
    std::optional<Screen> take_screen_request();

    const Variable* variable(std::wstring_view name) const;

private:
    enum class State {
        Idle,
        Busy,
        LineFirst,
        LineNext,
        PlineFirst,
        PlineNext,
        IdPoint,
        VariableValue,
    };

    void process(wchar_t key);
    void enter();
    void cancel();
    void run_command(const std::wstring& name);
    // A point as typed: absolute, or relative to the last point with "@".
    std::optional<Point> read_point(std::wstring_view text) const;
    void point_input(const Point& point);
    void undo_point();
    void variable_input_line(const std::wstring& line);
    void end_command();
    void show_prompt(std::wstring prompt, State state);
    void add_history(std::wstring line);
    void drain();
    Variable* find_variable(std::wstring_view name);
    std::wstring variable_prompt(const Variable& variable) const;
    int luprec() const;

    State state_ = State::Idle;
    std::wstring prompt_;
    std::wstring input_;
    std::deque<std::wstring> history_;
    std::wstring pending_;
    size_t pending_pos_ = 0;
    bool delay_after_commands_ = false;
    bool draining_ = false;

    std::vector<Entity> entities_;
    std::vector<Point> points_;
    Point last_point_;
    size_t line_entities_added_ = 0;
    bool drawing_changed_ = false;
    uint64_t drawing_revision_ = 0;
    uint64_t prompt_serial_ = 0;
    uint64_t history_added_ = 0;
    uint64_t commands_completed_ = 0;
    std::optional<Screen> screen_request_;

    std::vector<Variable> variables_;
    size_t current_variable_ = 0;
};

} // namespace cadsim
