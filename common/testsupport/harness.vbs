' What every VBScript test shares. run_vbs (scripts/wine-test-lib.sh) puts it
' before the test, so a test holds only its checks and ends with Report.
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

' Search, asked again while the CAD program may still be starting; its last
' result.
Function SearchUntilFound(acad)
    Dim attempt
    For attempt = 1 To 500
        SearchUntilFound = acad.Search
        If SearchUntilFound = -1 Then Exit Function
    Next
End Function

' The line run_vbs looks for.
Sub Report()
    WScript.Echo passed & " passed, " & failed & " failed"
End Sub

