' A fresh Acad object and a search with no CAD program running.
Dim acad, other
Set acad = CreateObject("Drafthand.Acad")
Check "Title", acad.Title, "Drafthand"
Check "default member", acad, "Drafthand"
Check "Version", acad.Version, "1.00.00"
Check "ExecuteTimeOut", acad.ExecuteTimeOut, 300000
acad.ExecuteTimeOut = -5
Check "ExecuteTimeOut after -5", acad.ExecuteTimeOut, -1
Check "MainWindowHandle", acad.MainWindowHandle, 0
Check "TextWindowProcessID", acad.TextWindowProcessID, 0
Check "CommandWindowClass", acad.CommandWindowClass, ""
Check "HistoryWindowTitle", acad.HistoryWindowTitle, ""
Check "MainCompareTitle", acad.MainCompareTitle, "AutoCAD LT"
Check "TextCompareTitle", acad.TextCompareTitle, "AutoCAD LT ﾃｷｽﾄ"
Check "CommandCompareTitle", acad.CommandCompareTitle, "Headlands"
Check "HistoryCompareTitle", acad.HistoryCompareTitle, "MountTam"
Check "ErrNumber", acad.ErrNumber, 0
Check "ErrSource", acad.ErrSource, ""
Check "ErrDescription", acad.ErrDescription, ""
Check "ControlExists", acad.ControlExists, False
Check "Control", acad.Control Is Nothing, True

acad.MainCompareTitle = "AutoCAD - ["
Check "MainCompareTitle stored", acad.MainCompareTitle, "AutoCAD - ["
Check "TextCompareTitle untouched", acad.TextCompareTitle, "AutoCAD LT ﾃｷｽﾄ"
Set other = CreateObject("Drafthand.Acad")
Check "MainCompareTitle reset by a new Acad", acad.MainCompareTitle, "AutoCAD LT"

Check "Search", acad.Search, &H8004026F
Check "ErrNumber after Search", acad.ErrNumber, &H8004026F
Check "ErrSource after Search", acad.ErrSource, "Drafthand.Acad.Search"
Check "ErrDescription after Search", acad.ErrDescription, "AutoCADが起動していないか、応答がありません。"
Check "shared error record", other.ErrNumber, &H8004026F
Check "Control after Search", acad.Control Is Nothing, True

Report
