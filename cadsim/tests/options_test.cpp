#include "cadsim/options.h"

#include <gtest/gtest.h>

namespace cadsim {
namespace {

TEST(Options, DefaultsGiveTheLtCaptions) {
    const auto result = parse_options({});
    ASSERT_EQ(result.error, L"");
    EXPECT_EQ(main_caption(result.options), L"AutoCAD LT - [Drawing1.dwg]");
    EXPECT_EQ(text_caption(result.options), L"AutoCAD LT ﾃｷｽﾄ");
    EXPECT_EQ(result.options.exit_after_commands, 0u);
}

TEST(Options, EveryOptionIsRead) {
    const auto result = parse_options({L"--product",
                                       L"full",
                                       L"--drawing",
                                       L"道路.dwg",
                                       L"--dxf",
                                       L"C:\\out.dxf",
                                       L"--pick",
                                       L"1,2;3.5e+00,4,5;",
                                       L"--refuse-copydata",
                                       L"--prompt-delay",
                                       L"250",
                                       L"--startup-delay",
                                       L"1000",
                                       L"--exit-after-commands",
                                       L"3",
                                       L"--hang-after",
                                       L"2",
                                       L"--hang-ms",
                                       L"1500",
                                       L"--die-after",
                                       L"7"});
    ASSERT_EQ(result.error, L"");
    const Options& o = result.options;
    EXPECT_EQ(main_caption(o), L"AutoCAD - [道路.dwg]");
    EXPECT_EQ(text_caption(o), L"AutoCAD ﾃｷｽﾄ");
    EXPECT_EQ(o.dxf_path, L"C:\\out.dxf");
    ASSERT_EQ(o.picks.size(), 2u);
    EXPECT_EQ(o.picks[1].x, 3.5);
    EXPECT_EQ(o.picks[1].z, 5.0);
    EXPECT_TRUE(o.refuse_copydata);
    EXPECT_EQ(o.prompt_delay_ms, 250u);
    EXPECT_EQ(o.startup_delay_ms, 1000u);
    EXPECT_EQ(o.exit_after_commands, 3u);
    EXPECT_EQ(o.hang_after_commands, 2u);
    EXPECT_EQ(o.hang_ms, 1500u);
    EXPECT_EQ(o.die_after_inputs, 7u);
    EXPECT_FALSE(parse_options({L"--hang-after", L"1"}).options.hang_ms); // for ever
    EXPECT_TRUE(parse_options({L"--help"}).options.help);
}

TEST(Options, BadArgumentsAreRefusedWithAMessage) {
    const std::vector<std::vector<std::wstring>> bad{
        {L"--bogus"},
        {L"--product"},
        {L"--product", L"pro"},
        {L"--pick", L"1"},
        {L"--pick", L"1,2;;3,4"},
        {L"--prompt-delay", L"-1"},
        {L"--prompt-delay", L"99999999999999999999"},
        {L"--exit-after-commands", L"0"},
        {L"--hang-after", L"0"},
        {L"--die-after"},
        {L"--hang-ms", L"x"},
        {L"--drawing", L""},
        {L"--dxf"},
        {L"--startup-delay", L"1e3"},
    };
    for (const auto& args : bad) {
        const auto result = parse_options(args);
        EXPECT_NE(result.error, L"") << args[0];
    }
    EXPECT_NE(parse_options({L"--bogus"}).error.find(L"--bogus"), std::wstring::npos);
}

TEST(Options, UsageNamesEveryOption) {
    const std::wstring usage = usage_text();
    for (const wchar_t* name :
         {L"--product", L"--drawing", L"--dxf", L"--pick", L"--refuse-copydata", L"--prompt-delay",
          L"--startup-delay", L"--exit-after-commands", L"--hang-after", L"--hang-ms",
          L"--die-after", L"--help"}) {
        EXPECT_NE(usage.find(name), std::wstring::npos) << name;
    }
}

} // namespace
} // namespace cadsim
