#include "tests/ui/screenshot.h"

#include <cctype>
#include <cstdio>

#include "tests/ui/session_scripts.h"

namespace {

// The next whitespace-separated number of a PPM header, skipping comments.
bool HeaderNumber(const std::string& ppm, size_t* at, long* value) {
    size_t i = *at;
    for (;;) {
        while (i < ppm.size() && std::isspace((unsigned char)ppm[i])) ++i;
        if (i < ppm.size() && ppm[i] == '#') {
            while (i < ppm.size() && ppm[i] != '\n') ++i;
            continue;
        }
        break;
    }
    if (i >= ppm.size() || !std::isdigit((unsigned char)ppm[i])) return false;
    long number = 0;
    while (i < ppm.size() && std::isdigit((unsigned char)ppm[i])) {
        number = number * 10 + (ppm[i] - '0');
        if (number > 1000000) return false;
        ++i;
    }
    *value = number;
    *at = i;
    return true;
}

}  // namespace

bool Screenshot::Parse(const std::string& ppm, std::string* error) {
    m_width = m_height = 0;
    m_rgb.clear();
    if (ppm.compare(0, 2, "P6") != 0) {
        *error = "not a binary PPM: " + ppm.substr(0, 200);
        return false;
    }
    size_t at = 2;
    long width, height, maximum;
    if (!HeaderNumber(ppm, &at, &width) || !HeaderNumber(ppm, &at, &height) || !HeaderNumber(ppm, &at, &maximum) ||
        width <= 0 || height <= 0 || maximum <= 0 || maximum > 65535 || at >= ppm.size()) {
        *error = "bad PPM header";
        return false;
    }
    ++at;  // the single whitespace byte after the maximum
    size_t bytesPerSample = maximum < 256 ? 1 : 2;
    size_t samples = (size_t)width * (size_t)height * 3;
    if (ppm.size() - at < samples * bytesPerSample) {
        *error = "PPM shorter than its header says";
        return false;
    }
    m_rgb.resize(samples);
    for (size_t i = 0; i < samples; ++i) {
        unsigned long sample = (BYTE)ppm[at + i * bytesPerSample];
        if (bytesPerSample == 2) sample = (sample << 8) | (BYTE)ppm[at + i * 2 + 1];
        m_rgb[i] = (BYTE)((sample * 255 + (unsigned long)maximum / 2) / (unsigned long)maximum);
    }
    m_width = (int)width;
    m_height = (int)height;
    return true;
}

bool Screenshot::Take(std::string* error) {
    std::string ppm;
    if (!RunScript("screenshot.sh", "", 20000, &ppm)) {
        *error = "screenshot.sh: " + ppm.substr(0, 300);
        return false;
    }
    return Parse(ppm, error);
}

COLORREF Screenshot::Pixel(int x, int y) const {
    if (!Contains(x, y)) return CLR_INVALID;
    const BYTE* p = &m_rgb[((size_t)y * (size_t)m_width + (size_t)x) * 3];
    return RGB(p[0], p[1], p[2]);
}

RECT ScreenClientRect(HWND window) {
    RECT rect = {0, 0, 0, 0};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string ColourName(COLORREF colour) {
    if (colour == CLR_INVALID) return "(outside the screen)";
    char text[40];
    std::snprintf(text, sizeof(text), "RGB(%d, %d, %d)", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}
