// Watches a running meter window from outside, inside the same Wine session, for the benchmark.
//   meter_watch readouts SECONDS            prints "readout UNIX_SECONDS VALUE" whenever the left
//                                           level readout changes (polled about every millisecond)
//   meter_watch soak SECONDS SWITCH SAMPLE LINUX_PID
//                                           switches the capture device every SWITCH seconds as the
//                                           list box would, and every SAMPLE seconds prints one line
//                                           of the meter process's GDI and USER objects, handles,
//                                           windows, resident memory and threads
//   meter_watch show minimize|hide|restore  changes how the window is shown (for experiments)
//   meter_watch entries                     lists the device list's entries
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "res/resource.h"

namespace {

HWND FindMeter() { return FindWindowA("#32770", "Quorvel"); }

std::string ControlText(HWND control) {
    char text[256] = "";
    GetWindowTextA(control, text, sizeof(text));  // another process's window: no message is sent
    return text;
}

// The number after the tab of a readout such as "L\t128"; -1 when there is none.
long ReadoutValue(const std::string& text) {
    size_t tab = text.find('\t');
    return tab == std::string::npos ? -1 : std::atol(text.c_str() + tab + 1);
}

int WatchReadouts(HWND meter, double seconds) {
    HWND left = GetDlgItem(meter, IDC_VALUE_LEFT);
    if (!left) return 1;
    timeBeginPeriod(1);
    std::string last;
    std::vector<double> gaps;
    double start = CounterSeconds(), previous = start;
    for (;;) {
        double now = CounterSeconds();
        if (now - start >= seconds) break;
        gaps.push_back((now - previous) * 1000);
        previous = now;
        std::string text = ControlText(left);
        if (text != last) {
            std::printf("readout %.6f %ld\n", UnixSeconds(), ReadoutValue(text));
            last = text;
        }
        Sleep(1);
    }
    timeEndPeriod(1);
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty())
        std::printf("poll_gap_ms median %.3f p95 %.3f max %.3f\n", gaps[gaps.size() / 2], gaps[gaps.size() * 95 / 100],
                    gaps.back());
    return 0;
}

struct ProcessCounts {
    long rssKb = -1;
    long threads = -1;
};

// Resident memory and threads of a Linux process, read through Wine's view of the root.
ProcessCounts ReadLinuxStatus(unsigned long linuxPid) {
    ProcessCounts counts;
    char path[64];
    std::snprintf(path, sizeof(path), "Z:\\proc\\%lu\\status", linuxPid);
    FILE* file = std::fopen(path, "r");
    if (!file) return counts;
    char line[256];
    while (std::fgets(line, sizeof(line), file)) {
        if (!std::strncmp(line, "VmRSS:", 6)) counts.rssKb = std::atol(line + 6);
        if (!std::strncmp(line, "Threads:", 8)) counts.threads = std::atol(line + 8);
    }
    std::fclose(file);
    return counts;
}

// GDI objects of another process, for where GetGuiResources is not implemented (it is a stub
// in Wine): Wine keeps each process's GDI handles in a table that the process's PEB points to,
// laid out as on Windows; an entry whose type is not 0 holds an object (stock objects included).
struct GdiHandleEntry {
    ULONGLONG object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONGLONG userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "one entry of the GDI handle table");
const size_t kGdiHandleCount = 0x10000;
const size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

long CountGdiTableEntries(HANDLE process) {
    typedef LONG(NTAPI * QueryProcess)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    static auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    struct {
        PVOID reserved1;
        PVOID pebBaseAddress;
        PVOID reserved2[2];
        ULONG_PTR uniqueProcessId;
        PVOID reserved3;
    } basic = {};
    if (!query || query(process, 0 /* ProcessBasicInformation */, &basic, sizeof(basic), nullptr) != 0) return -1;
    PVOID table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<BYTE*>(basic.pebBaseAddress) + kPebGdiTableOffset, &table,
                           sizeof(table), &read) || !table)
        return -1;
    static std::vector<GdiHandleEntry> entries(kGdiHandleCount);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiHandleEntry), &read)) return -1;
    long count = 0;
    for (const GdiHandleEntry& entry : entries)
        if (entry.type != 0) ++count;
    return count;
}

// Kernel handles of another process, from the system's handle list (GetProcessHandleCount
// answers 0 in Wine).
long CountKernelHandles(DWORD processId) {
    typedef LONG(NTAPI * QuerySystem)(ULONG, PVOID, ULONG, PULONG);
    static auto query = reinterpret_cast<QuerySystem>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    struct Entry {
        ULONG ownerPid;
        BYTE objectType;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ULONG access;
    };
    if (!query) return -1;
    static std::vector<BYTE> buffer(1 << 20);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16 /* SystemHandleInformation */, buffer.data(), (ULONG)buffer.size(), &needed);
        if (status == 0) {
            ULONG entries = *reinterpret_cast<ULONG*>(buffer.data());
            const Entry* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
            long count = 0;
            for (ULONG i = 0; i < entries; ++i)
                if (entry[i].ownerPid == processId) ++count;
            return count;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return -1;
}

struct WindowCount {
    DWORD processId;
    long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param) {
    auto* counting = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counting->processId) ++counting->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM param) {
    CountChild(window, param);
    EnumChildWindows(window, CountChild, param);
    return TRUE;
}

long CountWindows(DWORD processId) {
    WindowCount counting = {processId, 0};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&counting));
    return counting.count;
}

// Selects the next entry of the device list and tells the dialog, as the list box does.
bool SwitchDevice(HWND meter) {
    HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
    if (!list) return false;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) return false;
    LRESULT current = SendMessageA(list, LB_GETCURSEL, 0, 0);
    WPARAM next = (WPARAM)((current < 0 ? 0 : current + 1) % count);
    SendMessageA(list, LB_SETCURSEL, next, 0);
    // A switch that does not come back within seconds is held up by something, an error box say.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(meter, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list),
                               SMTO_NORMAL, 10000, &result) != 0;
}

int Soak(HWND meter, double seconds, double switchEvery, double sampleEvery, unsigned long linuxPid) {
    DWORD processId = 0;
    GetWindowThreadProcessId(meter, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) {
        std::fprintf(stderr, "meter_watch: OpenProcess failed: %lu\n", GetLastError());
        return 1;
    }
    SetLastError(0);
    DWORD probe = GetGuiResources(process, GR_GDIOBJECTS);
    DWORD probeError = GetLastError();
    std::printf("# GetGuiResources: first result %lu, last error %lu\n", probe, probeError);
    SetLastError(0);
    DWORD handles = 0;
    BOOL counted = GetProcessHandleCount(process, &handles);
    std::printf("# GetProcessHandleCount: result %d, count %lu, last error %lu\n", counted, handles, GetLastError());
    HWND leftReadout = GetDlgItem(meter, IDC_VALUE_LEFT);
    std::printf("# seconds switches gdi user gdi_peak user_peak gdi_table handles windows rss_kb threads left_readout\n");
    double start = CounterSeconds(), nextSwitch = start + switchEvery, nextSample = start;
    unsigned long switches = 0;
    for (;;) {
        double now = CounterSeconds();
        bool last = now - start >= seconds;
        if (now >= nextSample || last) {
            ProcessCounts status = ReadLinuxStatus(linuxPid);
            std::printf("%.1f %lu %lu %lu %lu %lu %ld %ld %ld %ld %ld %ld\n", now - start, switches,
                        GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
                        GetGuiResources(process, GR_GDIOBJECTS_PEAK), GetGuiResources(process, GR_USEROBJECTS_PEAK),
                        CountGdiTableEntries(process), CountKernelHandles(processId), CountWindows(processId),
                        status.rssKb, status.threads, ReadoutValue(ControlText(leftReadout)));
            std::fflush(stdout);
            nextSample += sampleEvery;
        }
        if (last) break;
        if (now >= nextSwitch) {
            if (!IsWindow(meter) || !SwitchDevice(meter)) {
                std::fprintf(stderr, "meter_watch: the meter is gone or did not answer a device switch\n");
                return 1;
            }
            ++switches;
            nextSwitch += switchEvery;
        }
        Sleep(50);
    }
    CloseHandle(process);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: meter_watch readouts SECONDS | soak SECONDS SWITCH SAMPLE LINUX_PID | "
                             "show minimize|hide|restore | entries\n");
        return 2;
    }
    HWND meter = FindMeter();
    if (!meter) {
        std::fprintf(stderr, "meter_watch: no meter window\n");
        return 1;
    }
    const char* command = argv[1];
    if (!std::strcmp(command, "readouts") && argc == 3) return WatchReadouts(meter, std::atof(argv[2]));
    if (!std::strcmp(command, "soak") && argc == 6)
        return Soak(meter, std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]), std::strtoul(argv[5], nullptr, 10));
    if (!std::strcmp(command, "show") && argc == 3) {
        int how = !std::strcmp(argv[2], "minimize") ? SW_MINIMIZE : !std::strcmp(argv[2], "hide") ? SW_HIDE : SW_RESTORE;
        ShowWindow(meter, how);
        return 0;
    }
    if (!std::strcmp(command, "entries")) {
        HWND list = GetDlgItem(meter, IDC_DEVICE_LIST);
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            WCHAR text[512] = L"";
            char narrow[1024] = "";
            if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 512) SendMessageW(list, LB_GETTEXT, i, (LPARAM)text);
            WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
            std::printf("%ld %s\n", (long)i, narrow);
        }
        return 0;
    }
    std::fprintf(stderr, "meter_watch: bad arguments\n");
    return 2;
}
