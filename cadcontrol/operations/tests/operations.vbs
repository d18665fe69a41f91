' Acad.Execute and the Control operations through the registered server, late
' bound, against cadsim.exe started by Execute itself.
'   cscript operations.vbs CADSIM_EXE DXF_FILE
Dim cadsim, dxf, acad, ctl, r, v, x, y, z
cadsim = WScript.Arguments(0)
dxf = WScript.Arguments(1)
Set acad = CreateObject("Drafthand.Acad")

Check "Execute of a missing file", acad.Execute(cadsim & ".none", "", 0, 3), &H80040265
Check "its description", acad.ErrDescription, "AutoCADの実行ファイルが見つかりませんでした。"
Check "its source", acad.ErrSource, "Drafthand.Acad.Execute"
Check "Execute with mode 7", acad.Execute(cadsim, "", 0, 7), 5
Check "its description", acad.ErrDescription, "ExecuteModeの値が不正です。0から3までの値を指定してください。"

r = acad.Execute(cadsim, """--dxf"" """ & dxf & """ ""--pick"" ""7.5,-2.25""", 0, 3)
Check "Execute WaitPrompt", r, -1
Check "ErrNumber after Execute", acad.ErrNumber, 0
Check "ControlExists", acad.ControlExists, True
Set ctl = acad.Control

Check "SetVariable", ctl.SetVariable("LUPREC", "3"), -1
v = ""
Check "GetVariable", ctl.GetVariable("LUPREC", v), -1
Check "LUPREC", v, "3"
x = 1
y = 1
z = 1
Check "GetPosition", ctl.GetPosition(x, y, z), -1
Check "X", x, 7.5
Check "Y", y, -2.25
Check "Z", z, 0
Check "SendCommand", ctl.SendCommand("^C^Cline^M1,2^M30,40^M^M"), -1
Check "SendCommand to a value prompt", ctl.SendCommand("^C^CLUPREC^M", "* <*>: "), -1
Check "cancel", ctl.SendCommand("^C"), -1
Check "Active", ctl.Active, -1

ctl.CommandTimeOut = 0
Check "WaitPrompt time-out", ctl.WaitPrompt("never"), &H80040271
Check "its description", acad.ErrDescription, "待機時間内に指定した応答がありませんでした。"
Check "its source", acad.ErrSource, "Drafthand.Control.WaitPrompt"
ctl.CommandTimeOut = 60000
' A Terminate before a wait is forgotten when the wait starts.
ctl.Terminate
Check "WaitPrompt", ctl.WaitPrompt, -1
Check "WaitPrompt by pattern", ctl.WaitPrompt("ｺﾏﾝ*"), -1

Check "Execute WaitInit", acad.Execute(cadsim, "", 0, 2), -1
Check "no Control after WaitInit", acad.Control Is Nothing, True
Check "no window after WaitInit", acad.MainWindowHandle, 0
Check "the old Control is unlinked", ctl.WaitPrompt, &H80040270

Report
