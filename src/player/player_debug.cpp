// Debug mode: the graph in the running object table and dumps of it.
#include "player/player.h"

void TZRMediaPlayer::RegisterGraphForDebug() {}
void TZRMediaPlayer::SaveGraphDumps(const wchar_t*) {}
