' The control plays from a stream object the script hands it: "Set Source_Stream_AX = stream" with the memory
' source mode. The stream object (ZRTest.FileStream, from the tests' ZRTestObjects.dll) holds a clip's bytes
' behind IStream and returns at most 4093 bytes per read.
'   cscript //nologo memory_stream_test.vbs <media folder>
' Prints "FAIL: ..." for each failed check and "RESULT: PASS" at the end when every check held.
Option Explicit

Const ProgID = "Zantorival_Media_Player_AX.TxZRMediaPlayer"
Const ST_PLAY = 0, ST_FREE = 2
Const SM_File = 0, SM_Memory = 1
Dim failures
failures = 0

Sub Check(ok, what)
    If ok Then
        WScript.Echo "ok: " & what
    Else
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

' Lets ms milliseconds pass (Wine's script host has no working WScript.Sleep; the graph runs on its own threads).
Sub Wait(ms)
    Dim t
    On Error Resume Next
    WScript.Sleep ms
    If Err.Number = 0 Then Exit Sub
    Err.Clear
    On Error GoTo 0
    t = Timer
    Do While (Timer - t) * 1000 < ms And Timer >= t
    Loop
End Sub

Function WaitPosition(o, ms, limit)
    Dim waited
    waited = 0
    Do While o.Position_Get_Time < ms And waited < limit
        Wait 50
        waited = waited + 50
    Loop
    WaitPosition = o.Position_Get_Time >= ms
End Function

Dim media, o, s, fso, size
media = WScript.Arguments(0)
Set fso = CreateObject("Scripting.FileSystemObject")
size = fso.GetFile(media & "\clip.avi").Size

Set s = CreateObject("ZRTest.FileStream")
Check s.Load(media & "\clip.avi") = True, "the clip is loaded into the stream object"
Check s.Size = size, "stream size " & s.Size & " is the file's " & size

Set o = CreateObject(ProgID)
o.Screen_VideoRenderer = 0
o.Loop = False
o.Source_Mode = SM_Memory
Check o.Source_Mode = SM_Memory, "Source_Mode reads back SM_Memory"

' An object without IStream gives the memory source nothing to read. The control reports "Source stream is
' null." through OnError (this script host cannot take events) and goes on with the build; the call returns
' and the control stays usable.
Set o.Source_Stream_AX = CreateObject("Scripting.Dictionary")
o.Source_Stream_Size = size
On Error Resume Next
o.Play
Check Err.Number = 0, "Play with an object that has no IStream returns (" & Hex(Err.Number) & ")"
Err.Clear
On Error GoTo 0
o.Stop
Check o.Status = ST_FREE, "status free after Stop"

' The stream object, by reference: it plays to its end.
Set o.Source_Stream_AX = s
Check o.Source_Stream_AX Is s, "Source_Stream_AX reads back the same object"
o.Source_Stream_Size = s.Size
Check o.Source_Stream_Size = size, "Source_Stream_Size"
Check o.Source_Stream_Video_Present = True And o.Source_Stream_Audio_Present = True, "audio and video present by default"
Check o.Play() = True, "Play from the stream object returns True"
Check o.Status = ST_PLAY, "status playing"
Check o.Duration_Time > 2500 And o.Duration_Time < 3500, "duration about 3 s (" & o.Duration_Time & ")"
Check o.Duration_Time > 2500 And WaitPosition(o, o.Duration_Time - 150, 8000), _
      "position reaches the end (" & o.Position_Get_Time & " of " & o.Duration_Time & ")"
o.Stop
Check o.Status = ST_FREE, "status free after Stop"
Check o.Source_Stream_AX Is s, "the object given stays after Stop"

' The same object plays again from its start (the source reads by position, not where the last reader left it).
Check o.Play() = True, "a second Play from the same object"
Check WaitPosition(o, 500, 5000), "position moves in the second playback"
o.Close
Check o.Status = ST_FREE, "status free after Close"
Set o.Source_Stream_AX = Nothing
Check o.Source_Stream_AX Is Nothing, "Source_Stream_AX cleared"
Set o = Nothing
Set s = Nothing

If failures = 0 Then
    WScript.Echo "RESULT: PASS"
Else
    WScript.Echo "RESULT: " & failures & " failed"
End If
WScript.Quit failures
