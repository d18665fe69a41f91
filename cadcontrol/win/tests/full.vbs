' Against cadsim.exe showing the full product's captions.
Option Explicit
Dim passed, failed
passed = 0
failed = 0

Sub Check(name, actual, expected)
    If actual = expected Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL " & name & ": [" & actual & "] <> [" & expected & "]"
    End If
End Sub

Dim acad, r, i
Set acad = CreateObject("Drafthand.Acad")
' The default titles are AutoCAD LT's: not found.
Check "Search with LT titles", acad.Search, &H8004026F
Check "description", acad.ErrDescription, "AutoCADが起動していないか、応答がありません。"

acad.MainCompareTitle = "AutoCAD - ["
acad.TextCompareTitle = "AutoCAD ﾃｷｽﾄ"
For i = 1 To 500
    r = acad.Search
    If r = -1 Then Exit For
Next
Check "Search with the full product's titles", r, -1
Check "ErrNumber", acad.ErrNumber, 0
Check "MainWindowTitle", acad.MainWindowTitle, "AutoCAD - [Drawing1.dwg]"
Check "TextWindowTitle", acad.TextWindowTitle, "AutoCAD ﾃｷｽﾄ"
Check "CommandWindowTitle", acad.CommandWindowTitle, "Headlands"
Check "PostCommand", acad.Control.PostCommand("^C^C"), -1

' Only the main and text windows match: the child pass finds nothing.
acad.CommandCompareTitle = "no such window"
Check "Search without a command window", acad.Search, &H8004026F
Check "search error", acad.ErrDescription, "AutoCADを検索中にエラーが発生しました。"
Check "table cleared", acad.MainWindowHandle, 0
Check "no Control", acad.Control Is Nothing, True

WScript.Echo passed & " passed, " & failed & " failed"
