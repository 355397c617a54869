' Handles the control's events in script. NEEDS THE WINDOWS SCRIPT HOST: Wine's script host cannot connect a
' script to an object's events (WScript.CreateObject with a prefix and WScript.ConnectObject are not
' implemented there; the script stops without a message).
'   cscript //nologo events.vbs <file>
Option Explicit
Dim player, finished
finished = False

Sub player_OnStop()
    WScript.Echo "OnStop"
    finished = True
End Sub

Sub player_OnError(ErrorText)
    WScript.Echo "OnError: " & ErrorText
End Sub

Sub player_OnMouseDown(Button, X, Y, Ctrl, Shift, Alt, LeftDown, RightDown, MiddleDown)
    WScript.Echo "OnMouseDown " & Button & " at " & X & "," & Y
End Sub

Set player = WScript.CreateObject("Zantorival_Media_Player_AX.TxZRMediaPlayer", "player_")
player.FilenameOrURL = WScript.Arguments(0)
player.Screen_VideoRenderer = 0
If player.Play() Then
    Do While Not finished
        WScript.Sleep 100   ' the Windows script host delivers the events while it sleeps
    Loop
End If
player.Close
