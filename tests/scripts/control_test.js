// The control driven from JScript by its ProgID: properties and their conversions, a playback with pause,
// seek, resume and stop, playing to the end, and the error of a failing member as an exception.
//   cscript //nologo control_test.js <media folder>
// Prints "FAIL: ..." for each failed check and "RESULT: PASS" at the end when every check held.
var ProgID = "Zantorival_Media_Player_AX.TxZRMediaPlayer";
var ST_PLAY = 0, ST_PAUSE = 1, ST_FREE = 2;
var failures = 0, sleepWorks = true;

function check(ok, what) {
    if (ok) {
        WScript.Echo("ok: " + what);
    } else {
        WScript.Echo("FAIL: " + what);
        failures++;
    }
}

// Lets ms milliseconds pass. Where the host's WScript.Sleep works the control's window messages are
// dispatched meanwhile; where it does not (Wine's script host), the time passes in a loop without them.
function wait(ms) {
    if (sleepWorks) {
        try {
            WScript.Sleep(ms);
            return;
        } catch (e) {
            sleepWorks = false;
        }
    }
    var end = new Date().getTime() + ms;
    while (new Date().getTime() < end) {
    }
}

function waitPosition(o, ms, limit) {
    for (var waited = 0; o.Position_Get_Time() < ms && waited < limit; waited += 50) wait(50);
    return o.Position_Get_Time() >= ms;
}

var media = WScript.Arguments(0);
var o = new ActiveXObject(ProgID);
check(o.ControlVersion() == "6.0.1.0", "ControlVersion");
check(o.Status == ST_FREE, "a new control is free");

// Booleans arrive as JScript booleans; enumerations keep their low byte.
o.Loop = true;
check(o.Loop === true, "Loop true");
o.Loop = false;
check(o.Loop === false, "Loop false");
o.Screen_Stretch = 1;
check(o.Screen_Stretch === true, "a BOOL written as 1 is true");
o.Screen_VideoRenderer = 0x103;
check(o.Screen_VideoRenderer == 3, "Screen_VideoRenderer 0x103 reads back 3");
o.Background_Color = 0x204080;
check(o.Background_Color == 0x204080, "Background_Color");
o.Selection_Stop = 2000;
check(o.Selection_Stop == 2000, "Selection_Stop");
o.FilenameOrURL = media + "\\clip.avi";
check(o.FilenameOrURL == media + "\\clip.avi", "FilenameOrURL");

// A failing member: the error arrives as an exception with the control's code and description (a JScript
// error object has no source).
var caught = null;
try {
    o.FilenameOrURL = "clip\u0000.avi";
} catch (e) {
    caught = e;
}
check(caught !== null, "text with a null character is refused");
if (caught !== null) {
    check((caught.number >>> 0) == 0x80070057, "error number (" + (caught.number >>> 0).toString(16) + ")");
    check(caught.description == "A text argument contains a null character.", "error description (" + caught.description + ")");
}
caught = null;
try {
    o.Status = ST_PLAY;
} catch (e) {
    caught = e;
}
check(caught !== null, "Status cannot be written");
check(o.FilenameOrURL == media + "\\clip.avi", "a refused write leaves the old value");

o.FilenameOrURL = media + "\\no such file.avi";
check(o.Play() === false, "Play of a missing file returns false");

// Playback (the picture goes to the control's own window, hidden while no site shows it).
o.Screen_VideoRenderer = 0;
o.FilenameOrURL = media + "\\clip.avi";
check(o.Play() === true, "Play returns true");
check(o.Status == ST_PLAY, "status playing");
check(waitPosition(o, 400, 5000), "position moves");
check(o.Duration_Time() > 2500 && o.Duration_Time() < 3500, "duration about 3 s (" + o.Duration_Time() + ")");
o.Pause();
check(o.Status == ST_PAUSE, "status paused");
var p = o.Position_Get_Time();
wait(400);
check(Math.abs(o.Position_Get_Time() - p) < 100, "position holds while paused");
check(o.Position_Set_Time(1500) === true, "seek to 1500 ms");
check(Math.abs(o.Position_Get_Time() - 1500) < 150, "position after seek (" + o.Position_Get_Time() + ")");
o.Resume();
check(o.Status == ST_PLAY, "status playing after Resume");
check(waitPosition(o, 1800, 5000), "position moves on after Resume");
o.Stop();
check(o.Status == ST_FREE, "status free after Stop");

// Playing to the end.
check(o.Play() === true, "Play again");
check(o.Duration_Time() > 2500 && waitPosition(o, o.Duration_Time() - 150, 8000), "position reaches the end");
if (sleepWorks) {
    for (var waited = 0; o.Status != ST_FREE && waited < 5000; waited += 50) wait(50);
    check(o.Status == ST_FREE, "status free at the end of the stream");
} else {
    WScript.Echo("INFO: WScript.Sleep is not available on this script host; without a message loop the end " +
                 "of the stream is seen by position only (Status stays " + o.Status + ")");
}
o.Close();
check(o.Status == ST_FREE, "status free after Close");
o = null;

WScript.Echo(failures == 0 ? "RESULT: PASS" : "RESULT: " + failures + " failed");
WScript.Quit(failures);
