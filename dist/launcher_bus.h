// The qulmo command on the session bus: one player a session, and a word to the desktop
// when it cannot start one.
//
//   player_running()      true when a qulmo owns org.mpris.MediaPlayer2.qulmo on the
//                         session bus (false without a session bus).
//   player_open(uri)      asks that player to open uri (its OpenUri method) and waits for
//                         the answer: 0 when it took it; otherwise one "ERROR: " line with
//                         the player's answer and 1.
//   notify(text)          shows text as a desktop notification ("qulmo" its summary) when a
//                         notification service answers on the session bus within a
//                         second; nothing happens otherwise.
#pragma once

[[nodiscard]] bool player_running();
[[nodiscard]] int player_open(const char* uri);
void notify(const char* text);
