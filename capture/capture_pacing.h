#pragma once
// Pacing of the capture thread: a pass about every 10 ms.
#include <windows.h>

const DWORD kPollPeriodMs = 10;

// Wait before the next pass after one that measured a block, started at tick t0 and ended at
// t1: the rest of the poll period, at least 1 ms. Ticks wrap at 32 bits.
DWORD NextPollTimeout(DWORD t0, DWORD t1);
