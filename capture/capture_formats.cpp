#include "capture/capture_formats.h"

namespace {

struct FormatRow {
    DWORD code;
    DWORD samplesPerSec;
    WORD channels;
    WORD bitsPerSample;
    const char* displayName;
};

const FormatRow kFormats[] = {
    {WAVE_FORMAT_1M08, 11025, 1, 8, "11.025kHz mono 8bit"},
    {WAVE_FORMAT_1S08, 11025, 2, 8, "11.025kHz stereo 8bit"},
    {WAVE_FORMAT_1M16, 11025, 1, 16, "11.025kHz mono 16bit"},
    {WAVE_FORMAT_1S16, 11025, 2, 16, "11.025kHz stereo 16bit"},
    {WAVE_FORMAT_2M08, 22050, 1, 8, "22.05kHz mono 8bit"},
    {WAVE_FORMAT_2S08, 22050, 2, 8, "22.05kHz stereo 8bit"},
    {WAVE_FORMAT_2M16, 22050, 1, 16, "22.05kHz mono 16bit"},
    {WAVE_FORMAT_2S16, 22050, 2, 16, "22.05kHz stereo 16bit"},
    {WAVE_FORMAT_4M08, 44100, 1, 8, "44.1kHz mono 8bit"},
    {WAVE_FORMAT_4S08, 44100, 2, 8, "44.1kHz stereo 8bit"},
    {WAVE_FORMAT_4M16, 44100, 1, 16, "44.1kHz mono 16bit"},
    {WAVE_FORMAT_4S16, 44100, 2, 16, "44.1kHz stereo 16bit"},
    {WAVE_FORMAT_48M08, 48000, 1, 8, "48kHz mono 8bit"},
    {WAVE_FORMAT_48S08, 48000, 2, 8, "48kHz stereo 8bit"},
    {WAVE_FORMAT_48M16, 48000, 1, 16, "48kHz mono 16bit"},
    {WAVE_FORMAT_48S16, 48000, 2, 16, "48kHz stereo 16bit"},
    {WAVE_FORMAT_96M08, 96000, 1, 8, "96kHz mono 8bit"},
    {WAVE_FORMAT_96S08, 96000, 2, 8, "96kHz stereo 8bit"},
    {WAVE_FORMAT_96M16, 96000, 1, 16, "96kHz mono 16bit"},
    {WAVE_FORMAT_96S16, 96000, 2, 16, "96kHz stereo 16bit"},
};

const FormatRow* FindRow(DWORD formatCode) {
    for (const FormatRow& row : kFormats)
        if (row.code == formatCode) return &row;
    return nullptr;
}

static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX must be packed");

const DWORD kRateGroups = 5;
const DWORD kBestSampleKind = 8;  // stereo 16-bit; halving gives mono 16, stereo 8, mono 8

}  // namespace

WAVEFORMATEX MakeWaveFormat(DWORD formatCode) {
    const FormatRow* row = FindRow(formatCode);
    if (!row) row = FindRow(WAVE_FORMAT_4S16);
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = row->channels;
    format.nSamplesPerSec = row->samplesPerSec;
    format.wBitsPerSample = row->bitsPerSample;
    format.nBlockAlign = (WORD)(row->channels * row->bitsPerSample / 8);
    format.nAvgBytesPerSec = row->samplesPerSec * format.nBlockAlign;
    format.cbSize = sizeof(WAVEFORMATEX);  // 18: the structure's own size, not 0
    return format;
}

bool FindFallbackFormat(DWORD formatMask, DWORD* formatCode) {
    for (DWORD kind = kBestSampleKind; kind != 0; kind /= 2) {
        for (DWORD group = kRateGroups; group-- > 0;) {
            DWORD candidate = kind << (4 * group);
            if ((formatMask & candidate) == candidate) {
                *formatCode = candidate;
                return true;
            }
        }
    }
    return false;
}

CString FormatDisplayName(DWORD formatCode) {
    if (const FormatRow* row = FindRow(formatCode)) return CString(row->displayName);
    return CString(formatCode == 0 ? "invalid format" : "unknow default");
}
