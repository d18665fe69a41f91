' RunScript from VBScript against a running cadsim.exe: the caller's own array
' takes what the script stores, also after a failed run.
'   script.vbs FOLDER   (FOLDER holds variables.txt and failing.txt)
Dim acad, ctl, r, folder, v(9), few(3), eleven(10)
folder = WScript.Arguments(0)
Set acad = CreateObject("Drafthand.Acad")
r = SearchUntilFound(acad)
Check "Search", r, -1
Set ctl = acad.Control

v(0) = "in"
v(9) = 42
r = ctl.RunScript(folder & "\variables.txt", v)
Check "RunScript", r, -1
Check "ErrNumber", acad.ErrNumber, 0
Check "v(0) read only", v(0), "in"
Check "v(1)", v(1), "from in"
Check "v(2) keeps its blanks", v(2), "  quoted  "
Check "v(3) LUPREC", v(3), "4"
Check "v(4) prompt", v(4), "ｺﾏﾝﾄﾞ: "
Check "v(5) a number read as text", v(5), "424"
Check "v(6) settings", v(6), "-5 FALSE"
Check "v(7) untouched", v(7), ""
Check "v(9) as given", v(9), "42"
Check "CommandTimeOut from the script", ctl.CommandTimeOut, -5
Check "PatternMatch from the script", ctl.PatternMatch, False
ctl.CommandTimeOut = -7
Check "CommandTimeOut put after the script", ctl.CommandTimeOut, -1

r = ctl.RunScript(folder & "\failing.txt", v)
Check "failed RunScript", r, &H80040272
Check "ErrNumber", acad.ErrNumber, &H80040272
Check "ErrSource", acad.ErrSource, "Drafthand.Control.lExecuteCommand"
Check "ErrDescription", acad.ErrDescription, "スクリプト実行中にエラーが発生しました。" & vbCrLf & _
    "3行目: 未定義のスクリプトコマンドが指定されています。"
Check "v(0) after the failure", v(0), "kept after the failure"
Check "v(1) after the failure", v(1), "from in+"
Check "v(2) after the failure", v(2), "  quoted  "

' Four elements: storing into %USER4% fails the line, and the earlier lines'
' results are there.
few(0) = "a"
r = ctl.RunScript(folder & "\variables.txt", few)
Check "RunScript on four elements", r, 9
Check "line of the failure", Mid(acad.ErrDescription, InStr(acad.ErrDescription, vbLf) + 1, 4), "5行目:"
Check "few(1)", few(1), "from a"
Check "few(3)", few(3), "4"

r = ctl.RunScript(folder & "\no such file.txt", eleven)
Check "eleven elements", r, &H80040272
Check "eleven elements, description", acad.ErrDescription, "ユーザー変数が10個を超えています。"
r = ctl.RunScript(folder & "\no such file.txt", v)
Check "missing file", r, 53
Check "missing file, description", acad.ErrDescription, "スクリプトファイルを開くことができませんでした。"
Check "v(0) after the missing file", v(0), "kept after the failure"

Report
