' The installed Drafthand, created by its ProgID from a script client.
' Argument: the expected version ("1.00.00").
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

Dim acad
Set acad = CreateObject("Drafthand.Acad")
Check "Title", acad.Title, "Drafthand"
Check "Version", acad.Version, WScript.Arguments(0)
Check "Search without CAD", acad.Search() = -1, False
Check "ControlExists", acad.ControlExists, False
WScript.Echo passed & " passed, " & failed & " failed"
