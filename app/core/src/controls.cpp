#include "tarn2/controls.h"

namespace tarn::app {
namespace {

// Controls on a tab are placed relative to the tab strip, options relative to
// their frame; the table holds the sums.
constexpr int kTabLeft = 0;
constexpr int kTabTop = 2400;
constexpr int kFrame1Left = 2280;
constexpr int kFrame1Top = 1440;
constexpr int kFrame2Left = kTabLeft + 1920;
constexpr int kFrame2Top = kTabTop + 360;

constexpr TwipRect on_tab(int left, int top, int width, int height) {
    return {kTabLeft + left, kTabTop + top, width, height};
}

using K = ControlKind;

const std::vector<ControlSpec> kControls = {
    {kSSTab1, "SSTab1", K::tab_strip, L"", {0, kTabTop, 4425, 1455}, kAllTabs, false, true},
    {kCommand1, "Command1", K::button, L"KA", {0, 0, 1215, 375}, kAllTabs, false, false},
    {kX0, "x0", K::text_box, L"", {1320, 0, 1455, 375}, kAllTabs, false, false},
    {kY0, "y0", K::text_box, L"", {2880, 0, 1455, 375}, kAllTabs, false, false},
    {kCommand2, "Command2", K::button, L"KE", {0, 480, 1215, 375}, kAllTabs, false, false},
    {kX1, "x1", K::text_box, L"", {1320, 480, 1455, 375}, kAllTabs, false, false},
    {kY1, "y1", K::text_box, L"", {2880, 480, 1455, 375}, kAllTabs, false, false},
    {kCommand3, "Command3", K::button, L"曲線位置", {0, 960, 1215, 375}, kAllTabs, false, false},
    {kX2, "x2", K::text_box, L"", {1320, 960, 1455, 375}, kAllTabs, false, false},
    {kY2, "y2", K::text_box, L"", {2880, 960, 1455, 375}, kAllTabs, false, false},
    {kLabel1, "Label1", K::label, L"A", {120, 1560, 495, 255}, kAllTabs, false, false},
    {kA, "a", K::text_box, L"", {720, 1440, 1455, 375}, kAllTabs, false, false},
    {kFrame1,
     "Frame1",
     K::frame,
     L"単位",
     {kFrame1Left, kFrame1Top, 1455, 855},
     kAllTabs,
     false,
     false},
    {kOption1,
     "Option1",
     K::option,
     L"m",
     {kFrame1Left + 120, kFrame1Top + 360, 495, 255},
     kAllTabs,
     true,
     false},
    {kOption2,
     "Option2",
     K::option,
     L"mm",
     {kFrame1Left + 720, kFrame1Top + 360, 615, 255},
     kAllTabs,
     false,
     false},
    {kLabel7, "Label7", K::label, L"取得桁", {3840, 1560, 495, 255}, kAllTabs, false, true},
    {kKeta, "keta", K::text_box, L"", {3840, 1800, 495, 375}, kAllTabs, false, false},
    {kLabel4, "Label4", K::label, L"pitch(m)", {0, 2040, 615, 375}, kAllTabs, false, false},
    {kPitch, "pitch", K::text_box, L"0.1", {720, 1920, 1455, 375}, kAllTabs, false, false},
    // Tab 1 "垂線1"
    {kCommand4, "Command4", K::button, L"線上外点", on_tab(120, 360, 1215, 375), kTabPerpendicular1,
     false, false},
    {kX3, "x3", K::text_box, L"", on_tab(120, 840, 1455, 375), kTabPerpendicular1, false, false},
    {kY3, "y3", K::text_box, L"", on_tab(1680, 840, 1455, 390), kTabPerpendicular1, false, false},
    // Tab 2 "垂線2"
    {kLabel5, "Label5", K::label, L"KAからの距離(m)", on_tab(240, 720, 735, 375),
     kTabPerpendicular2, false, false},
    {kLLL, "LLL", K::text_box, L"0", on_tab(1080, 720, 1335, 375), kTabPerpendicular2, false,
     false},
    // Tab 3 "曲線長"
    {kLabel6, "Label6", K::label, L"曲線長", on_tab(240, 840, 735, 255), kTabCurveLength, false,
     false},
    {kL, "L", K::text_box, L"0", on_tab(960, 720, 1815, 375), kTabCurveLength, false, false},
    // Tab 5 "平行線"
    {kLabel2, "Label2", K::label, L"W(m)", on_tab(240, 600, 600, 255), kTabParallel, false, false},
    {kW, "w", K::text_box, L"", on_tab(840, 480, 975, 375), kTabParallel, false, false},
    {kLabel3, "Label3", K::label, L"dW(m)", on_tab(120, 1080, 600, 255), kTabParallel, false,
     false},
    {kDw, "dw", K::text_box, L"", on_tab(840, 960, 975, 375), kTabParallel, false, false},
    {kFrame2,
     "Frame2",
     K::frame,
     L"拡幅方法",
     {kFrame2Left, kFrame2Top, 1215, 975},
     kTabParallel,
     false,
     false},
    {kOption3,
     "Option3",
     K::option,
     L"一次式",
     {kFrame2Left + 120, kFrame2Top + 240, 975, 255},
     kTabParallel,
     true,
     false},
    {kOption4,
     "Option4",
     K::option,
     L"高次式",
     {kFrame2Left + 120, kFrame2Top + 480, 975, 255},
     kTabParallel,
     false,
     false},
    // Tab 6 "中心2"
    {kLabel8, "Label8", K::label, L"クロソイド曲線長Ｌ(m)", on_tab(240, 720, 975, 375), kTabCentre2,
     false, false},
    {kLC, "LC", K::text_box, L"100", on_tab(1320, 720, 1335, 375), kTabCentre2, false, false},
    // Lies over the tab strip on every tab.
    {kCommand5, "Command5", K::button, L"描画", {3240, 3000, 855, 615}, kAllTabs, false, false},
};

const wchar_t* const kTabCaptions[kTabCount] = {
    L"法線", L"垂線1", L"垂線2", L"曲線長", L"中心線", L"平行線", L"中心2",
};

} // namespace

const std::vector<ControlSpec>& form1_controls() {
    return kControls;
}

const ControlSpec* find_control(ControlId id) {
    for (const ControlSpec& spec : kControls) {
        if (spec.id == id) {
            return &spec;
        }
    }
    return nullptr;
}

const wchar_t* tab_caption(int tab) {
    return tab >= 0 && tab < kTabCount ? kTabCaptions[tab] : L"";
}

int twips_to_pixels(int twips, int dots_per_inch) {
    const long long scaled = static_cast<long long>(twips) * dots_per_inch;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

} // namespace tarn::app
