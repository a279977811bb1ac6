#include "tests/ui/session_scripts.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/audio/signal_player.h"
#include "tests/support/wide_text.h"

#ifndef QUORVEL_UI_SCRIPTS
#error "QUORVEL_UI_SCRIPTS must name the folder of the ui tests' scripts"
#endif

namespace {

bool LastLineIs(const std::string& text, const std::string& line) {
    size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return false;
    size_t start = text.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    return text.compare(start, end + 1 - start, line) == 0;
}

}  // namespace

std::string SessionDirectory() {
    const char* directory = std::getenv("QUORVEL_TESTENV");
    return directory ? directory : "";
}

std::string SessionVariable(const char* name) {
    wchar_t value[1024] = L"";
    DWORD length = GetEnvironmentVariableW(Wide(name).c_str(), value, 1024);
    return length > 0 && length < 1024 ? Utf8(value, (int)length) : "";
}

bool IsWideSinkEntry(const std::string& entry) {
    std::string description = SessionVariable("QUORVEL_WIDE_DESCRIPTION");
    return !description.empty() && entry.size() >= description.size() &&
           entry.compare(entry.size() - description.size(), description.size(), description) == 0;
}

std::string SessionFile(const std::string& name) {
    std::string folder = SessionDirectory() + "/ui";
    CreateDirectoryA(WindowsPathOf(folder).c_str(), nullptr);  // result deliberately ignored: may exist
    return folder + "/" + name;
}

bool ReadWholeFile(const std::string& unixPath, std::string* contents) {
    contents->clear();
    FILE* file = std::fopen(WindowsPathOf(unixPath).c_str(), "rb");
    if (!file) return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) contents->append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

std::vector<std::string> BrowserAddresses() {
    std::string log;
    std::vector<std::string> addresses;
    if (!ReadWholeFile(SessionFile("browser.log"), &log)) return addresses;
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
        addresses.push_back(log.substr(start, end - start));
    return addresses;
}

bool RunScript(const char* script, const std::string& arguments, DWORD timeoutMs, std::string* output) {
    static int runs = 0;
    output->clear();
    if (SessionDirectory().empty()) {
        *output = "no test session (QUORVEL_TESTENV)";
        return false;
    }
    std::ostringstream name;
    name << script << "." << GetCurrentProcessId() << "." << ++runs << ".out";
    std::string result = SessionFile(name.str());
    std::string windowsResult = WindowsPathOf(result);
    DeleteFileA(windowsResult.c_str());  // result deliberately ignored: usually absent

    std::string commandLine = std::string(QUORVEL_UI_SCRIPTS) + "/" + script + " " + result;
    if (!arguments.empty()) commandLine += " " + arguments;
    if (!StartUnixProgram(commandLine)) {
        *output = "cannot start " + commandLine;
        return false;
    }

    // The script renames its finished result into place; until then nothing can be read.
    ULONGLONG start = GetTickCount64();
    while (!ReadWholeFile(result, output) || output->empty()) {
        if (GetTickCount64() - start > timeoutMs) {
            bool seen = GetFileAttributesA(windowsResult.c_str()) != INVALID_FILE_ATTRIBUTES;
            *output = commandLine + (seen ? ": its result stays unreadable or empty within " : ": no result within ") +
                      std::to_string(timeoutMs) + " ms";
            return false;
        }
        Sleep(2);
    }
    DeleteFileA(windowsResult.c_str());  // result deliberately ignored: only tidies the session
    return true;
}

bool CheckSession(std::string* report) {
    if (!RunScript("session_check.sh", "", 10000, report)) return false;
    return report->find("display ok") != std::string::npos && report->find("sound server ok") != std::string::npos &&
           report->find("capture source ok") != std::string::npos;
}

bool ChangeSink(const char* command, std::string* report) {
    return RunScript("pulse_sink.sh", command, 15000, report) && LastLineIs(*report, "ok");
}

bool ReadProgramCpuSeconds(double* seconds, std::string* report) {
    *seconds = 0;
    if (!RunScript("process_cpu.sh", "", 10000, report) || !LastLineIs(*report, "done")) return false;
    std::istringstream lines(*report);
    std::string line;
    int processes = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        unsigned long pid, user, system, ticksPerSecond;
        if (!(fields >> pid >> user >> system >> ticksPerSecond)) continue;
        if (ticksPerSecond == 0) return false;
        *seconds = (double)(user + system) / (double)ticksPerSecond;
        ++processes;
    }
    return processes == 1;  // exactly the one program under test
}

bool ReadProgramThreads(int* threads, std::string* report) {
    *threads = 0;
    if (!RunScript("process_threads.sh", "", 10000, report) || !LastLineIs(*report, "done")) return false;
    std::istringstream lines(*report);
    std::string line;
    int processes = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        unsigned long pid;
        int count;
        if (!(fields >> pid >> count)) continue;
        *threads = count;
        ++processes;
    }
    return processes == 1 && *threads > 0;  // exactly the one program under test
}

bool ChangeSoundServer(const char* command, std::string* report) {
    return RunScript("sound_server.sh", command, 30000, report) && LastLineIs(*report, "ok");
}

bool XInput(const std::string& arguments, std::string* report) {
    return RunScript("x_input.sh", arguments, 10000, report) && LastLineIs(*report, "ok");
}
