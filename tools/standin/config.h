#pragma once
// Settings of the stand-in AutoCAD. A COM-started server does not inherit its client's
// environment on Windows, so they come from a file named on the command line
// ("--config <path>"), written by the tests (with ConfigText) before the server starts.
//
// File format: UTF-8 text, one "key=value" per line, "#" starts a comment line; the keys are the
// member names below, numbers are decimal and flags 0 or 1.
#include <string>

namespace standin {

// Every setting, once: X(type, name, default value, meaning). Config, the parser and the
// writer are all made from this list.
#define KAVRO_STANDIN_SETTINGS(X)                                                             \
  X(std::wstring, log, {}, "log file (default: standin.log beside the program)")              \
  X(int, openMs, 0, "latency of opening a drawing")                                           \
  X(int, scriptMs, 0, "time a script takes to run")                                           \
  X(int, saveMs, 0, "latency of saving a drawing")                                            \
  X(bool, asyncScripts, false,                                                                \
    "scripts run in the background: not quiescent until done, and every call but "            \
    "GetAcadState/IsQuiescent is rejected (RPC_E_CALL_REJECTED)")                             \
  X(int, failAt, 0, "opening the k-th drawing (counted from 1) fails")                        \
  X(int, crashAt, 0, "the process exits while opening the k-th drawing")                      \
  X(int, hangAt, 0, "after opening the k-th drawing the program stops responding ...")        \
  X(int, hangMs, 0, "... for n ms (0: for good)")                                             \
  X(bool, ansiWindow, false,                                                                  \
    "the main window is an ANSI window (typed text arrives as code-page bytes)")              \
  X(bool, captionDiffers, false, "Caption answers a text no window has as its title")         \
  X(int, faultAt, 0,                                                                          \
    "opening the k-th drawing meets a fault of the stand-in itself (an exception that is no " \
    "AutoCAD error), which the caller must see as a failed call")                             \
  X(std::wstring, version, L"15.0",                                                           \
    "what Application.Version answers; from 19.1 up to 25 scripts are checked (SECURELOAD)")  \
  X(int, secureLoad, 1, "SECURELOAD at start: 0 runs any script, 1 asks, 2 ignores")          \
  X(std::wstring, trustedPaths, {}, "TRUSTEDPATHS at start: folders, \";\"-separated")        \
  X(bool, trustedPathsLocked, false, "setting TRUSTEDPATHS fails and the value stays")        \
  X(int, coreStartMs, 0, "accoreconsole: start-up latency")                                   \
  X(int, coreCommandMs, 0, "accoreconsole: latency of each command of a script")              \
  X(int, coreJitterMs, 0, "accoreconsole: each latency is longer by a random 0 to n ms")      \
  X(std::wstring, coreFailAt, {}, "accoreconsole: this drawing (file name) fails to open")    \
  X(std::wstring, coreCrashAt, {}, "accoreconsole: dies before saving this drawing")          \
  X(std::wstring, coreHangAt, {}, "accoreconsole: hangs for good on this drawing")            \
  X(bool, coreNoSave, false, "accoreconsole: save commands are ignored")                      \
  X(bool, coreKeepStamp, false,                                                               \
    "accoreconsole: a save rewrites the drawing in place with as many bytes as it had and "   \
    "puts its time stamp back, as a coarse clock and a fixed-size format can make it look")   \
  X(int, coreSecureLoad, 1,                                                                   \
    "accoreconsole: SECURELOAD (0 runs any script) where the user profile has none")          \
  X(std::wstring, coreTrustedPaths, {},                                                       \
    "accoreconsole: TRUSTEDPATHS, \";\"-separated, where the user profile has none")          \
  X(std::wstring, historyFolder, {},                                                          \
    "each drawing's command history file (LOGFILENAME) goes here (default: \"history\" "      \
    "beside the log)")                                                                        \
  X(int, historyEncoding, 0,                                                                  \
    "history files: 0 UTF-8, 1 UTF-8 with a byte-order mark, 2 UTF-16LE with one, 3 ANSI")    \
  X(bool, refuseHistory, false, "LOGFILEMODE and LOGFILENAME are unknown variables")          \
  X(std::wstring, unknownCommands, {},                                                        \
    "\";\"-separated commands a script line may begin with that are unknown (any other is "   \
    "taken); accoreconsole: any word of a script")                                            \
  X(bool, chinese, false,                                                                     \
    "messages as Simplified Chinese AutoCAD prints them (also accoreconsole)")                \
  X(std::wstring, clsid, {}, "the class it serves (default: the stand-in's own)")             \
  X(std::wstring, product, L"AutoCAD", "the program it plays: its caption and Name")          \
  X(std::wstring, stateMethod, L"GetAcadState", "the state query's name (empty: none)")       \
  X(bool, refuseAttach, false,                                                                \
    "started by hand, what the running object table holds for it is no automation object, "   \
    "and it serves no class object: a client starts a new one")                               \
  X(int, dialogAt, 0, "opening the k-th drawing shows a warning box; Open returns once answered")

// A plain aggregate, so that a test may write Config{.failAt = 2}.
struct Config {
#define KAVRO_STANDIN_MEMBER(type, name, value, meaning) type name = value;
  KAVRO_STANDIN_SETTINGS(KAVRO_STANDIN_MEMBER)
#undef KAVRO_STANDIN_MEMBER
  bool operator==(const Config&) const = default;
};

// The settings in `text` (the file format above). Unknown keys and bad lines are ignored;
// a number that cannot be read counts as 0.
Config ParseConfig(const std::string& text);
// `config` in the file format; ParseConfig gives it back.
std::string ConfigText(const Config& config);
// Reads the file at `path`; a missing file gives the defaults.
Config ReadConfig(const std::wstring& path);

}  // namespace standin
