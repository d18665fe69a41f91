// The faults of a real CAD program that the options ask for (a hang, a
// crash, an exit after so many commands), decided here and carried out by
// the host.
#pragma once

#include "cadsim/options.h"

#include <cstdint>
#include <optional>

namespace cadsim {

class FaultPlan {
public:
    explicit FaultPlan(const Options& options);

    // After each input taken: true from the input on which the program is
    // to die; it answers that input first.
    bool input_taken();
    bool dying() const { return dying_; }

    // After the engine changed, with its count of completed commands: true
    // once, when the hang is to start.
    bool hang_due(uint64_t commands_completed);
    // How long a hang lasts; none: for ever.
    std::optional<unsigned> hang_ms() const { return hang_ms_; }
    bool exit_due(uint64_t commands_completed) const;

private:
    unsigned long long hang_after_;
    std::optional<unsigned> hang_ms_;
    unsigned long long die_after_;
    unsigned long long exit_after_;
    unsigned long long inputs_ = 0;
    bool dying_ = false;
    bool hang_started_ = false;
};

} // namespace cadsim
