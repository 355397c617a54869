' Video effects from VBScript: effects by Video_Effect_Ex and the text logo members, the stored settings,
' and a playback through the effects filter.
'   cscript //nologo video_effects_test.vbs <media folder>
' Prints "FAIL: ..." for each failed check and "RESULT: PASS" at the end when every check held.
Option Explicit

Const ProgID = "Zantorival_Media_Player_AX.TxZRMediaPlayer"
Const ST_PLAY = 0, ST_FREE = 2
Const ef_invert = 17, ef_mosaic = 23, ef_deint_blend = 33
Const bm_outer = 2, gm_vertical = 1, al_center = 1, am_AntiAlias = 4, dq_bicubic_hq = 0
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

Sub Wait(ms)
    Dim t
    t = Timer
    Do While (Timer - t) * 1000 < ms And Timer >= t
    Loop
End Sub

Dim media, o, waited
media = WScript.Arguments(0)
Set o = CreateObject(ProgID)

' Stored settings.
Check o.Video_Effects_Enabled = False, "effects off by default"
Check o.Video_Resize_NewWidth = 640 And o.Video_Resize_NewHeight = 480, "resize size defaults"
Check o.Video_Resize_Mode = 2, "resize mode default bilinear"
o.Video_Crop_Left = 12
Check o.Video_Crop_Left = 12, "crop left reads back"
Check o.Video_Filters_Add("anything") = True, "Video_Filters_Add is true"
Check o.Video_Filters_Delete("anything") = False, "Video_Filters_Delete is false"
o.Video_Filters_Clear

' Effects before the playback: stored and sent when the filter is built.
o.Video_Effect_Ex 1, 0, 0, True, ef_mosaic, 8, "SIZE=12;SEAM=1;STYLE=1"
o.Video_Effect_Ex 2, 0, 1000, True, ef_invert, 100, ""
o.Video_Effects_Text_Logo_Plus 3, 0, 0, True, "ZR", 10, 10, "Arial", 24, True, False, False, False, &HFFFF&
o.Video_Effects_Text_Logo_Plus_Params_Effect 3, bm_outer, &HFF&, &H0&, 1, 2
o.Video_Effects_Text_Logo_Plus_Params_Gradient 3, True, gm_vertical, &HFF&, &HFF00&
o.Video_Effects_Text_Logo_Plus_Params_Rect 3, True, 200, 40
o.Video_Effects_Text_Logo_Plus_Params_Shape 3, True, 1, 0, 0, 60, 30, &H808080&
o.Video_Effects_Text_Logo_Plus_Params_Text 3, False, &H202020&, False, False, al_center, am_AntiAlias, dq_bicubic_hq
o.Video_Effects_Text_Logo_Plus_Params_Transparency 3, 200
o.Video_Effects_Text_Logo_Plus_Params_Rotate 3, 0, 0
o.Video_Effects_Text_Logo_Plus_Params_Update 3, True
o.Video_Effects_Text_Logo 4, 500, 0, True, "Logo", 100, 100, False, "Arial", 16, False, True, True, False, &HFF0000, &HFFFFFF
o.Video_Effects_Deinterlace_Blend 5, 0, 0, True, 64, 0, 0.5, 0.25
o.Video_Effects_Denoise_CAST 6, 0, 0, True
' A parameter member for an effect that is not stored does nothing, and raises nothing.
o.Video_Effects_Text_Logo_Plus_Params_Transparency 99, 10

o.Video_Effects_Enabled = True
o.Screen_VideoRenderer = 0
o.FilenameOrURL = media & "\videoonly.avi"
Check o.Play = True, "Play with effects"
Check o.Status = ST_PLAY, "playing"
waited = 0
Do While o.Position_Get_Time < 500 And waited < 8000
    Wait 50
    waited = waited + 50
Loop
Check o.Position_Get_Time >= 500, "the playback moves through the effects filter"
' Changes while playing reach the running filter.
o.Video_Effect_Ex 2, 0, 0, False, ef_invert, 100, ""
o.Video_Effects_Remove 1
o.Video_Effects_Clear
o.Stop
Check o.Status = ST_FREE, "stopped"
Set o = Nothing

If failures = 0 Then
    WScript.Echo "RESULT: PASS"
Else
    WScript.Echo "RESULT: " & failures & " failed"
End If
