// The live phone's two processes besides the server: the Settings app, and SpringBoard (the home
// screen and the assistant). Each is zova-sim itself, started by the server with a socket on
// descriptor 3, answering one request line at a time:
//   request:  WORDS...\n
//   reply:    STATUS LENGTH GENERATION NEXT\n followed by LENGTH bytes
// STATUS is "ok", "same" (the screen hasn't changed since the generation asked about) or "error"
// (the bytes say why). NEXT, for a frame, is the microseconds until an animated picture on screen
// shows its next frame, -1 when none animates.
#pragma once

#include <string>

namespace sim {

inline constexpr int hostSocketDescriptor = 3;
inline constexpr const char* hostProcessOption = "--host-process";
inline constexpr const char* settingsRole = "settings";
inline constexpr const char* springBoardRole = "springboard";
// A request line longer than this is refused, and the connection with it.
inline constexpr size_t maximumRequestLine = 1024;

// Runs a host of that role on the socket until the server closes it. The exit status.
int runHostProcess(const std::string& role);

}
