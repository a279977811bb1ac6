#include <gtest/gtest.h>

#include <cstring>

#include "framework/afxconv.h"
#include "framework/afxmsgwait.h"
#include "framework/afxstring.h"
#include "framework/afxthread.h"
#include "framework/afxwinapp.h"
#include "tests/support/import_patch.h"
#include "tests/support/recording_app.h"
#include "tests/support/threads.h"

TEST(FrameworkString, SharesUntilChanged) {
    CString a("Quorvel");
    CString b = a;
    EXPECT_EQ((const char*)a, (const char*)b) << "copies share one buffer";
    b += " 0.5";
    EXPECT_STREQ(a, "Quorvel");
    EXPECT_STREQ(b, "Quorvel 0.5");
    EXPECT_EQ(b.GetLength(), 11);
    a = b;
    a = (const char*)a;  // assigning its own text
    EXPECT_STREQ(a, "Quorvel 0.5");
    a += a;
    EXPECT_STREQ(a, "Quorvel 0.5Quorvel 0.5");
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(empty, "");
    EXPECT_STREQ(CString(nullptr), "");
    EXPECT_STREQ("L" + CString("\t") + "5", "L\t5");
}

TEST(FrameworkString, FormatAndBuffers) {
    CString text;
    text.Format("L\t%d", 255);
    EXPECT_STREQ(text, "L\t255");
    text.Format("%s \n %s", "0x88780078", "Fehler: PufferLock");
    EXPECT_STREQ(text, "0x88780078 \n Fehler: PufferLock");
    text.Format("%s", "");
    EXPECT_TRUE(text.IsEmpty());
    std::string longText(5000, 'x');
    text.Format("%s!", longText.c_str());
    EXPECT_EQ(text.GetLength(), 5001);

    CString buffer;
    char* raw = buffer.GetBuffer(10);
    std::strcpy(raw, "abc");
    buffer.ReleaseBuffer();
    EXPECT_EQ(buffer.GetLength(), 3);
    EXPECT_STREQ(buffer, "abc");
    CString shared = buffer;
    raw = shared.GetBuffer(3);
    raw[0] = 'X';
    shared.ReleaseBuffer(3);
    EXPECT_STREQ(buffer, "abc") << "writing through a buffer never changes a copy";
    EXPECT_STREQ(shared, "Xbc");
}

// Texts cross into the window system as UTF-16 and come back as UTF-8, whole, in any script.
TEST(FrameworkString, CrossesToAndFromWideText) {
    const char mixed[] = "Gr\xC3\xB6\xC3\x9F" "e \xCE\x95\xCE\xBB \xD0\x9C\xD0\xB8 \xE9\xBA\xA6 \xF0\x9F\x8E\xA4";
    const wchar_t wide[] = L"Gr\u00F6\u00DFe \u0395\u03BB \u041C\u0438 \u9EA6 \U0001F3A4";
    EXPECT_EQ(AfxToWide(mixed), std::wstring(wide));
    EXPECT_STREQ(AfxFromWide(wide), mixed);
    EXPECT_EQ(AfxToWide(mixed, 4), std::wstring(L"Gr\u00F6")) << "a length in bytes";
    EXPECT_STREQ(AfxFromWide(wide, 2), "Gr");
    EXPECT_EQ(AfxToWide(nullptr), std::wstring());
    EXPECT_STREQ(AfxFromWide(nullptr), "");
    EXPECT_EQ(AfxToWide("a\xFF" "b"), std::wstring(L"a\uFFFDb")) << "a byte that is not UTF-8";
}

TEST(FrameworkApp, NamedAfterTheExecutable) {
    ASSERT_EQ(AfxGetApp(), &TestApp());
    EXPECT_STREQ(AfxGetApp()->m_pszAppName, "unit_tests") << "file name without extension";
}

namespace {

HANDLE g_threadRan;
LONG g_threadParam;

UINT RecordParam(LPVOID param) {
    g_threadParam = (LONG)(INT_PTR)param;
    SetEvent(g_threadRan);
    return 7;
}

UINT EndsItself(LPVOID) {
    SetEvent(g_threadRan);
    AfxEndThread(9);
}

}  // namespace

TEST(FrameworkThread, ThreadObjectsDeleteThemselves) {
    g_threadRan = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    int baseline = CountProcessThreads();
    // Started suspended, so that its object is still there to take a handle from.
    CWinThread* thread = AfxBeginThread(RecordParam, (LPVOID)(INT_PTR)1234, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &copy,
                                SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0));
    ASSERT_NE(thread->ResumeThread(), (DWORD)-1);
    ASSERT_EQ(WaitForSingleObject(g_threadRan, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(g_threadParam, 1234);
    EXPECT_EQ(WaitForSingleObject(copy, 2000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(copy, &code);
    EXPECT_EQ(code, 7u) << "the procedure's result is the exit code";
    CloseHandle(copy);

    thread = AfxBeginThread(EndsItself, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &copy,
                                SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0));
    ASSERT_NE(thread->ResumeThread(), (DWORD)-1);
    ASSERT_EQ(WaitForSingleObject(copy, 2000), WAIT_OBJECT_0);
    code = 0;
    GetExitCodeThread(copy, &code);
    EXPECT_EQ(code, 9u);
    CloseHandle(copy);
    EXPECT_TRUE(WaitUntil([&] { return CountProcessThreads() <= baseline; }, 2000));
    CloseHandle(g_threadRan);
}

// A thread that cannot be resumed is told like one that could not be made, and nothing of it
// stays: no suspended thread (nor its object and handle).
TEST(FrameworkThread, AThreadThatCannotBeResumedLeavesNothing) {
    g_threadRan = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(g_threadRan, nullptr);
    int baseline = CountProcessThreads();
    {
        ImportPatch failing("kernel32.dll", "ResumeThread", reinterpret_cast<const void*>(FailingResumeThread));
        ASSERT_TRUE(failing.Applied());
        EXPECT_EQ(AfxBeginThread(RecordParam, nullptr), nullptr);
    }
    EXPECT_EQ(CountProcessThreads(), baseline) << "a suspended thread was left";
    EXPECT_EQ(WaitForSingleObject(g_threadRan, 100), (DWORD)WAIT_TIMEOUT) << "it never ran";
    CloseHandle(g_threadRan);
}

// A window whose every message posts the next, as a close that ends a loop it runs inside does.
struct EndlessPoster {
    HANDLE signal = nullptr;
    LONG dispatched = 0;
    LONG returned = 0;
};

LRESULT CALLBACK PostAgain(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
    InterlockedIncrement(reinterpret_cast<LONG*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
    PostMessageW(window, WM_APP, 0, 0);
    return 0;
}

DWORD WINAPI WaitAmongEndlessPosts(LPVOID param) {
    auto* poster = static_cast<EndlessPoster*>(param);
    HWND window = CreateWindowExW(0, L"QuorvelPostAgain", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) return 1;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&poster->dispatched));
    PostMessageW(window, WM_APP, 0, 0);
    AfxWaitDispatchingMessages(1, &poster->signal);
    InterlockedExchange(&poster->returned, 1);
    DestroyWindow(window);
    return 0;
}

// The wait ends once its object is signalled, even while the messages it dispatches never stop
// coming; before, it went on dispatching for good.
TEST(FrameworkMessageWait, EndsOnTheSignalWhileMessagesKeepComing) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = PostAgain;
    windowClass.lpszClassName = L"QuorvelPostAgain";
    ASSERT_TRUE(RegisterClassW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    EndlessPoster poster;
    poster.signal = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(poster.signal, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaitAmongEndlessPosts, &poster, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return InterlockedCompareExchange(&poster.dispatched, 0, 0) > 100; }, 5000))
        << "the messages do not keep coming";
    EXPECT_EQ(InterlockedCompareExchange(&poster.returned, 0, 0), 0) << "the wait ended before its signal";
    ASSERT_TRUE(SetEvent(poster.signal));
    bool ended = WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the wait goes on after its signal";
    if (!ended) TerminateThread(thread, 2);  // it would dispatch for good
    DWORD code = 0xdeadbeef;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, ended ? 0u : 2u);
    CloseHandle(thread);
    CloseHandle(poster.signal);
}
