// The controls of Form1: stable ids, kinds, initial captions and texts, and
// positions in twips relative to the form's client area. The Win32 view
// creates its windows from this table; other programs find them by id.
#pragma once

#include <string>
#include <vector>

namespace tarn::app {

// Stable control ids, part of the window's outside interface: tests and GUI
// automation tools find the controls with GetDlgItem. Never renumber.
enum ControlId : int {
    kNoControl = 0,
    kCommand1 = 101,
    kCommand2 = 102,
    kCommand3 = 103,
    kCommand4 = 104,
    kCommand5 = 105,
    kX0 = 201,
    kY0 = 202,
    kX1 = 203,
    kY1 = 204,
    kX2 = 205,
    kY2 = 206,
    kX3 = 207,
    kY3 = 208,
    kA = 210,
    kPitch = 211,
    kKeta = 212,
    kLLL = 213,
    kL = 214,
    kW = 215,
    kDw = 216,
    kLC = 217,
    kOption1 = 301,
    kOption2 = 302,
    kOption3 = 303,
    kOption4 = 304,
    kFrame1 = 401,
    kFrame2 = 402,
    kLabel1 = 501,
    kLabel2 = 502,
    kLabel3 = 503,
    kLabel4 = 504,
    kLabel5 = 505,
    kLabel6 = 506,
    kLabel7 = 507,
    kLabel8 = 508,
    kSSTab1 = 600,
};

enum class ControlKind { button, text_box, label, frame, option, tab_strip };

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

// On the form itself rather than on one tab of SSTab1.
inline constexpr int kAllTabs = -1;

struct ControlSpec {
    ControlId id;
    const char* name;
    ControlKind kind;
    const wchar_t* text; // caption, or the text a box is created with
    TwipRect rect;       // form client coordinates, twips
    int tab;             // kAllTabs or the Tab value that shows it
    bool first_in_group; // first option of its frame
    bool ms_p_gothic;    // drawn in "ＭＳ Ｐゴシック"
};

inline constexpr int kFormWidthTwips = 4425;
inline constexpr int kFormHeightTwips = 3825;
inline constexpr int kTabCount = 7;
inline constexpr const wchar_t* kFormCaption = L"tarn2";
inline constexpr const wchar_t* kMsPGothic = L"ＭＳ Ｐゴシック";

// In creation order: the tab strip first, so that the controls on it lie
// above it.
const std::vector<ControlSpec>& form1_controls();
// nullptr for an unknown id.
const ControlSpec* find_control(ControlId id);
const wchar_t* tab_caption(int tab);

// Tabs of SSTab1 by their Tab value.
enum Tab : int {
    kTabNormal = 0,         // 法線
    kTabPerpendicular1 = 1, // 垂線1
    kTabPerpendicular2 = 2, // 垂線2
    kTabCurveLength = 3,    // 曲線長
    kTabCentreLine = 4,     // 中心線
    kTabParallel = 5,       // 平行線
    kTabCentre2 = 6,        // 中心2
};

// twips -> pixels at dots_per_inch, rounded to nearest.
int twips_to_pixels(int twips, int dots_per_inch);

} // namespace tarn::app
