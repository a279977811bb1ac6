#pragma once
#include <windows.h>

// Success codes pass silently (true). A failure code is shown in a modal message box as
// "<what the code means> \n <message>", and false is returned once the user has closed it.
bool ReportCaptureError(HRESULT result, const char* message);

// The first part of such a box: the platform's description of the code, or the code in
// hexadecimal; UTF-8, at most 255 bytes, never ending in part of a character.
void DescribeResultCode(HRESULT result, char (&text)[256]);
