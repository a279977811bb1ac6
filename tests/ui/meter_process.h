#pragma once
// The real Quorvel.exe, started and watched from outside as a user would see it: its window,
// the texts of its controls, clicks and keys, the message boxes it raises, and its end. A
// MeterProcess never leaves a program behind: whatever still runs at its end is closed, and
// killed if it does not go.
#include <windows.h>

#include <string>
#include <vector>

class MeterProcess {
public:
    MeterProcess() = default;
    ~MeterProcess() { EndForSure(); }
    MeterProcess(const MeterProcess&) = delete;
    MeterProcess& operator=(const MeterProcess&) = delete;

    // Starts the program with CreateProcessA and waits for its meter window.
    bool Start(std::string* error);
    // The same for another program of the build that shows the meter window (a Unix path).
    bool StartProgram(const std::string& unixPath, const std::string& arguments, std::string* error);
    // Only starts the program (or another of the build): message boxes may come before its
    // meter window.
    bool Launch(std::string* error);
    bool Launch(const std::string& unixPath, const std::string& arguments, std::string* error);
    // Waits for the meter window of the process (after Launch).
    bool WaitForMeter(DWORD timeoutMs);

    HWND Window() const { return m_window; }
    // The meter window of the process whether shown or not (behind a start-up box it is not yet).
    HWND WindowShownOrNot() const;
    HANDLE Process() const { return m_process; }
    DWORD ProcessId() const { return m_processId; }
    ULONGLONG StartedAt() const { return m_startedAt; }  // GetTickCount64 before CreateProcessA

    HWND Control(int id) const { return GetDlgItem(m_window, id); }
    std::string Text(int id) const;

    // Top-level dialogs of the process other than the meter: message boxes, the info dialog.
    std::vector<HWND> OtherDialogs() const;
    HWND WaitForOtherDialog(DWORD timeoutMs) const;

    // False when the program does not answer within a few seconds.
    bool Answers(DWORD timeoutMs = 2000) const;
    bool Click(HWND button) const;  // BM_CLICK, sent: returns once the click is handled
    bool PostClick(HWND button) const;
    // WM_KEYDOWN and WM_KEYUP posted to a control, as the keyboard delivers them to the focus.
    bool PressKey(HWND control, UINT virtualKey) const;
    HWND FocusedControl() const;

    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    // Dismisses dialogs, closes the meter, and kills the program if it does not end.
    void EndForSure();

private:
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    HWND m_window = nullptr;
    ULONGLONG m_startedAt = 0;
};

// Ends every Quorvel.exe still running in this Wine prefix (one a killed test run left behind)
// and returns how many there were.
int EndLeftoverPrograms();

// Where the program under test lies, as a Unix path and as Windows sees it.
std::string ProgramUnixPath();
std::string ProgramWindowsPath();

// Read wide, in UTF-8 (tests/support/wide_text.h).
std::string WindowText(HWND window);
// The text of a message box (its static with id 0xFFFF).
std::string MessageBoxText(HWND box);
// Any meter window of any process: none may be open when a test starts.
HWND AnyMeterWindow();

// The text of a list box entry of another process, read wide, in UTF-8.
std::string ListEntryText(HWND list, int index);
// Sends a message with a timeout; false when the program does not answer.
bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT* result = nullptr);
