' Plays a media file through the control from VBScript and reports its progress.
'   cscript //nologo play.vbs <file> [seconds]
' The control is created by its ProgID (register ZRMediaPlayer.dll first: regsvr32 ZRMediaPlayer.dll). The
' picture goes to the control's own hidden window here; a container shows it when the control sits in a form.
' Time passes with WScript.Sleep where the script host has it (then the control's window messages are
' dispatched and Status turns free at the end of the file); Wine's script host has no WScript.Sleep, so there
' the sample waits in a loop and watches the position.
Option Explicit
Dim player, seconds, started, sleepWorks
sleepWorks = True

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

If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript //nologo play.vbs <file> [seconds]"
    WScript.Quit 2
End If
seconds = 0
If WScript.Arguments.Count > 1 Then seconds = CDbl(WScript.Arguments(1))

Set player = CreateObject("Zantorival_Media_Player_AX.TxZRMediaPlayer")
player.FilenameOrURL = WScript.Arguments(0)
player.Screen_VideoRenderer = 0   ' VR_VideoRenderer
If Not player.Play() Then
    WScript.Echo "cannot play " & WScript.Arguments(0)
    WScript.Quit 1
End If
started = Timer
Do
    WScript.Echo "status " & player.Status & "  position " & player.Position_Get_Time & " ms  duration " & _
                 player.Duration_Time & " ms"
    Wait 500
    If player.Status = 2 Then Exit Do
    If player.Duration_Time > 0 And player.Position_Get_Time >= player.Duration_Time Then Exit Do
    If seconds > 0 And Timer - started > seconds Then Exit Do
Loop
player.Close
WScript.Echo "done"
