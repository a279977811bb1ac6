#pragma once
// The test session as the Windows test program sees it: its scratch files, and the shell
// scripts of tests/ui that do what only the Unix side can (screenshots, the sound server,
// processor times of the program).
#include <windows.h>

#include <string>
#include <vector>

// QUORVEL_TESTENV: the session directory, empty outside a session.
std::string SessionDirectory();
// A variable of the session's environment (scripts/testenv.sh), read wide, in UTF-8: its value
// may be in any script. QUORVEL_WIDE_SINK and QUORVEL_WIDE_DESCRIPTION name the session's second
// sink, whose monitor is listed as "Monitor of " and that description.
std::string SessionVariable(const char* name);
// Whether a device list entry is the monitor of the session's second sink.
bool IsWideSinkEntry(const std::string& entry);

// A scratch file of the ui tests inside the session (a Unix path); the folder is created.
std::string SessionFile(const std::string& name);

bool ReadWholeFile(const std::string& unixPath, std::string* contents);

// The addresses the stand-in browser (record_browser.sh) was asked to open, in order.
std::vector<std::string> BrowserAddresses();

// Runs tests/ui/SCRIPT with a fresh result file and the arguments, and hands back what the
// script wrote there. A Unix program started from Wine gives neither a waitable handle nor an
// exit code, so the scripts rename their result file into place when they are done.
bool RunScript(const char* script, const std::string& arguments, DWORD timeoutMs, std::string* output);

// What of the session answers; every line must be there for a test to run.
bool CheckSession(std::string* report);

// The null sink behind the default capture source: "unload", "reload", "suspend", "resume".
bool ChangeSink(const char* command, std::string* report);

// Processor time used so far by the running Quorvel.exe of this Wine prefix, read from /proc.
bool ReadProgramCpuSeconds(double* seconds, std::string* report);

// Threads of the running Quorvel.exe of this Wine prefix (Wine's own among them), from /proc.
bool ReadProgramThreads(int* threads, std::string* report);

// Real keys and clicks through the X server (xdotool's arguments, e.g. "key alt+space"): what
// posted messages cannot do, such as opening the window menu, runs the window system's own loops.
bool XInput(const std::string& arguments, std::string* report);

// The session's sound server: "stop" (SIGSTOP), "continue" (SIGCONT), "kill" (SIGKILL),
// "restart" (started again as the session began).
bool ChangeSoundServer(const char* command, std::string* report);
