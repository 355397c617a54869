' Chroma key, motion detection and frame members from VBScript: their defaults and stored values through the
' type library, stills from files, and Frame_Save without a frame.
'   cscript //nologo frames_test.vbs <media folder>
' Prints "FAIL: ..." for each failed check and "RESULT: PASS" at the end when every check held.
Option Explicit

Const ProgID = "Zantorival_Media_Player_AX.TxZRMediaPlayer"
Const Chroma_Red = 0, Chroma_Green = 1, IM_BMP = 0, IM_PNG = 2
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

Dim media, o, fso, tmp, out
media = WScript.Arguments(0)
Set o = CreateObject(ProgID)
Set fso = CreateObject("Scripting.FileSystemObject")
tmp = fso.GetSpecialFolder(2).Path

Check o.ChromaKey_Enabled = False And o.ChromaKey_Color = Chroma_Green, "chroma key off, green"
Check o.ChromaKey_ContrastLow = 110 And o.ChromaKey_ContrastHigh = 70 And o.ChromaKey_ImageFilename = "", "chroma defaults"
Check o.MotionDetection_Enabled = False And o.MotionDetection_Compare_Greyscale = True, "motion off, greyscale compared"
Check o.MotionDetection_Compare_Red = False And o.MotionDetection_Compare_Green = False And o.MotionDetection_Compare_Blue = False, "colour channels not compared"
Check o.MotionDetection_Matrix_Width = 8 And o.MotionDetection_Matrix_Height = 8, "8 x 8 matrix"
Check o.MotionDetection_Highlight_Enabled = False And o.MotionDetection_Highlight_Color = 0 And o.MotionDetection_Highlight_Threshold = 25, "highlight defaults"
Check o.MotionDetection_FrameInterval = 0 And o.MotionDetection_DropFrames_Enabled = False And o.MotionDetection_DropFrames_Threshold = 5, "interval and dropping defaults"
Check o.Frame_Save_Resize = False And o.Frame_Save_Resize_Width = 0 And o.Frame_Save_Resize_Height = 0 And o.Frame_Save_ZoomRatio = 1, "frame save defaults"

o.ChromaKey_Color = Chroma_Red
o.ChromaKey_ContrastLow = 20
o.ChromaKey_ImageFilename = media & "\bluebg.bmp"
o.MotionDetection_Matrix_Width = 4
o.MotionDetection_Highlight_Color = &HFF
o.Frame_Save_ZoomRatio = 0.5
Check o.ChromaKey_Color = Chroma_Red And o.ChromaKey_ContrastLow = 20, "chroma values stored"
Check o.ChromaKey_ImageFilename = media & "\bluebg.bmp", "image file name stored"
Check o.MotionDetection_Matrix_Width = 4 And o.MotionDetection_Highlight_Color = 255, "motion values stored"
Check o.Frame_Save_ZoomRatio = 0.5, "zoom stored"

' No playback yet: no frame, nothing saved.
Check o.Frame_GetCurrentH = 0 And o.Frame_GetCurrentI = 0, "no current frame"
out = tmp & "\zr_script_frame.bmp"
If fso.FileExists(out) Then fso.DeleteFile out
o.Frame_Save out, IM_BMP, 0
Check Not fso.FileExists(out), "Frame_Save without a frame writes nothing"

' Stills from files.
Check o.Helpful_GetFrameFromFileI(media & "\seconds.avi", 1500) <> 0, "still as a bitmap handle"
Check o.Helpful_GetFrameFromFileH(media & "\clip.wav", 500) = 0, "no still from a file without video"
out = tmp & "\zr_script_still.png"
If fso.FileExists(out) Then fso.DeleteFile out
Check o.Helpful_SaveFrameFromFile(media & "\seconds.mp4", 2500, out, IM_PNG) = True, "still saved"
Check fso.FileExists(out), "still file written"
If fso.FileExists(out) Then fso.DeleteFile out
Check o.Helpful_SaveFrameFromFile(media & "\no such file.avi", 0, out, IM_PNG) = False, "a missing source saves nothing"

If failures = 0 Then
    WScript.Echo "RESULT: PASS"
Else
    WScript.Echo "RESULT: FAIL (" & failures & ")"
End If
