// The schedules: a rotating three-shift nurse roster (kind 1), the clock
// times of equally spaced doses (kind 2) and follow-up visit dates (kind 7).
#include <cmath>
#include <cstdint>

#include "engine/numtext.h"
#include "engine/text.h"
#include "engine/tool.h"
#include "reports/generators.h"
#include "reports/report.h"

namespace {

int32_t clampInt(int32_t value, int32_t low, int32_t high)
{
    return value < low ? low : (value > high ? high : value);
}

// ---- Kind 1: nurse roster ------------------------------------------------

constexpr int32_t ROSTER_MAX_NURSES = 40;
constexpr int32_t ROSTER_MAX_DAYS = 31;
constexpr int ROSTER_LABEL_SCRATCH = 12;
constexpr int ROSTER_ENTRY_SCRATCH = 16;

const char16_t ROSTER_RULE[] =
    u"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚动。";
const char16_t ROSTER_SIZE_FORMAT[] = u"人员：%d 人；周期：%d 天";
const char16_t ROSTER_LABEL_FORMAT[] = u"护士%02d";
const char16_t ROSTER_LABEL_LINE_FORMAT[] = u"%ls：";
const char16_t ROSTER_INDENT[] = u"  ";
const char16_t ROSTER_ENTRY_FORMAT[] = u"%d日%c ";
const char16_t ROSTER_TIP[] =
    u"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。";
const char16_t ROSTER_VERDICT[] = u"已生成轮转排班表，可复制到排班本或表格";
// Shift (i + j) mod 3: each nurse runs day shift, night shift, rest, so every
// night is followed by a rest, and any three consecutive nurses cover all
// three shifts on every day.
const char16_t ROSTER_SHIFTS[] = u"DNR";

// ---- Kind 2: dosing times ------------------------------------------------

constexpr double DOSING_DEFAULT_INTERVAL = 8.0;
constexpr int32_t DOSING_MAX_TIMES = 30;
constexpr int DOSING_ENTRY_SCRATCH = 64;

// The first dose's hours and minutes, the interval (see formatFirstDose and
// formatInterval) and the count.
const char16_t DOSING_HEADER_FORMAT[] = u"首剂时间 %s:%02d，间隔 %s 小时，共 %d 次：";
// Sign, the 309 digits of the largest double, point, two decimals, terminator.
constexpr int NUMBER_SCRATCH = 320;
constexpr int INTERVAL_DECIMALS = 2;
// Dose times are taken in whole minutes, m = floor(hours * 60 + 1e-6): the
// millionth of a minute absorbs the rounding of the product (8.1 h times 60
// is 485.99999999999994, yet 8.1 h is 08:06) and still cuts off a real
// fraction of a minute (10.999 h is 10:59).
constexpr double MINUTE_NOISE = 1e-6;
constexpr int64_t MINUTES_PER_DAY = 1440;
// Whole minutes are taken below this time (in hours): the day numbers that
// fit 32 bits.
constexpr double LAST_DAY_END = 24.0 * 2147483647.0;
// From 2^52 hours on every double is a whole number of hours.
constexpr double WHOLE_HOURS_FROM = 4503599627370496.0;
// The day is printed as a 64-bit number: for ordinary inputs this is the
// same text as a 32-bit one, and a first dose or interval in the tens of
// billions of hours still gets its true day.
const char16_t DOSING_ENTRY_FORMAT[] = u"第%lld天 %02d:%02d";
// A dose time that cannot be placed on a day (an infinite start or interval,
// or a day beyond 64 bits).
const char16_t DOSING_ENTRY_UNKNOWN[] = u"第--天 --:--";
const char16_t DOSING_SEPARATOR[] = u"  |  ";
const char16_t DOSING_NOTE[] = u"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。";
const char16_t DOSING_VERDICT[] = u"给药时间表已生成，注意首剂与夜间给药时间";

// ---- Kind 7: follow-up schedule ------------------------------------------

constexpr int32_t FOLLOW_UP_DEFAULT_GAP = 7;
constexpr int32_t FOLLOW_UP_MAX_TIMES = 20;
constexpr int FOLLOW_UP_DATE_SCRATCH = 32;

const char16_t FOLLOW_UP_HEADER_FORMAT[] =
    u"随访节点（以今天为基准，起始第 %d 天，间隔 %d 天，共 %d 次）：";
const char16_t FOLLOW_UP_VISIT_FORMAT[] = u"第 %d 次：%ls";
const char16_t FOLLOW_UP_CONTENT[] =
    u"内容：症状与体征、用药依从性、复查项目、并发症预警、是否需要提前复诊。";
const char16_t FOLLOW_UP_VERDICT[] = u"随访计划已生成，可按日期短信提醒患者";

const char16_t LINE_END[] = u"\r\n";
const char16_t EMPTY_LINE[] = u"";

// The whole minutes of a time of at most 2^52 hours.
int64_t wholeMinutes(double hours)
{
    return static_cast<int64_t>(std::floor(hours * 60.0 + MINUTE_NOISE));
}

// The header's first dose, as hours (any number of them) and minutes. An
// infinite start prints as "inf" hours.
void formatFirstDose(double firstHour, char* hours, int size, int* minute)
{
    if (firstHour < WHOLE_HOURS_FROM) {
        const int64_t m = wholeMinutes(firstHour);
        formatFixed(hours, size, static_cast<double>(m / 60), 0);   // below 2^53: exact
        *minute = static_cast<int>(m % 60);
        return;
    }
    formatFixed(hours, size, firstHour, 0);
    *minute = 0;
}

// "%.2f" without trailing zeros and without a trailing point: 12, 1.5, 0.25,
// 0.33 for a third of an hour. "inf" stays as it is.
void formatInterval(double interval, char* text, int size)
{
    int length = formatFixed(text, size, interval, INTERVAL_DECIMALS);
    bool point = false;
    for (int i = 0; i < length; ++i) point = point || text[i] == '.';
    if (!point) return;
    while (text[length - 1] == '0') --length;
    if (text[length - 1] == '.') --length;
    text[length] = '\0';
}

// One dose entry for the dose at t hours after midnight of day 1.
void formatDoseEntry(double t, char16_t* entry, int capacity)
{
    if (t < LAST_DAY_END) {   // false for NaN and infinity too
        const int64_t m = wholeMinutes(t);
        formatText(entry, capacity, DOSING_ENTRY_FORMAT, static_cast<long long>(1 + m / MINUTES_PER_DAY),
                   static_cast<int>(m % MINUTES_PER_DAY / 60), static_cast<int>(m % 60));
        return;
    }
    // Later times, whose day number needs more than 32 bits: the day from
    // t / 24, the hour and minute truncated from the hour of that day.
    constexpr double DAY_LIMIT = 9223372036854775808.0;   // 2^63
    const double days = t / 24.0;
    if (!std::isfinite(t) || !(days < DAY_LIMIT)) {
        textCopy(entry, capacity, DOSING_ENTRY_UNKNOWN);
        return;
    }
    const double r = std::fmod(t, 24.0);                  // 0 <= r < 24, t is not negative
    const int hour = static_cast<int>(r);
    const int minute = static_cast<int>((r - hour) * 60.0);   // truncated, 0..59
    const long long day = static_cast<long long>(days) + 1;
    formatText(entry, capacity, DOSING_ENTRY_FORMAT, day, hour, minute);
}

}  // namespace

Level buildNurseRoster(const ToolDefinition& tool, const double* values,
                       char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const int32_t nurses = clampInt(reportInteger(lookupInput(tool, values, "nurses")), 1, ROSTER_MAX_NURSES);
    const int32_t days = clampInt(reportInteger(lookupInput(tool, values, "days")), 1, ROSTER_MAX_DAYS);

    appendFixedLine(result, resultCapacity, ROSTER_RULE);
    appendLine(result, resultCapacity, ROSTER_SIZE_FORMAT, nurses, days);
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    for (int32_t i = 0; i < nurses; ++i) {
        char16_t label[ROSTER_LABEL_SCRATCH];
        formatText(label, ROSTER_LABEL_SCRATCH, ROSTER_LABEL_FORMAT, i + 1);
        appendLine(result, resultCapacity, ROSTER_LABEL_LINE_FORMAT, label);
        appendPiece(result, resultCapacity, ROSTER_INDENT);
        for (int32_t j = 0; j < days; ++j) {
            char16_t entry[ROSTER_ENTRY_SCRATCH];
            const int shift = (i + j) % 3;
            formatText(entry, ROSTER_ENTRY_SCRATCH, ROSTER_ENTRY_FORMAT, j + 1,
                       static_cast<int>(ROSTER_SHIFTS[shift]));
            appendPiece(result, resultCapacity, entry);
        }
        appendPiece(result, resultCapacity, LINE_END);
    }
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    appendFixedLine(result, resultCapacity, ROSTER_TIP);
    writeVerdict(verdict, verdictCapacity, ROSTER_VERDICT);
    return 0;
}

Level buildDosingTimes(const ToolDefinition& tool, const double* values,
                       char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const double start = lookupInput(tool, values, "start");
    const double interval = lookupInput(tool, values, "interval");
    const int32_t times = reportInteger(lookupInput(tool, values, "times"));

    // Written so that NaN takes the replacement as well.
    const double firstHour = start > 0.0 ? start : 0.0;
    const double step = interval > 0.0 ? interval : DOSING_DEFAULT_INTERVAL;
    const int32_t count = clampInt(times, 1, DOSING_MAX_TIMES);

    char firstHourText[NUMBER_SCRATCH];
    int firstMinute = 0;
    formatFirstDose(firstHour, firstHourText, NUMBER_SCRATCH, &firstMinute);
    char intervalText[NUMBER_SCRATCH];
    formatInterval(step, intervalText, NUMBER_SCRATCH);
    appendLine(result, resultCapacity, DOSING_HEADER_FORMAT, firstHourText, firstMinute, intervalText, count);
    for (int32_t k = 0; k < count; ++k) {
        const double t = static_cast<double>(k) * step + firstHour;
        char16_t entry[DOSING_ENTRY_SCRATCH];
        formatDoseEntry(t, entry, DOSING_ENTRY_SCRATCH);
        appendPiece(result, resultCapacity, entry);
        if (k + 1 < count) appendPiece(result, resultCapacity, DOSING_SEPARATOR);
    }
    appendPiece(result, resultCapacity, LINE_END);
    appendFixedLine(result, resultCapacity, DOSING_NOTE);
    writeVerdict(verdict, verdictCapacity, DOSING_VERDICT);
    return 0;
}

Level buildFollowUpSchedule(const ToolDefinition& tool, const double* values,
                            char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const int32_t start = reportInteger(lookupInput(tool, values, "start"));
    const int32_t gapInput = reportInteger(lookupInput(tool, values, "gap"));
    const int32_t times = reportInteger(lookupInput(tool, values, "times"));
    const int32_t gap = gapInput < 1 ? FOLLOW_UP_DEFAULT_GAP : gapInput;
    const int32_t count = clampInt(times, 1, FOLLOW_UP_MAX_TIMES);

    const CivilDate today = reportToday();
    const int64_t todayNumber = daysFromCivil(today.year, today.month, today.day);

    appendLine(result, resultCapacity, FOLLOW_UP_HEADER_FORMAT, start, gap, count);
    for (int32_t k = 1; k <= count; ++k) {
        // At most 2^31 + 19 * 2^31 days from today: far inside 64 bits.
        const int64_t visit = todayNumber + start + static_cast<int64_t>(k - 1) * gap;
        char16_t date[FOLLOW_UP_DATE_SCRATCH];
        civilFromDays(visit, date, FOLLOW_UP_DATE_SCRATCH);
        appendLine(result, resultCapacity, FOLLOW_UP_VISIT_FORMAT, k, date);
    }
    appendFixedLine(result, resultCapacity, FOLLOW_UP_CONTENT);
    writeVerdict(verdict, verdictCapacity, FOLLOW_UP_VERDICT);
    return 0;
}
