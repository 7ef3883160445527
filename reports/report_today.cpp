// Today's date for the follow-up schedule, with a seam for tests.
#include <ctime>

#include "reports/generators.h"
#include "reports/report.h"

namespace {
bool g_todayFixed = false;
CivilDate g_fixedToday = {1970, 1, 1};
}  // namespace

CivilDate reportToday()
{
    if (g_todayFixed) return g_fixedToday;
    return readLocalDate();
}

void setReportTodayForTesting(const CivilDate* today)
{
    g_todayFixed = today != nullptr;
    if (today != nullptr) g_fixedToday = *today;
}

#if !defined(_WIN32)
// Native builds (tests, tools) read the C library's local time; the Windows
// program asks the system in report_today_win.cpp.
CivilDate readLocalDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return CivilDate{1970, 1, 1};
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
#endif
