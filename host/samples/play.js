// Plays a media file through the control from JScript and reports its progress.
//   cscript //nologo play.js <file> [seconds]
// The control is created by its ProgID (register ZRMediaPlayer.dll first). See play.vbs about waiting on
// script hosts without WScript.Sleep (Wine's).
var sleepWorks = true;
function wait(ms) {
    if (sleepWorks) {
        try { WScript.Sleep(ms); return; } catch (e) { sleepWorks = false; }
    }
    var end = new Date().getTime() + ms;
    while (new Date().getTime() < end) {
    }
}

if (WScript.Arguments.length < 1) {
    WScript.Echo("usage: cscript //nologo play.js <file> [seconds]");
    WScript.Quit(2);
}
var seconds = WScript.Arguments.length > 1 ? parseFloat(WScript.Arguments(1)) : 0;
var player = new ActiveXObject("Zantorival_Media_Player_AX.TxZRMediaPlayer");
player.FilenameOrURL = WScript.Arguments(0);
player.Screen_VideoRenderer = 0;  // VR_VideoRenderer
if (!player.Play()) {
    WScript.Echo("cannot play " + WScript.Arguments(0));
    WScript.Quit(1);
}
var started = new Date().getTime();
for (;;) {
    WScript.Echo("status " + player.Status + "  position " + player.Position_Get_Time() + " ms  duration " +
                 player.Duration_Time() + " ms");
    wait(500);
    if (player.Status == 2) break;
    if (player.Duration_Time() > 0 && player.Position_Get_Time() >= player.Duration_Time()) break;
    if (seconds > 0 && new Date().getTime() - started > seconds * 1000) break;
}
player.Close();
WScript.Echo("done");
