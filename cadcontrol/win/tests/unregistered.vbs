' After regsvr32 /u the class is gone.
Dim acad
On Error Resume Next
Set acad = CreateObject("Drafthand.Acad")
Check "CreateObject after unregistering fails", Err.Number <> 0, True
Report
