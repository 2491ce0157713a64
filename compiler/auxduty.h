// The duty pattern of one aux flag: which steps of a flag at p % have its bit set in the aux image.
// The image encoder writes the bits by it, and the summary reads the steps after a program's end by it.
#pragma once

#include <cmath>

// A flag at p % is on for exactly p steps of each full 100-step window, spread evenly; a change of
// percentage starts a new window.
class AuxDutyWindow {
public:
    // The window as it stands before step 0, whose percentage it is given.
    explicit AuxDutyWindow(int firstPercent = 0) : m_percent(firstPercent) {}

    // Whether the bit is set on the next step, whose percentage is p.
    bool Next(int p) {
        if (p != m_percent) {
            m_percent = p;
            m_position = 0;
            m_ones = 0;
        }
        if (m_position < 100) {
            ++m_position;
        } else {
            m_position = 1;
            m_ones = 0;
        }
        // llrint rounds half to even like nearbyint without saving the floating-point environment; 0 %
        // never sets a bit (its target is round(0.0001) = 0), so the common case skips the sum.
        if (m_percent == 0) return false;
        const long long target =
            std::llrint(static_cast<long double>(m_percent) / 100.0L * m_position + 0.0001L);
        if (m_ones >= target) return false;
        ++m_ones;
        return true;
    }

private:
    int m_percent;
    int m_position = 0; // 0 to 100 within the window
    int m_ones = 0;     // bits set so far in the window
};
