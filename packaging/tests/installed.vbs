' The installed Drafthand, created by its ProgID from a script client.
' Argument: the expected version ("1.00.00").
Dim acad
Set acad = CreateObject("Drafthand.Acad")
Check "Title", acad.Title, "Drafthand"
Check "Version", acad.Version, WScript.Arguments(0)
Check "Search without CAD", acad.Search() = -1, False
Check "ControlExists", acad.ControlExists, False
Report
