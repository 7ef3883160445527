// Prints the date of every day number from 0001-01-01 to 9999-12-31, one per
// line, for compare_calendar.py. Checks on the way that daysFromCivil takes
// each printed date back to its day number; exits 1 at the first that does
// not.
#include <cstdint>
#include <cstdio>

#include "engine/tool.h"

int main() {
    const int64_t first = daysFromCivil(1, 1, 1);
    const int64_t last = daysFromCivil(9999, 12, 31);
    std::printf("%lld %lld\n", static_cast<long long>(first), static_cast<long long>(last));
    static char out[1 << 16];
    size_t used = 0;
    for (int64_t day = first; day <= last; ++day) {
        char16_t text[32];
        const int n = civilFromDays(day, text, 32);
        if (n != 10) {
            std::fprintf(stderr, "day %lld: civilFromDays returned %d\n", static_cast<long long>(day), n);
            return 1;
        }
        int y = 0, m = 0, d = 0;
        for (int i = 0; i < 4; ++i) y = y * 10 + (text[i] - u'0');
        m = (text[5] - u'0') * 10 + (text[6] - u'0');
        d = (text[8] - u'0') * 10 + (text[9] - u'0');
        if (daysFromCivil(y, m, d) != day) {
            std::fprintf(stderr, "day %lld: daysFromCivil(%d, %d, %d) = %lld\n", static_cast<long long>(day), y, m, d,
                         static_cast<long long>(daysFromCivil(y, m, d)));
            return 1;
        }
        if (used + 12 > sizeof out) {
            std::fwrite(out, 1, used, stdout);
            used = 0;
        }
        for (int i = 0; i < 10; ++i) out[used++] = static_cast<char>(text[i]);
        out[used++] = '\n';
    }
    std::fwrite(out, 1, used, stdout);
    return 0;
}
