// Today's local date from the system clock, for the follow-up schedule.
#include <windows.h>

#include "reports/generators.h"

CivilDate readLocalDate()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return CivilDate{now.wYear, now.wMonth, now.wDay};
}
