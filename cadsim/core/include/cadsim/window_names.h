// How other programs find the stand-in CAD program's windows: their class
// names and captions. The programs that drive it and its tests use these
// rather than spelling them again.
#pragma once

namespace cadsim {

// Top-level windows, registered as wide windows.
inline constexpr wchar_t kMainClass[] = L"CadsimMain";
inline constexpr wchar_t kTextClass[] = L"CadsimText";
// The text window's child that holds the two live-text windows.
inline constexpr wchar_t kPaneClass[] = L"CadsimPane";
// The two live-text windows are ANSI windows, so that WM_GETTEXT and
// WM_GETTEXTLENGTH reach them in bytes of the ANSI code page.
inline constexpr char kCommandClassA[] = "CadsimCommandLine";
inline constexpr wchar_t kCommandClass[] = L"CadsimCommandLine";
inline constexpr char kHistoryClassA[] = "CadsimHistory";

// The captions the component searches by.
inline constexpr char kCommandCaptionA[] = "Headlands";
inline constexpr wchar_t kCommandCaption[] = L"Headlands";
inline constexpr char kHistoryCaptionA[] = "MountTam";
inline constexpr wchar_t kHistoryCaption[] = L"MountTam";
inline constexpr wchar_t kLtMainCaptionStart[] = L"AutoCAD LT - [";
inline constexpr wchar_t kFullMainCaptionStart[] = L"AutoCAD - [";
inline constexpr wchar_t kLtTextCaption[] = L"AutoCAD LT ﾃｷｽﾄ";
inline constexpr wchar_t kFullTextCaption[] = L"AutoCAD ﾃｷｽﾄ";
// The drawing a main window names unless told otherwise.
inline constexpr wchar_t kDefaultDrawing[] = L"Drawing1.dwg";

} // namespace cadsim
