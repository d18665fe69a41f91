' Against cadsim.exe showing the full product's captions.
Dim acad, r
Set acad = CreateObject("Drafthand.Acad")
' The default titles are AutoCAD LT's: not found.
Check "Search with LT titles", acad.Search, &H8004026F
Check "description", acad.ErrDescription, "AutoCADが起動していないか、応答がありません。"

acad.MainCompareTitle = "AutoCAD - ["
acad.TextCompareTitle = "AutoCAD ﾃｷｽﾄ"
r = SearchUntilFound(acad)
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

Report
