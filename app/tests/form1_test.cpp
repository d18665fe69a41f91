#include "fakes.h"

#include "tarn2/messages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

namespace tarn::app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr std::int32_t kLinkFailed = static_cast<std::int32_t>(0x80040270u);
constexpr ControlId kButtonIds[] = {kCommand1, kCommand2, kCommand3, kCommand4, kCommand5};

void expect_buttons_enabled(const FormView& view) {
    for (ControlId id : kButtonIds) {
        EXPECT_TRUE(view.enabled(id)) << RecordingView::name(id);
    }
}

TEST(FormLoad, FillsTheDefaultsAndStaysOnTop) {
    Log log;
    FakeNumbers numbers;
    RecordingView view(log);
    FakeMessages messages(log);
    FakeCad cad;
    FakeAcadFactory factory(log, cad);
    FakeScript script(log);
    FakeCurves curves(log, script);
    FakePump pump;
    Form1 form(Services{view, numbers, messages, factory, curves, script, pump});

    form.Form_Load();

    EXPECT_TRUE(view.top_most());
    for (ControlId id : {kX0, kY0, kX1, kY1, kX2, kY2, kX3, kY3, kDw, kLLL, kL}) {
        EXPECT_EQ(view.text(id), L"0") << RecordingView::name(id);
    }
    EXPECT_EQ(view.text(kA), L"40");
    EXPECT_EQ(view.text(kPitch), L"0.1");
    EXPECT_EQ(view.text(kKeta), L"7");
    EXPECT_EQ(view.text(kW), L"3");
    EXPECT_EQ(view.text(kLC), L"100");
    EXPECT_EQ(view.text(kCommand2), L"KE");
    EXPECT_TRUE(view.checked(kOption1));
    EXPECT_TRUE(view.checked(kOption3));
    expect_buttons_enabled(view);
    EXPECT_THAT(log, ElementsAre(L"text x0=0", L"text y0=0", L"text x1=0", L"text y1=0",
                                 L"text x2=0", L"text y2=0", L"text x3=0", L"text y3=0",
                                 L"text a=40", L"text w=3", L"text dw=0", L"text keta=7"));
    EXPECT_THAT(messages.shown, IsEmpty());
    EXPECT_EQ(cad.acad_objects, 0);
}

TEST(SSTab1Click, Command2CaptionFollowsTheTab) {
    Rig rig;
    const wchar_t* expected[] = {L"線上点", L"KE", L"KE", L"線上点", L"KE", L"KE", L"接線方向端点"};
    for (int tab : {6, 0, 1, 2, 3, 4, 5, 6, 3}) {
        rig.view.select_tab(tab);
        rig.form.SSTab1_Click();
        EXPECT_EQ(rig.view.text(kCommand2), expected[tab]) << "tab " << tab;
    }
}

TEST(CmbS, EnablesTheFiveButtonsInOrder) {
    Rig rig;
    for (ControlId id : kButtonIds) {
        rig.view.set_enabled(id, false);
    }
    rig.log.clear();
    rig.form.cmb_s();
    EXPECT_THAT(rig.log, ElementsAre(L"enable Command1", L"enable Command2", L"enable Command3",
                                     L"enable Command4", L"enable Command5"));
}

// ---- Command5: inputs ----

TEST(Command5, TakesAbsoluteValuesOfPitchAAndDwButNotW) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabParallel);
    rig.view.set_text(kPitch, L"-0.1");
    rig.view.set_text(kA, L"-40");
    rig.view.set_text(kDw, L"-0.5");
    rig.view.set_text(kW, L"-3");
    rig.log.clear();
    rig.form.Command5_Click();
    EXPECT_EQ(rig.view.text(kPitch), L"0.1");
    EXPECT_EQ(rig.view.text(kA), L"40");
    EXPECT_EQ(rig.view.text(kDw), L"0.5");
    EXPECT_EQ(rig.view.text(kW), L"-3");
    // Absolute values come first of all.
    ASSERT_GE(rig.log.size(), 3u);
    EXPECT_EQ(rig.log[0], L"text pitch=0.1");
    EXPECT_EQ(rig.log[1], L"text a=40");
    EXPECT_EQ(rig.log[2], L"text dw=0.5");
    ASSERT_EQ(rig.curves.calls.size(), 1u);
    EXPECT_EQ(rig.curves.calls[0].args[9], -3.0);
    EXPECT_EQ(rig.curves.calls[0].args[10], 0.5);
}

TEST(Command5, EmptyInputStopsSilentlyAfterTheAbsoluteValues) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> set_up;
    };
    const Case cases[] = {
        {"pitch 0", [](Rig& r) { r.view.set_text(kPitch, L"-0"); }},
        {"a 0", [](Rig& r) { r.view.set_text(kA, L"0.0"); }},
        {"all points 0",
         [](Rig& r) {
             for (ControlId id : {kX0, kY0, kX1, kY1, kX2, kY2}) {
                 r.view.set_text(id, L"0");
             }
             // not looked at by the check
             r.view.set_text(kX3, L"5");
             r.view.set_text(kW, L"7");
         }},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(kTabCentreLine);
        c.set_up(rig);
        rig.view.set_text(kA, rig.view.text(kA) == L"0.0" ? L"0.0" : L"-40");
        rig.log.clear();
        rig.form.Command5_Click();
        EXPECT_THAT(rig.log, ElementsAre(L"text pitch=" + rig.view.text(kPitch),
                                         L"text a=" + rig.view.text(kA), L"text dw=0"))
            << c.what;
        EXPECT_EQ(rig.view.text(kA), c.what == std::string("a 0") ? L"0" : L"40") << c.what;
        EXPECT_THAT(rig.messages.shown, IsEmpty()) << c.what;
        EXPECT_THAT(rig.curves.calls, IsEmpty()) << c.what;
        EXPECT_EQ(rig.cad.acad_objects, 0) << c.what;
        expect_buttons_enabled(rig.view);
    }
}

TEST(Command5, OnePointOffZeroIsEnoughToDraw) {
    Rig rig;
    rig.cad.full_running = true;
    for (ControlId id : {kX0, kY0, kX1, kY1, kX2, kY2}) {
        rig.view.set_text(id, L"0");
    }
    rig.view.set_text(kY2, L"1");
    rig.view.select_tab(kTabCentreLine);
    rig.form.Command5_Click();
    EXPECT_EQ(rig.curves.calls.size(), 1u);
}

TEST(Command5, BoxThatIsNotANumberIsNamedAndNothingChanges) {
    struct Case {
        int tab;
        ControlId box;
        const wchar_t* text;
        const wchar_t* name;
    };
    const Case cases[] = {
        {kTabCentreLine, kPitch, L"", L"pitch(m)"},
        {kTabCentreLine, kA, L"40m", L"A"},
        {kTabNormal, kDw, L"abc", L"dW(m)"},
        {kTabCentreLine, kX0, L"1.2.3", L"KAのX"},
        {kTabCentreLine, kY1, L" ", L"KEのY"},
        {kTabNormal, kX1, L"x", L"線上点のX"},
        {kTabCentreLine, kY2, L"1,5", L"曲線位置のY"},
        {kTabCentreLine, kX3, L"?", L"線上外点のX"},
        {kTabPerpendicular2, kLLL, L"", L"KAからの距離(m)"},
        {kTabParallel, kW, L"three", L"W(m)"},
        {kTabCentre2, kLC, L"1e", L"クロソイド曲線長Ｌ(m)"},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(c.tab);
        rig.form.SSTab1_Click();
        rig.view.set_text(kPitch, L"-0.1");
        rig.view.set_text(c.box, c.text);
        rig.log.clear();
        rig.form.Command5_Click();
        ASSERT_EQ(rig.messages.shown.size(), 1u) << c.name;
        EXPECT_EQ(rig.messages.shown[0].text,
                  L"「" + std::wstring(c.name) + L"」に数値を入力してください。");
        EXPECT_EQ(rig.messages.shown[0].style, kStyleExclamation);
        // Nothing written, nothing computed, nothing sent.
        EXPECT_THAT(rig.log, ElementsAre(L"message " + rig.messages.shown[0].text)) << c.name;
        EXPECT_EQ(rig.view.text(c.box), c.text);
        expect_buttons_enabled(rig.view);
    }
}

TEST(Command5, BoxesOfOtherTabsAreNotRead) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabCentreLine);
    rig.view.set_text(kLC, L"abc");
    rig.view.set_text(kLLL, L"");
    rig.view.set_text(kW, L"?");
    rig.form.Command5_Click();
    EXPECT_THAT(rig.messages.shown, IsEmpty());
    EXPECT_EQ(rig.curves.calls.size(), 1u);
}

// ---- Command5: the whole road ----

TEST(Command5, DrawsInTheOrderOfTheWorkflow) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabCentreLine);
    rig.form.Command5_Click();
    const std::vector<std::wstring> expected = {
        L"text pitch=0.1",
        L"text a=40",
        L"text dw=0",
        L"disable Command1",
        L"disable Command2",
        L"disable Command3",
        L"disable Command4",
        L"disable Command5",
        L"text x0=10",
        L"text y0=20",
        L"text x1=60.5",
        L"text y1=25",
        L"text x2=30",
        L"text y2=0",
        L"text x3=0",
        L"text y3=0",
        L"remove script",
        L"tarn5",
        L"open script",
        L"create Acad",
        L"MainCompareTitle=AutoCAD - [",
        L"TextCompareTitle=AutoCAD ﾃｷｽﾄ",
        L"CommandCompareTitle=Headlands",
        L"HistoryCompareTitle=MountTam",
        L"Search",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post ^C^Cosnapcoord^M1^M",
        L"Active",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post pline^M",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post 1.0,2.0^M",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post 3.0,4.0^M",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post ^M",
        L"enable Command1",
        L"enable Command2",
        L"enable Command3",
        L"enable Command4",
        L"enable Command5",
    };
    EXPECT_THAT(rig.log, ElementsAreArray(expected));
    EXPECT_THAT(rig.messages.shown, IsEmpty());
    EXPECT_FALSE(rig.form.busy());
}

TEST(Command5, ScriptOfNLinesMakesNPlusTwoPosts) {
    for (std::size_t n : {0u, 1u, 5u, 250u}) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(kTabCentreLine);
        rig.curves.script_lines.clear();
        for (std::size_t i = 0; i < n; ++i) {
            rig.curves.script_lines.push_back(L"line" + std::to_wstring(i));
        }
        rig.form.Command5_Click();
        const std::vector<std::wstring> posts = rig.entries(L"post ");
        ASSERT_EQ(posts.size(), n + 2);
        EXPECT_EQ(posts.front(), L"post ^C^Cosnapcoord^M1^M");
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(posts[i + 1], L"post line" + std::to_wstring(i) + L"^M");
        }
        EXPECT_EQ(posts.back(), L"post ^M");
    }
}

// A long replay lets the window repaint, and a close asked for meanwhile ends
// it before the next line.
TEST(Command5, LongReplayKeepsTheWindowAliveAndClosable) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabCentreLine);
    rig.curves.script_lines.assign(1000, L"1.0,2.0");
    rig.pump.on_pump = [&rig] {
        if (rig.pump.calls == 3) {
            EXPECT_FALSE(rig.form.request_close());
        }
    };
    rig.form.Command5_Click();
    EXPECT_EQ(rig.pump.calls, 3);
    EXPECT_EQ(rig.entries(L"post ").size(), 1u + 3 * 64 + 1);
    EXPECT_THAT(rig.messages.shown, IsEmpty());
    EXPECT_FALSE(rig.form.busy());
}

TEST(Command5, NormalisesEveryCoordinateBoxOnEveryTab) {
    for (int tab = 0; tab < kTabCount; ++tab) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(tab);
        rig.view.set_text(kX0, L"1.50");
        rig.view.set_text(kY0, L"1e3");
        rig.view.set_text(kX1, L" 2 ");
        rig.view.set_text(kY1, L"+7");
        rig.view.set_text(kX2, L"-0");
        rig.view.set_text(kY2, L"0.10");
        rig.view.set_text(kX3, L"003");
        rig.view.set_text(kY3, L"-2.500");
        rig.form.Command5_Click();
        EXPECT_EQ(rig.view.text(kX0), L"1.5");
        EXPECT_EQ(rig.view.text(kY0), L"1000");
        EXPECT_EQ(rig.view.text(kX1), L"2");
        EXPECT_EQ(rig.view.text(kY1), L"7");
        EXPECT_EQ(rig.view.text(kX2), L"0");
        EXPECT_EQ(rig.view.text(kY2), L"0.1");
        EXPECT_EQ(rig.view.text(kX3), L"3") << "tab " << tab;
        EXPECT_EQ(rig.view.text(kY3), L"-2.5") << "tab " << tab;
    }
}

TEST(Command5, CallsTheExportOfTheTabWithItsArguments) {
    struct Case {
        int tab;
        bool mm;
        bool higher_order;
        int number;
        std::vector<double> args;
    };
    // x0..y2 = 10 20 60.5 25 30 0; x3 y3 = 7 8; a 40; pitch 0.1; LLL 12; w 3; dw 0.5; LC 100
    const std::vector<double> p = {10, 20, 60.5, 25, 30, 0};
    auto with = [&p](std::initializer_list<double> rest) {
        std::vector<double> args = p;
        args.insert(args.end(), rest);
        return args;
    };
    const Case cases[] = {
        {0, false, false, 1, with({40, 0})},
        {0, true, false, 1, with({40, 1})},
        {1, false, false, 2, with({7, 8, 40, 0})},
        {2, true, false, 3, with({40, 12, 1})},
        {3, false, false, 4, with({40, 0})},
        {4, true, false, 5, with({40, 0.1, 1})},
        {5, false, false, 6, with({40, 0.1, 0, 3, 0.5, 1})},
        {5, true, true, 6, with({40, 0.1, 1, 3, 0.5, 2})},
        {6, false, false, 7, with({40, 0.1, 0, 100})},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(c.tab);
        rig.view.set_text(kX3, L"7");
        rig.view.set_text(kY3, L"8");
        rig.view.set_text(kLLL, L"12");
        rig.view.set_text(kDw, L"0.5");
        if (c.mm) {
            rig.view.check(kOption2);
        }
        if (c.higher_order) {
            rig.view.check(kOption4);
        }
        rig.form.Command5_Click();
        ASSERT_EQ(rig.curves.calls.size(), 1u) << "tab " << c.tab;
        EXPECT_EQ(rig.curves.calls[0].number, c.number);
        EXPECT_EQ(rig.curves.calls[0].args, c.args) << "tab " << c.tab;
    }
}

TEST(Command5, CurveLengthTabOnlyFillsL) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabCurveLength);
    rig.curves.next.length = 51.123456789012345;
    rig.script.lines = std::vector<std::wstring>{L"line", L"0,0", L"1,1"};
    rig.form.Command5_Click();
    EXPECT_EQ(rig.view.text(kL), L"51.1234567890123");
    EXPECT_EQ(rig.cad.acad_objects, 0);
    EXPECT_THAT(rig.entries(L"post"), IsEmpty());
    EXPECT_FALSE(rig.logged(L"create Acad"));
    // The script of an earlier draw is left alone.
    EXPECT_FALSE(rig.logged(L"remove script"));
    EXPECT_TRUE(rig.script.lines.has_value());
    EXPECT_EQ(rig.log.back(), L"enable Command5");
    EXPECT_THAT(rig.messages.shown, IsEmpty());
}

TEST(Command5, RefusedLengthKeepsLAndSaysSo) {
    Rig rig;
    rig.view.select_tab(kTabCurveLength);
    rig.view.set_text(kL, L"12");
    rig.curves.next.length = std::numeric_limits<double>::quiet_NaN();
    rig.form.Command5_Click();
    EXPECT_EQ(rig.view.text(kL), L"12");
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text, kMsgNoLength);
    EXPECT_EQ(rig.messages.shown[0].style, kStyleExclamation);
    expect_buttons_enabled(rig.view);
}

TEST(Command5, RefusedCallNeverReplaysAnOldScript) {
    for (std::int32_t code : {1, 2, 3, 4, 5, 9}) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(kTabCentreLine);
        rig.script.lines = std::vector<std::wstring>{L"pline", L"stale"};
        rig.curves.next.code = code;
        rig.form.Command5_Click();
        EXPECT_FALSE(rig.script.lines.has_value());
        EXPECT_THAT(rig.entries(L"post"), IsEmpty());
        EXPECT_EQ(rig.cad.acad_objects, 0);
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].text, curve_result_message(code));
        EXPECT_EQ(rig.messages.shown[0].style, kStyleExclamation);
        expect_buttons_enabled(rig.view);
    }
    EXPECT_NE(curve_result_message(3), curve_result_message(4));
    EXPECT_NE(curve_result_message(9).find(L"9"), std::wstring::npos);
}

TEST(Command5, MissingLibraryOrExportIsReported) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabParallel);
    rig.curves.next.load = CurveLoad::library_missing;
    rig.form.Command5_Click();
    rig.curves.next.load = CurveLoad::export_missing;
    rig.form.Command5_Click();
    ASSERT_EQ(rig.messages.shown.size(), 2u);
    EXPECT_NE(rig.messages.shown[0].text.find(L"auto_tarn5.dll"), std::wstring::npos);
    EXPECT_NE(rig.messages.shown[1].text.find(L"「tarn6」"), std::wstring::npos);
    EXPECT_NE(rig.messages.shown[0].text, rig.messages.shown[1].text);
    EXPECT_THAT(rig.entries(L"post"), IsEmpty());
    expect_buttons_enabled(rig.view);
}

TEST(Command5, MissingScriptSendsNothing) {
    // A library that reports success but leaves no file behind.
    struct NoFile : CurveLibrary {
        CurveResult call(const CurveCall&) override { return {}; }
    } no_file;
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabNormal);
    Form1 form(
        Services{rig.view, rig.numbers, rig.messages, rig.factory, no_file, rig.script, rig.pump});
    form.Command5_Click();
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text, kMsgNoScript);
    EXPECT_EQ(rig.cad.acad_objects, 0);
    EXPECT_THAT(rig.entries(L"post"), IsEmpty());
    expect_buttons_enabled(rig.view);
}

// ---- the link ----

TEST(Link, NoAutoCadShowsOneMessageAndSendsNothing) {
    Rig rig;
    rig.view.select_tab(kTabCentreLine);
    rig.form.Command5_Click();
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text, L"AutoCADが起動していないか、応答がありません。");
    EXPECT_EQ(rig.messages.shown[0].style, 0x10030u);
    EXPECT_THAT(rig.entries(L"post"), IsEmpty());
    EXPECT_FALSE(rig.logged(L"Active"));
    // Full product first, then LT.
    EXPECT_THAT(rig.entries(L"MainCompareTitle"),
                ElementsAre(L"MainCompareTitle=AutoCAD - [", L"MainCompareTitle=AutoCAD LT - ["));
    EXPECT_THAT(rig.entries(L"TextCompareTitle"),
                ElementsAre(L"TextCompareTitle=AutoCAD ﾃｷｽﾄ", L"TextCompareTitle=AutoCAD LT ﾃｷｽﾄ"));
    EXPECT_EQ(rig.cad.acad_objects, 2);
    expect_buttons_enabled(rig.view);
    EXPECT_EQ(rig.log.back(), L"enable Command5");
}

TEST(Link, FullProductIsPreferredAndLtFoundSilently) {
    {
        Rig rig;
        rig.cad.full_running = true;
        rig.cad.lt_running = true;
        EXPECT_TRUE(rig.form.ConnectAcad());
        EXPECT_EQ(rig.cad.acad_objects, 1);
        EXPECT_THAT(rig.entries(L"MainCompareTitle"), ElementsAre(L"MainCompareTitle=AutoCAD - ["));
    }
    {
        Rig rig;
        rig.cad.lt_running = true;
        EXPECT_TRUE(rig.form.ConnectAcad());
        EXPECT_EQ(rig.cad.acad_objects, 2);
        EXPECT_THAT(rig.messages.shown, IsEmpty());
        EXPECT_EQ(rig.form.SearchAcad(), static_cast<std::int32_t>(0x8004026Fu));
        EXPECT_EQ(rig.form.SearchAcadLT(), kResultTrue);
    }
}

TEST(Link, UnregisteredComponentIsReportedOnce) {
    Rig rig;
    rig.cad.registered = false;
    rig.view.select_tab(kTabCentreLine);
    rig.form.Command5_Click();
    rig.form.Command1_Click();
    ASSERT_EQ(rig.messages.shown.size(), 2u); // one per press
    EXPECT_EQ(rig.messages.shown[0].text, kMsgNoComponent);
    EXPECT_EQ(rig.messages.shown[1].text, kMsgNoComponent);
    EXPECT_THAT(rig.entries(L"post"), IsEmpty());
    expect_buttons_enabled(rig.view);
}

// Whatever goes wrong during a replay, the draw shows one message at most,
// gives the buttons back, and the next draw posts everything again.
TEST(Link, AFailingReplayShowsOneMessageAndTheNextDrawWorks) {
    const std::int32_t refused = static_cast<std::int32_t>(0x80040271u);
    const std::wstring refused_text = component_error_message(refused);
    const std::wstring lost_text = L"AutoCADが起動していないか、応答がありません。";
    struct Case {
        const char* what;
        std::deque<std::int32_t> results; // osnapcoord, three lines, final Enter
        std::size_t posts;
        std::wstring message;
    };
    const Case cases[] = {
        {"refused lines go on and are told together",
         {kResultTrue, refused, kResultTrue, refused, kResultTrue},
         5,
         replay_refused_message(refused_text, 3, 2)},
        {"a lost link stops at once and counts what reached AutoCAD",
         {kResultTrue, refused, kResultTrue, kLinkFailed},
         4,
         replay_stopped_message(lost_text, 3, 1)},
        {"a link lost at the final Enter",
         {kResultTrue, kResultTrue, kResultTrue, kResultTrue, kLinkFailed},
         5,
         replay_stopped_message(lost_text, 3, 3)},
        {"only the final Enter refused",
         {kResultTrue, kResultTrue, kResultTrue, kResultTrue, refused},
         5,
         refused_text},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        Rig rig;
        rig.cad.full_running = true;
        rig.view.select_tab(kTabCentreLine);
        rig.cad.post_results = row.results;
        rig.cad.description = row.message.find(lost_text) == 0 ? lost_text : L"";
        rig.form.Command5_Click();
        EXPECT_EQ(rig.entries(L"post").size(), row.posts);
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].text, row.message);
        EXPECT_EQ(rig.messages.shown[0].style, kStyleExclamation);
        expect_buttons_enabled(rig.view);

        rig.form.Command5_Click();
        EXPECT_EQ(rig.entries(L"post").size(), row.posts + 5);
        EXPECT_EQ(rig.messages.shown.size(), 1u);
    }
}

TEST(Link, RefusedPreparationEndsTheDraw) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabCentreLine);
    rig.cad.post_results = {static_cast<std::int32_t>(0x80040270u)};
    rig.cad.description = L"AutoCADが起動していないか、応答がありません。";
    rig.form.Command5_Click();
    EXPECT_EQ(rig.entries(L"post").size(), 1u);
    EXPECT_FALSE(rig.logged(L"Active"));
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text, rig.cad.description);
    expect_buttons_enabled(rig.view);
}

// ---- picks ----

TEST(Pick, SetsPrecisionThenWaitsWithoutLimitAndFillsTheBoxes) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.set_text(kKeta, L"3");
    rig.log.clear();
    rig.form.Command1_Click();
    const std::vector<std::wstring> expected = {
        L"create Acad",
        L"MainCompareTitle=AutoCAD - [",
        L"TextCompareTitle=AutoCAD ﾃｷｽﾄ",
        L"CommandCompareTitle=Headlands",
        L"HistoryCompareTitle=MountTam",
        L"Search",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post ^C^Cluprec^M3^Mgraphscr^M",
        L"Active",
        L"create Acad",
        L"MainCompareTitle=AutoCAD - [",
        L"TextCompareTitle=AutoCAD ﾃｷｽﾄ",
        L"CommandCompareTitle=Headlands",
        L"HistoryCompareTitle=MountTam",
        L"Search",
        L"CommandTimeOut=500",
        L"PatternMatch=true",
        L"post ^C^C",
        L"CommandTimeOut=-1",
        L"PatternMatch=true",
        L"GetPosition",
        L"CommandTimeOut=180000",
        L"text x0=12.5",
        L"text y0=-3.25",
    };
    EXPECT_THAT(rig.log, ElementsAreArray(expected));
    EXPECT_EQ(rig.form.m_X, 12.5);
    EXPECT_EQ(rig.form.m_Y, -3.25);
    EXPECT_THAT(rig.messages.shown, IsEmpty());
    // The pick buttons disable nothing.
    EXPECT_THAT(rig.entries(L"disable"), IsEmpty());
}

TEST(Pick, EachButtonFillsItsOwnBoxes) {
    struct Case {
        void (Form1::*click)();
        ControlId x;
        ControlId y;
    };
    const Case cases[] = {{&Form1::Command1_Click, kX0, kY0},
                          {&Form1::Command2_Click, kX1, kY1},
                          {&Form1::Command3_Click, kX2, kY2},
                          {&Form1::Command4_Click, kX3, kY3}};
    for (const Case& c : cases) {
        Rig rig;
        rig.cad.lt_running = true;
        rig.cad.x = 1.5e-7;
        rig.cad.y = 1234.5678;
        (rig.form.*c.click)();
        EXPECT_EQ(rig.view.text(c.x), L"1.5E-07");
        EXPECT_EQ(rig.view.text(c.y), L"1234.5678");
        EXPECT_EQ(rig.entries(L"text ").size(), 2u);
        EXPECT_EQ(rig.cad.acad_objects, 4); // full product then LT, twice
        EXPECT_EQ(rig.entries(L"post ")[0], L"post ^C^Cluprec^M7^Mgraphscr^M");
    }
}

TEST(Pick, CancelledOrFailedPickKeepsTheBoxes) {
    const std::wstring no_point = L"指定した点の座標値を取得することができませんでした。";
    const std::wstring cancelled = L"ユーザによってキャンセルされました。";
    const std::wstring before = L"ｺﾏﾝﾄﾞ: *キャンセル*\r\nｺﾏﾝﾄﾞ: _id\r\n";
    struct Case {
        std::int32_t result;
        std::wstring history;
        std::int32_t history_result;
        std::wstring text;
        std::uint32_t style;
    };
    const Case cases[] = {
        {kCancelByUser, L"", kResultTrue, cancelled, kStyleInformation},
        // Esc in the CAD program at the point prompt.
        {kCommandFailed, before + L"点を指定: *キャンセル*\r\nｺﾏﾝﾄﾞ: ", kResultTrue, cancelled,
         kStyleInformation},
        // Enter alone: no point, no cancel after the last point prompt.
        {kCommandFailed, before + L"点を指定: \r\nｺﾏﾝﾄﾞ: ", kResultTrue, no_point,
         kStyleExclamation},
        {kCommandFailed, before + L"点を指定: *キャンセル*", kLinkFailed, no_point,
         kStyleExclamation},
        // Only a failed read of the point is looked into.
        {kLinkFailed, before + L"点を指定: *キャンセル*", kResultTrue, no_point, kStyleExclamation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.history);
        Rig rig;
        rig.cad.full_running = true;
        rig.cad.position_result = c.result;
        rig.cad.history = c.history;
        rig.cad.history_result = c.history_result;
        rig.cad.description = no_point;
        rig.form.Command3_Click();
        EXPECT_EQ(rig.view.text(kX2), L"30");
        EXPECT_EQ(rig.view.text(kY2), L"0");
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].text, c.text);
        EXPECT_EQ(rig.messages.shown[0].style, c.style);
        EXPECT_EQ(rig.cad.last_time_out, kAfterPickTimeOut);
        // The message comes before the limit is set back.
        ASSERT_GE(rig.log.size(), 2u);
        EXPECT_EQ(rig.log[rig.log.size() - 2], L"message " + c.text);
        EXPECT_EQ(rig.log.back(), L"CommandTimeOut=180000");
    }
}

TEST(Pick, NoAutoCadShowsOneMessage) {
    Rig rig;
    rig.form.Command2_Click();
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text, kMsgNoAcad);
    EXPECT_FALSE(rig.logged(L"GetPosition"));
    EXPECT_EQ(rig.view.text(kX1), L"60.5");
    EXPECT_FALSE(rig.form.PickPoint());
}

TEST(Pick, DigitsMustBeAPlainCount) {
    for (const wchar_t* keta : {L"", L"abc", L"9", L"-1", L"2.5", L"3^Mline"}) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.set_text(kKeta, keta);
        rig.form.Command1_Click();
        ASSERT_EQ(rig.messages.shown.size(), 1u) << keta;
        EXPECT_EQ(rig.messages.shown[0].text, keta_message());
        EXPECT_EQ(rig.cad.acad_objects, 0);
    }
    // Accepted counts are sent in their standard form.
    const std::pair<const wchar_t*, const wchar_t*> accepted[] = {
        {L"0", L"0"}, {L"8", L"8"}, {L" 4 ", L"4"}, {L"5.0", L"5"}};
    for (const auto& [typed, sent] : accepted) {
        Rig rig;
        rig.cad.full_running = true;
        rig.view.set_text(kKeta, typed);
        rig.form.Command1_Click();
        EXPECT_THAT(rig.messages.shown, IsEmpty()) << typed;
        EXPECT_EQ(rig.entries(L"post ")[0], L"post " + pick_command(sent));
    }
    EXPECT_EQ(pick_command(L"3"), L"^C^Cluprec^M3^Mgraphscr^M");
}

TEST(Pick, PressesDuringAPickAreRefused) {
    Rig rig;
    rig.cad.full_running = true;
    rig.view.select_tab(kTabCentreLine);
    rig.cad.during_pick = [&rig] {
        EXPECT_TRUE(rig.form.busy());
        rig.form.Command5_Click();
        rig.form.Command4_Click();
    };
    rig.form.Command1_Click();
    ASSERT_EQ(rig.messages.shown.size(), 2u);
    EXPECT_EQ(rig.messages.shown[0].text, kMsgBusy);
    EXPECT_EQ(rig.messages.shown[1].text, kMsgBusy);
    EXPECT_THAT(rig.curves.calls, IsEmpty());
    EXPECT_EQ(rig.entries(L"GetPosition").size(), 1u);
    EXPECT_EQ(rig.view.text(kX0), L"12.5");
    EXPECT_FALSE(rig.form.busy());

    // Afterwards the window works as before.
    rig.cad.during_pick = nullptr;
    rig.form.Command5_Click();
    EXPECT_EQ(rig.curves.calls.size(), 1u);
}

TEST(Pick, ClosingDuringAPickEndsTheWaitQuietly) {
    Rig rig;
    rig.cad.full_running = true;
    EXPECT_TRUE(rig.form.request_close() == true); // idle: close at once
    EXPECT_FALSE(rig.form.close_pending());
    rig.cad.during_pick = [&rig] { EXPECT_FALSE(rig.form.request_close()); };
    rig.form.Command1_Click();
    EXPECT_TRUE(rig.logged(L"Terminate"));
    EXPECT_TRUE(rig.form.close_pending());
    EXPECT_FALSE(rig.form.busy());
    // No "cancelled" box for a window that is going away, and the boxes keep their values.
    EXPECT_THAT(rig.messages.shown, IsEmpty());
    EXPECT_EQ(rig.view.text(kX0), L"10");
}

} // namespace
} // namespace tarn::app::testing
