' Against a running cadsim.exe showing AutoCAD LT's captions.
Dim acad, ctl, r, i, p, h, idle
idle = "ｺﾏﾝﾄﾞ: "
Set acad = CreateObject("Drafthand.Acad")
r = SearchUntilFound(acad)
Check "Search", r, -1
Check "ErrNumber", acad.ErrNumber, 0
Check "MainWindowTitle", acad.MainWindowTitle, "AutoCAD LT - [Drawing1.dwg]"
Check "TextWindowTitle", acad.TextWindowTitle, "AutoCAD LT ﾃｷｽﾄ"
Check "CommandWindowTitle", acad.CommandWindowTitle, "Headlands"
Check "HistoryWindowTitle", acad.HistoryWindowTitle, "MountTam"
Check "same process", acad.HistoryWindowProcessID, acad.MainWindowProcessID
Check "main window handle", acad.MainWindowHandle <> 0, True
Check "ControlExists", acad.ControlExists, True

Set ctl = acad.Control
Check "CommandTimeOut", ctl.CommandTimeOut, 60000
Check "CheckInterval", ctl.CheckInterval, 100
Check "PostNullChar", ctl.PostNullChar, True
Check "PatternMatch", ctl.PatternMatch, True
ctl.CheckInterval = -10
Check "CheckInterval after -10", ctl.CheckInterval, 0
ctl.CommandTimeOut = -7
Check "CommandTimeOut after -7", ctl.CommandTimeOut, -1
ctl.PatternMatch = False
Check "PatternMatch stored", ctl.PatternMatch, False

p = "unchanged"
For i = 1 To 500
    r = ctl.GetPrompt(p)
    If p = idle Then Exit For
Next
Check "GetPrompt", r, -1
Check "prompt", p, idle

r = ctl.PostCommand("^C^Cline^M0,0^M10,20^M^M")
Check "PostCommand", r, -1
Check "ErrNumber after PostCommand", acad.ErrNumber, 0

h = Empty
r = ctl.GetHistory(h)
Check "GetHistory", r, -1
Check "history shows the command", InStr(h, "line") > 0, True
r = ctl.GetHistory(h, idle)
Check "GetHistory with match", r, -1
Check "history from the last prompt", Left(h, Len(idle)), idle
Check "only the last prompt", InStr(2, h, idle), 0
r = ctl.GetHistory(h, "no such text")
Check "GetHistory without match", r, -1
Check "empty history", h, ""

acad.RemoveControl
Check "ControlExists after RemoveControl", acad.ControlExists, False
Check "MainWindowHandle after RemoveControl", acad.MainWindowHandle, 0
Check "kept Control loses its link", ctl.PostCommand("^C"), &H80040270
Check "LinkFailed source", acad.ErrSource, "Drafthand.Control.PostCommand"

Report
