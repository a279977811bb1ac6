#pragma once
// The test programs' application object: message boxes are recorded instead of shown, and can
// be held open to play a user who has not answered yet.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/afxmt.h"
#include "framework/afxwinapp.h"

struct RecordedBox {
    std::string text;
    UINT type;
    DWORD threadId;
};

class CRecordingApp : public CWinApp {
public:
    CRecordingApp();
    ~CRecordingApp() override;

    int DoMessageBox(const char* text, UINT type, UINT helpId) override;

    void Reset();  // forgets the boxes, stops holding and showing them

    // From now on every box is also shown for real, as the program shows it, until Reset.
    void ShowBoxes();
    std::vector<RecordedBox> Boxes();
    std::vector<std::string> Texts();
    size_t BoxCount();
    // True once at least count boxes have been raised (held ones included).
    bool WaitForBoxes(size_t count, DWORD timeoutMs);

    // While holding, a box keeps its thread until ReleaseBoxes.
    void HoldBoxes();
    void ReleaseBoxes();

    // Runs once, on the thread of the next box, while that box is "open": what a user could do
    // meanwhile through the messages the box's own loop dispatches.
    void DuringNextBox(std::function<void()> action);

private:
    CCriticalSection m_lock;
    std::vector<RecordedBox> m_boxes;
    HANDLE m_released;  // manual-reset; clear while holding
    bool m_showing = false;
    std::function<void()> m_duringNextBox;
};

CRecordingApp& TestApp();
