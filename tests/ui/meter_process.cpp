#include "tests/ui/meter_process.h"

#include <tlhelp32.h>

#include "res/resource.h"
#include "tests/audio/signal_player.h"
#include "tests/support/wide_text.h"
#include "tests/ui/session_scripts.h"

#ifndef QUORVEL_EXE_UNIX_PATH
#error "QUORVEL_EXE_UNIX_PATH must name the program under test"
#endif

namespace {

const DWORD kWindowTimeoutMs = 20000;  // Wine may have to start its services first

struct DialogSearch {
    DWORD processId;
    HWND exclude;
    bool wantMeter;
    std::vector<HWND> found;
};

bool IsDialogClass(HWND window) {
    char className[32] = "";
    GetClassNameA(window, className, sizeof(className));
    return lstrcmpA(className, "#32770") == 0;
}

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (search->processId && processId != search->processId) return TRUE;
    if (window == search->exclude || !IsDialogClass(window) || !IsWindowVisible(window)) return TRUE;
    // The meter is the dialog with the device list; message boxes carry the same class and title.
    bool meter = GetDlgItem(window, IDC_DEVICE_LIST) != nullptr && WindowText(window) == "Quorvel";
    if (meter == search->wantMeter) search->found.push_back(window);
    return TRUE;
}

struct ShownOrNotSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMeterShownOrNot(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ShownOrNotSearch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !GetDlgItem(window, IDC_DEVICE_LIST) || WindowText(window) != "Quorvel")
        return TRUE;
    search->found = window;
    return FALSE;
}

std::vector<HWND> FindDialogs(DWORD processId, HWND exclude, bool wantMeter) {
    DialogSearch search = {processId, exclude, wantMeter, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::string ProgramUnixPath() { return QUORVEL_EXE_UNIX_PATH; }

std::string ProgramWindowsPath() { return WindowsPathOf(QUORVEL_EXE_UNIX_PATH); }

int EndLeftoverPrograms() {
    std::vector<DWORD> processIds;
    for (HWND meter : FindDialogs(0, nullptr, true)) {
        DWORD processId = 0;
        if (GetWindowThreadProcessId(meter, &processId)) processIds.push_back(processId);
    }
    std::string name = ProgramUnixPath().substr(ProgramUnixPath().find_last_of('/') + 1);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0) processIds.push_back(entry.th32ProcessID);
        }
        CloseHandle(snapshot);
    }
    int ended = 0;
    for (DWORD processId : processIds) {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
        if (!process) continue;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT && TerminateProcess(process, 1) &&
            WaitForSingleObject(process, 5000) == WAIT_OBJECT_0)
            ++ended;
        CloseHandle(process);
    }
    return ended;
}

std::string WindowText(HWND window) {
    wchar_t text[1024] = L"";
    // Another process's window: no message is sent. A window gone meanwhile has no text, whatever
    // the buffer was left holding.
    int length = GetWindowTextW(window, text, 1024);
    return Utf8(text, length > 0 && length < 1024 ? length : 0);
}

std::string MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

HWND AnyMeterWindow() {
    std::vector<HWND> meters = FindDialogs(0, nullptr, true);
    return meters.empty() ? nullptr : meters.front();
}

bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT* result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer)) return false;
    if (result) *result = (LRESULT)answer;
    return true;
}

std::string ListEntryText(HWND list, int index) {
    LRESULT length = 0;
    if (!SendWithin(list, LB_GETTEXTLEN, index, 0, 2000, &length) || length < 0) return "";
    std::vector<wchar_t> buffer((size_t)length + 1, L'\0');
    LRESULT copied = 0;
    if (!SendWithin(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()), 2000, &copied) || copied < 0 ||
        copied > length)
        return "";
    return Utf8(buffer.data(), (int)copied);
}

bool MeterProcess::Start(std::string* error) { return StartProgram(ProgramUnixPath(), "", error); }

bool MeterProcess::Launch(std::string* error) { return Launch(ProgramUnixPath(), "", error); }

bool MeterProcess::Launch(const std::string& unixPath, const std::string& arguments, std::string* error) {
    std::string path = WindowsPathOf(unixPath);
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    m_startedAt = GetTickCount64();
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        *error = "CreateProcessA " + path + " failed, error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    m_process = process.hProcess;
    m_processId = process.dwProcessId;
    return true;
}

bool MeterProcess::StartProgram(const std::string& unixPath, const std::string& arguments, std::string* error) {
    if (!Launch(unixPath, arguments, error)) return false;
    if (!WaitForMeter(kWindowTimeoutMs)) {
        *error = "no meter window within " + std::to_string(kWindowTimeoutMs) + " ms";
        return false;
    }
    return true;
}

bool MeterProcess::WaitForMeter(DWORD timeoutMs) {
    ULONGLONG start = GetTickCount64();
    for (;;) {
        std::vector<HWND> meters = FindDialogs(m_processId, nullptr, true);
        if (!meters.empty()) {
            m_window = meters.front();
            return true;
        }
        if (m_process && WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0) return false;
        if (GetTickCount64() - start > timeoutMs) return false;
        Sleep(2);
    }
}

HWND MeterProcess::WindowShownOrNot() const {
    ShownOrNotSearch search = {m_processId, nullptr};
    if (m_processId) EnumWindows(FindMeterShownOrNot, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string MeterProcess::Text(int id) const { return WindowText(Control(id)); }

std::vector<HWND> MeterProcess::OtherDialogs() const {
    std::vector<HWND> dialogs = FindDialogs(m_processId, m_window, false);
    // A second meter-like dialog would be a fault the caller should see as well.
    std::vector<HWND> meters = FindDialogs(m_processId, m_window, true);
    dialogs.insert(dialogs.end(), meters.begin(), meters.end());
    return dialogs;
}

HWND MeterProcess::WaitForOtherDialog(DWORD timeoutMs) const {
    ULONGLONG start = GetTickCount64();
    do {
        std::vector<HWND> dialogs = OtherDialogs();
        if (!dialogs.empty()) return dialogs.front();
        Sleep(5);
    } while (GetTickCount64() - start <= timeoutMs);
    return nullptr;
}

bool MeterProcess::Answers(DWORD timeoutMs) const { return m_window && SendWithin(m_window, WM_NULL, 0, 0, timeoutMs); }

bool MeterProcess::Click(HWND button) const { return button && SendWithin(button, BM_CLICK, 0, 0, 5000); }

bool MeterProcess::PostClick(HWND button) const { return button && PostMessageA(button, BM_CLICK, 0, 0); }

bool MeterProcess::PressKey(HWND control, UINT virtualKey) const {
    LPARAM scanCode = (LPARAM)MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC) << 16;
    return PostMessageA(control, WM_KEYDOWN, virtualKey, scanCode | 1) &&
           PostMessageA(control, WM_KEYUP, virtualKey, scanCode | 1 | (LPARAM)0xC0000000);
}

HWND MeterProcess::FocusedControl() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    DWORD thread = GetWindowThreadProcessId(m_window, nullptr);
    if (!thread || !GetGUIThreadInfo(thread, &info)) return nullptr;
    return info.hwndFocus;
}

bool MeterProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!m_process || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode && !GetExitCodeProcess(m_process, exitCode)) return false;
    return true;
}

void MeterProcess::EndForSure() {
    if (!m_process) return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        for (int round = 0; round < 5 && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; ++round) {
            // Results deliberately ignored: whatever does not go is killed below.
            for (HWND dialog : OtherDialogs()) {
                HWND ok = GetDlgItem(dialog, IDOK);
                if (ok) PostClick(ok);
                else PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
            if (m_window && IsWindow(m_window)) PostMessageA(m_window, WM_CLOSE, 0, 0);
            WaitForSingleObject(m_process, 2000);
        }
        if (WaitForSingleObject(m_process, 5000) == WAIT_TIMEOUT) {
            TerminateProcess(m_process, 1);  // result deliberately ignored: the wait below tells
            WaitForSingleObject(m_process, 5000);
        }
    }
    CloseHandle(m_process);
    m_process = nullptr;
    m_processId = 0;
    m_window = nullptr;
}
