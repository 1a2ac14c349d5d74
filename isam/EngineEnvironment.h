#pragma once

#include <functional>
#include <string>
#include <string_view>

// Process-wide values of the ISAM layer, set by its start-up step: the program folder (with a trailing
// separator), the computer name and the path of the engine log "ctreelog.txt".

const std::string& ProgramFolder();
const std::string& ComputerName();
const std::string& EngineLogPath();
const std::string& ExecutablePath();

// Sets the three from the running program: its folder, the host name, and the log in the program's
// folder when that can be written, else in the user's state folder ($XDG_STATE_HOME, else
// ~/.local/state) under the program's name.
void InitializeEngineEnvironment();
void SetEngineEnvironment(std::string programFolder, std::string computerName, std::string logPath);
void ClearEngineEnvironment();

// Where the log goes for a program in programFolder called programName; stateHome and home as
// $XDG_STATE_HOME and $HOME give them (either may be empty).
std::string ChooseEngineLogPath(const std::string& programFolder, const std::string& programName,
                                const std::string& stateHome, const std::string& home);

// The date and time at the head of a log line. Start-up installs the one with the short date format in
// force; until then the local time as "mm/dd/yyyy hh:mm:ss".
using TLogTimeFunction = std::function<std::string()>;
void SetLogTimeFunction(TLogTimeFunction function);

// Appends one log line: time, " Computer ", the computer name, " Sender ", the executable's path, ": ",
// the message, CR LF. A log over 50,000,000 bytes is emptied first. Never fails: a line that cannot be
// written is lost.
void WriteEngineLog(std::string_view message);
inline constexpr long long kMaxEngineLogSize = 50000000;
