#include "tests/support/recording_app.h"

CRecordingApp::CRecordingApp() : CWinApp(nullptr), m_released(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

CRecordingApp::~CRecordingApp() { CloseHandle(m_released); }

int CRecordingApp::DoMessageBox(const char* text, UINT type, UINT helpId) {
    std::function<void()> action;
    bool showing;
    {
        CSingleLock lock(m_lock);
        m_boxes.push_back({text ? text : "", type, GetCurrentThreadId()});
        action.swap(m_duringNextBox);
        showing = m_showing;
    }
    if (action) action();
    if (showing) return CWinApp::DoMessageBox(text, type, helpId);
    WaitForSingleObject(m_released, INFINITE);
    return IDOK;
}

void CRecordingApp::Reset() {
    CSingleLock lock(m_lock);
    m_boxes.clear();
    m_duringNextBox = nullptr;
    m_showing = false;
    SetEvent(m_released);
}

void CRecordingApp::ShowBoxes() {
    CSingleLock lock(m_lock);
    m_showing = true;
}

std::vector<RecordedBox> CRecordingApp::Boxes() {
    CSingleLock lock(m_lock);
    return m_boxes;
}

std::vector<std::string> CRecordingApp::Texts() {
    std::vector<std::string> texts;
    for (const RecordedBox& box : Boxes()) texts.push_back(box.text);
    return texts;
}

size_t CRecordingApp::BoxCount() {
    CSingleLock lock(m_lock);
    return m_boxes.size();
}

bool CRecordingApp::WaitForBoxes(size_t count, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (BoxCount() < count) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(1);
    }
    return true;
}

void CRecordingApp::HoldBoxes() { ResetEvent(m_released); }

void CRecordingApp::ReleaseBoxes() { SetEvent(m_released); }

void CRecordingApp::DuringNextBox(std::function<void()> action) {
    CSingleLock lock(m_lock);
    m_duringNextBox = std::move(action);
}
