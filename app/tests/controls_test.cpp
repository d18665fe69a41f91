#include "tarn2/controls.h"
#include "tarn2/form_model.h"
#include "tarn2/number_format.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarn::app {
namespace {

TEST(Form1Controls, IdsAndNamesAreUniqueAndFindable) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const ControlSpec& spec : form1_controls()) {
        EXPECT_TRUE(ids.insert(spec.id).second) << spec.name;
        EXPECT_TRUE(names.insert(spec.name).second) << spec.name;
        EXPECT_EQ(find_control(spec.id), &spec);
    }
    EXPECT_EQ(ids.size(), 36u);
    EXPECT_EQ(find_control(static_cast<ControlId>(999)), nullptr);
    EXPECT_EQ(form1_controls().front().id, kSSTab1);
}

TEST(Form1Controls, PositionsOnTabsAndFramesAreMadeAbsolute) {
    const TwipRect command4 = find_control(kCommand4)->rect;
    EXPECT_EQ(command4.left, 120);
    EXPECT_EQ(command4.top, 2400 + 360);
    const TwipRect y3 = find_control(kY3)->rect;
    EXPECT_EQ(y3.left, 1680);
    EXPECT_EQ(y3.top, 2400 + 840);
    EXPECT_EQ(y3.height, 390);
    const TwipRect option2 = find_control(kOption2)->rect;
    EXPECT_EQ(option2.left, 2280 + 720);
    EXPECT_EQ(option2.top, 1440 + 360);
    const TwipRect option4 = find_control(kOption4)->rect;
    EXPECT_EQ(option4.left, 1920 + 120);
    EXPECT_EQ(option4.top, 2400 + 360 + 480);
    const TwipRect command5 = find_control(kCommand5)->rect;
    EXPECT_EQ(command5.left, 3240);
    EXPECT_EQ(command5.top, 3000);
    EXPECT_EQ(command5.width, 855);
    EXPECT_EQ(command5.height, 615);
}

TEST(Form1Controls, TabsOwnTheirControls) {
    EXPECT_EQ(find_control(kCommand4)->tab, kTabPerpendicular1);
    EXPECT_EQ(find_control(kX3)->tab, kTabPerpendicular1);
    EXPECT_EQ(find_control(kLLL)->tab, kTabPerpendicular2);
    EXPECT_EQ(find_control(kL)->tab, kTabCurveLength);
    EXPECT_EQ(find_control(kOption4)->tab, kTabParallel);
    EXPECT_EQ(find_control(kFrame2)->tab, kTabParallel);
    EXPECT_EQ(find_control(kLC)->tab, kTabCentre2);
    EXPECT_EQ(find_control(kCommand5)->tab, kAllTabs);
    EXPECT_EQ(find_control(kPitch)->tab, kAllTabs);
    EXPECT_TRUE(find_control(kSSTab1)->ms_p_gothic);
    EXPECT_TRUE(find_control(kLabel7)->ms_p_gothic);
    EXPECT_FALSE(find_control(kLabel1)->ms_p_gothic);
    EXPECT_TRUE(find_control(kOption1)->first_in_group);
    EXPECT_TRUE(find_control(kOption3)->first_in_group);
    EXPECT_FALSE(find_control(kOption2)->first_in_group);

    const wchar_t* expected[] = {L"法線",   L"垂線1",  L"垂線2", L"曲線長",
                                 L"中心線", L"平行線", L"中心2"};
    for (int tab = 0; tab < kTabCount; ++tab) {
        EXPECT_STREQ(tab_caption(tab), expected[tab]);
    }
    EXPECT_STREQ(tab_caption(7), L"");
}

TEST(Form1Controls, TwipsBecomePixelsAtTheSystemDpi) {
    EXPECT_EQ(twips_to_pixels(1440, 96), 96);
    EXPECT_EQ(twips_to_pixels(kFormWidthTwips, 96), 295);
    EXPECT_EQ(twips_to_pixels(kFormHeightTwips, 96), 255);
    EXPECT_EQ(twips_to_pixels(375, 96), 25);
    EXPECT_EQ(twips_to_pixels(375, 120), 31); // 31.25
    EXPECT_EQ(twips_to_pixels(390, 144), 39);
    EXPECT_EQ(twips_to_pixels(0, 192), 0);
}

TEST(FormModel, StartsWithTheCreationTextsAndOptions) {
    FormModel model;
    EXPECT_EQ(model.text(kPitch), L"0.1");
    EXPECT_EQ(model.text(kLC), L"100");
    EXPECT_EQ(model.text(kLLL), L"0");
    EXPECT_EQ(model.text(kL), L"0");
    EXPECT_EQ(model.text(kCommand2), L"KE");
    EXPECT_TRUE(model.checked(kOption1));
    EXPECT_TRUE(model.checked(kOption3));
    EXPECT_FALSE(model.checked(kOption2));
    model.check(kOption2);
    EXPECT_FALSE(model.checked(kOption1));
    EXPECT_TRUE(model.checked(kOption2));
    EXPECT_TRUE(model.checked(kOption3)); // the other frame keeps its choice
    EXPECT_THROW(model.check(kA), std::invalid_argument);
    EXPECT_THROW(model.text(static_cast<ControlId>(999)), std::out_of_range);
}

TEST(NumberFormat, WritesTheShortestFormWithFifteenDigits) {
    EXPECT_EQ(format_number(40), L"40");
    EXPECT_EQ(format_number(0.5), L"0.5");
    EXPECT_EQ(format_number(3), L"3");
    EXPECT_EQ(format_number(1000), L"1000");
    EXPECT_EQ(format_number(1.50), L"1.5");
    EXPECT_EQ(format_number(0.1), L"0.1");
    EXPECT_EQ(format_number(-0.0), L"0");
    EXPECT_EQ(format_number(-12.25), L"-12.25");
    EXPECT_EQ(format_number(1.0 / 3.0), L"0.333333333333333");
    EXPECT_EQ(format_number(2.0 / 3.0), L"0.666666666666667");
    EXPECT_EQ(format_number(123456789012345.0), L"123456789012345");
    EXPECT_EQ(format_number(1e15), L"1E+15");
    EXPECT_EQ(format_number(0.0001), L"0.0001");
    EXPECT_EQ(format_number(0.00001), L"1E-05");
    EXPECT_EQ(format_number(1.5e-7), L"1.5E-07");
    EXPECT_EQ(format_number(1e300), L"1E+300");
    EXPECT_EQ(format_number(0.1 + 0.2), L"0.3");
    EXPECT_EQ(format_number(2.5, L','), L"2,5");
}

} // namespace
} // namespace tarn::app
