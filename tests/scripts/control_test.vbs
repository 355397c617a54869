' The control driven from VBScript by its ProgID: properties and their conversions, a playback with pause,
' seek, resume and stop, playing to the end, and the error of a failing member through Err.
'   cscript //nologo control_test.vbs <media folder>
' Prints "FAIL: ..." for each failed check and "RESULT: PASS" at the end when every check held.
Option Explicit

Const ProgID = "Zantorival_Media_Player_AX.TxZRMediaPlayer"
Const ST_PLAY = 0, ST_PAUSE = 1, ST_FREE = 2
Dim failures, sleepWorks
failures = 0
sleepWorks = True

Sub Check(ok, what)
    If ok Then
        WScript.Echo "ok: " & what
    Else
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

' Lets ms milliseconds pass. Where the host's WScript.Sleep works the control's window messages are
' dispatched meanwhile; where it does not (Wine's script host), the time passes in a loop without them.
Sub Wait(ms)
    Dim t
    If sleepWorks Then
        On Error Resume Next
        WScript.Sleep ms
        If Err.Number <> 0 Then sleepWorks = False
        Err.Clear
        On Error GoTo 0
        If sleepWorks Then Exit Sub
    End If
    t = Timer
    Do While (Timer - t) * 1000 < ms And Timer >= t
    Loop
End Sub

' Waits until the position has passed ms (at most limit milliseconds).
Function WaitPosition(o, ms, limit)
    Dim waited
    waited = 0
    Do While o.Position_Get_Time < ms And waited < limit
        Wait 50
        waited = waited + 50
    Loop
    WaitPosition = o.Position_Get_Time >= ms
End Function

Dim media, o, p, ok
media = WScript.Arguments(0)
Set o = CreateObject(ProgID)
Check TypeName(o) <> "Nothing", "created by ProgID"
Check o.ControlVersion = "6.0.1.0", "ControlVersion"
Check o.Status = ST_FREE, "a new control is free"

' Booleans: true reads back as -1, false as 0.
o.Loop = True
Check o.Loop = True And CInt(o.Loop) = -1, "Loop True reads back -1"
o.Loop = False
Check CInt(o.Loop) = 0, "Loop False reads back 0"
o.Screen_Stretch = 1
Check CInt(o.Screen_Stretch) = -1, "a BOOL written as 1 is true"
' Enumerations: the low byte is stored.
o.Screen_VideoRenderer = &H103
Check o.Screen_VideoRenderer = 3, "Screen_VideoRenderer &H103 reads back 3"
o.Source_Mode = &H200
Check o.Source_Mode = 0, "Source_Mode &H200 reads back 0"
o.Background_Color = &H804020
Check o.Background_Color = &H804020, "Background_Color"
' An OLE system colour (the face of buttons) is a negative Long here; read and written back it keeps its bits.
Dim colour
On Error Resume Next
o.Background_Color = &H8000000F
colour = o.Background_Color
o.Background_Color = 0
o.Background_Color = colour
Check Err.Number = 0, "system colour written, read and written back (" & Hex(Err.Number) & ")"
On Error GoTo 0
Check o.Background_Color = &H8000000F, "system colour reads back &H8000000F (" & Hex(o.Background_Color) & ")"
o.Selection_Start = 250
Check o.Selection_Start = 250, "Selection_Start"
o.FilenameOrURL = media & "\clip.avi"
Check o.FilenameOrURL = media & "\clip.avi", "FilenameOrURL"

' A failing member: the error reaches Err with the control's ProgID as source.
On Error Resume Next
o.FilenameOrURL = "clip" & Chr(0) & ".avi"
Check Err.Number = &H80070057, "text with a null character is refused (" & Hex(Err.Number) & ")"
Check Err.Source = ProgID, "error source is the ProgID (" & Err.Source & ")"
Check Err.Description = "A text argument contains a null character.", "error description (" & Err.Description & ")"
Err.Clear
o.Status = ST_PLAY
Check Err.Number <> 0, "Status cannot be written"
Err.Clear
On Error GoTo 0
Check o.FilenameOrURL = media & "\clip.avi", "a refused write leaves the old value"

' Info_IsFilePlayable with plain variables (VBScript passes them as references to variants): empty, or holding
' values of other types from earlier use, they come back holding the code and the text.
Dim code, text
On Error Resume Next
ok = o.Info_IsFilePlayable(code, text)
Check Err.Number = 0, "Info_IsFilePlayable takes plain variables (" & Hex(Err.Number) & " " & Err.Description & ")"
On Error GoTo 0
Check ok = True And code = 0 And text = "Success", "a playable file: True, 0, Success (" & ok & ", " & code & ", " & text & ")"
code = 99
text = 12
o.FilenameOrURL = media & "\no such file.avi"
On Error Resume Next
ok = o.Info_IsFilePlayable(code, text)
Check Err.Number = 0, "Info_IsFilePlayable with variables holding other types (" & Hex(Err.Number) & ")"
On Error GoTo 0
Check ok = False And code > 0 And TypeName(text) = "String" And Len(text) > 0, _
      "a missing file: False with a code and a text (" & ok & ", " & code & ", " & text & ")"

' A missing file: Play answers False.
o.FilenameOrURL = media & "\no such file.avi"
Check o.Play() = False, "Play of a missing file returns False"

' Playback (the picture goes to the control's window, hidden while no site shows it): pause, seek, resume,
' stop. (Without a message loop the null renderer does not start on Wine; the Video Renderer does.)
o.Screen_VideoRenderer = 0
o.Loop = False
o.FilenameOrURL = media & "\clip.avi"
ok = o.Play()
Check ok = True And CInt(ok) = -1, "Play returns True (-1)"
Check o.Status = ST_PLAY, "status playing"
Check WaitPosition(o, 400, 5000), "position moves"
Check o.Duration_Time > 2500 And o.Duration_Time < 3500, "duration about 3 s (" & o.Duration_Time & ")"
o.Pause
Check o.Status = ST_PAUSE, "status paused"
p = o.Position_Get_Time
Wait 400
Check Abs(o.Position_Get_Time - p) < 100, "position holds while paused"
Check o.Position_Set_Time(1500) = True, "seek to 1500 ms"
Check Abs(o.Position_Get_Time - 1500) < 150, "position after seek (" & o.Position_Get_Time & ")"
o.Resume
Check o.Status = ST_PLAY, "status playing after Resume"
Check WaitPosition(o, 1800, 5000), "position moves on after Resume"
o.Stop
Check o.Status = ST_FREE, "status free after Stop"

' Playing to the end.
o.FilenameOrURL = media & "\clip.avi"
Check o.Play() = True, "Play again"
Check o.Duration_Time > 2500 And WaitPosition(o, o.Duration_Time - 150, 8000), "position reaches the end"
If sleepWorks Then
    Dim waited
    waited = 0
    Do While o.Status <> ST_FREE And waited < 5000
        Wait 50
        waited = waited + 50
    Loop
    Check o.Status = ST_FREE, "status free at the end of the stream"
Else
    WScript.Echo "INFO: WScript.Sleep is not available on this script host; without a message loop the end " & _
                 "of the stream is seen by position only (Status stays " & o.Status & ")"
End If
o.Close
Check o.Status = ST_FREE, "status free after Close"
Set o = Nothing

If failures = 0 Then
    WScript.Echo "RESULT: PASS"
Else
    WScript.Echo "RESULT: " & failures & " failed"
End If
WScript.Quit failures
