// The flasher's exit codes: a script's only view of how a run ended.
#pragma once

namespace tarnwick::flash {

inline constexpr int kExitVerified = 0;  // the board verified every line (or --info answered)
inline constexpr int kExitPortUnavailable = 2;  // the attempts gave up
inline constexpr int kExitFileNotLoaded = 3;    // the HEX file could not be loaded
inline constexpr int kExitBoardError = 4;       // the board answered "ERROR"
inline constexpr int kExitNoAnswer = 5;         // the board stayed silent past the time-out
inline constexpr int kExitDeviceVanished = 6;   // the port's device went away
inline constexpr int kExitSeveralBoards = 7;    // a board name matched more than one port
inline constexpr int kExitProtocolBroken = 8;   // the board did not follow the protocol
inline constexpr int kExitBoardFormat = 9;      // the board answered "FORMAT"
inline constexpr int kExitUsage = 64;           // the command line was wrong
inline constexpr int kExitLogNotWritten = 73;   // --station: its log could not be written
inline constexpr int kExitInterrupted = 130;    // SIGINT, SIGTERM or SIGHUP ended the run

}  // namespace tarnwick::flash
