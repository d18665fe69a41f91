#include "cadsim/fault_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace cadsim {
namespace {

TEST(FaultPlan, DiesOnTheInputCounted) {
    for (const unsigned long long after : {0ull, 1ull, 3ull}) {
        Options options;
        options.die_after_inputs = after;
        FaultPlan plan(options);
        for (unsigned long long input = 1; input <= 5; ++input) {
            EXPECT_EQ(plan.input_taken(), after > 0 && input >= after) << after << " " << input;
            EXPECT_EQ(plan.dying(), after > 0 && input >= after);
        }
    }
}

TEST(FaultPlan, HangsOnceAndExitsFromTheCommandCounted) {
    Options options;
    options.hang_after_commands = 2;
    options.hang_ms = 250;
    options.exit_after_commands = 3;
    FaultPlan plan(options);
    struct Step {
        uint64_t completed;
        bool hang, exit;
    };
    // Commands completed may jump by more than one between two syncs.
    for (const Step& step : std::vector<Step>{{0, false, false},
                                              {1, false, false},
                                              {2, true, false},
                                              {2, false, false},
                                              {5, false, true}}) {
        EXPECT_EQ(plan.hang_due(step.completed), step.hang) << step.completed;
        EXPECT_EQ(plan.exit_due(step.completed), step.exit) << step.completed;
    }
    EXPECT_EQ(plan.hang_ms(), 250u);

    const FaultPlan never{Options{}};
    FaultPlan copy = never;
    EXPECT_FALSE(copy.hang_due(1000));
    EXPECT_FALSE(copy.exit_due(1000));
    EXPECT_FALSE(copy.hang_ms());
}

} // namespace
} // namespace cadsim
