#include "capture/capture_pacing.h"

DWORD NextPollTimeout(DWORD t0, DWORD t1) {
    LONG elapsed = (LONG)(t1 - t0);  // wrapping difference, taken as signed
    LONGLONG rest = (LONGLONG)kPollPeriodMs - elapsed;
    return rest >= 1 ? (DWORD)rest : 1;
}
