' Times Drafthand's Control.PostCommand called from VBScript (late bound, as
' every script engine calls it) against a running cadsim.exe: one polyline
' of N vertices. Prints "RESULT <inputs> <seconds>".
Option Explicit
Dim n, acad, ctl, i, r, commands, started, seconds, failed
n = 3000
If WScript.Arguments.Count > 0 Then n = CLng(WScript.Arguments(0))

Set acad = CreateObject("Drafthand.Acad")
For i = 1 To 300
    r = acad.Search
    If r = -1 Then Exit For
    WScript.Sleep 100
Next
If r <> -1 Then
    WScript.Echo "FAILED: the CAD program was not found"
    WScript.Quit 1
End If
Set ctl = acad.Control

' Built before the clock starts, in the curve library's number format. (Wine's
' VBScript fails on ReDim of an array declared with Dim x().)
ReDim commands(n - 1)
For i = 0 To n - 1
    commands(i) = "1.0" & Right("00000000000000" & i, 14) & "e+01,2.000000000000000e+01^M"
Next

r = ctl.PostCommand("^C^C_pline^M")
failed = 0
started = Timer
For i = 0 To n - 1
    If ctl.PostCommand(commands(i)) <> -1 Then failed = failed + 1
Next
seconds = Timer - started
If seconds < 0 Then seconds = seconds + 86400
r = ctl.PostCommand("^M")

If failed > 0 Then
    WScript.Echo "FAILED: " & failed & " posts failed"
    WScript.Quit 1
End If
WScript.Echo "RESULT " & n & " " & seconds
