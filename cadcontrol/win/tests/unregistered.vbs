' After regsvr32 /u the class is gone.
Option Explicit
Dim acad
On Error Resume Next
Set acad = CreateObject("Drafthand.Acad")
If Err.Number <> 0 Then
    WScript.Echo "1 passed, 0 failed"
Else
    WScript.Echo "0 passed, 1 failed"
End If
