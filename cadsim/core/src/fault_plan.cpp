#include "cadsim/fault_plan.h"

namespace cadsim {

FaultPlan::FaultPlan(const Options& options)
    : hang_after_(options.hang_after_commands), hang_ms_(options.hang_ms),
      die_after_(options.die_after_inputs), exit_after_(options.exit_after_commands) {}

bool FaultPlan::input_taken() {
    if (die_after_ > 0 && ++inputs_ >= die_after_) {
        dying_ = true;
    }
    return dying_;
}

bool FaultPlan::hang_due(uint64_t commands_completed) {
    if (hang_after_ == 0 || hang_started_ || commands_completed < hang_after_) {
        return false;
    }
    hang_started_ = true;
    return true;
}

bool FaultPlan::exit_due(uint64_t commands_completed) const {
    return exit_after_ > 0 && commands_completed >= exit_after_;
}

} // namespace cadsim
