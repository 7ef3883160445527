// The schedules: nurse roster, dosing times and follow-up dates.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "reports/report.h"
#include "reports_test_support.h"

using namespace reports_test;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

const char16_t* const ROSTER_RULE =
    u"排班规则：三班轮转（白班 D / 夜班 N / 休息 R），每日每班 1 人，按人员顺序滚动。";
const char16_t* const ROSTER_TIP = u"提示：连续夜班不超过 2 个，夜班后应安排休息；请按科室实际人数与能级调整。";

// ---- Kind 1: nurse roster ------------------------------------------------

TEST(NurseRoster, ThreeNursesFourDaysRotateDayNightRest)
{
    const ReportRun run = runKind(1, {{"nurses", 3}, {"days", 4}});
    // A rest follows every night shift, never a day shift.
    EXPECT_EQ(lines(run.result),
              expected({ROSTER_RULE, u"人员：3 人；周期：4 天", u"",
                        u"护士01：", u"  1日D 2日N 3日R 4日D ",
                        u"护士02：", u"  1日N 2日R 3日D 4日N ",
                        u"护士03：", u"  1日R 2日D 3日N 4日R ",
                        u"", ROSTER_TIP}));
    EXPECT_EQ(utf8(run.verdict), utf8(u"已生成轮转排班表，可复制到排班本或表格"));
    EXPECT_EQ(run.level, 0);
}

TEST(NurseRoster, CountsAreClamped)
{
    struct Case {
        std::vector<Input> inputs;
        const char16_t* sizeLine;
        int nurses;
        int days;
    } cases[] = {
        {{}, u"人员：1 人；周期：1 天", 1, 1},
        {{{"nurses", 45}, {"days", 0}}, u"人员：40 人；周期：1 天", 40, 1},
        {{{"nurses", 2.9}, {"days", 31.9}}, u"人员：2 人；周期：31 天", 2, 31},
        {{{"nurses", -3}, {"days", 32}}, u"人员：1 人；周期：31 天", 1, 31},
        {{{"nurses", 1e12}, {"days", INF}}, u"人员：1 人；周期：1 天", 1, 1},
        {{{"nurses", NaN}, {"days", -INF}}, u"人员：1 人；周期：1 天", 1, 1},
    };
    for (const Case& c : cases) {
        const ReportRun run = runKind(1, c.inputs, 8192);
        const std::vector<std::string> got = lines(run.result);
        SCOPED_TRACE(utf8(c.sizeLine));
        ASSERT_EQ(got.size(), 3u + 2u * c.nurses + 2u);
        EXPECT_EQ(got[1], utf8(c.sizeLine));
        EXPECT_EQ(got[3], utf8(u"护士01："));
        EXPECT_EQ(got[3 + 2 * (c.nurses - 1)], utf8(c.nurses == 40 ? u"护士40：" : c.nurses == 2 ? u"护士02：" : u"护士01："));
        // One entry per nurse and day, besides the "每日" of the rule line.
        EXPECT_EQ(count(run.result, u"日"), static_cast<size_t>(c.nurses * c.days) + 1);
    }
    const std::vector<std::string> single = lines(runKind(1, {}).result);
    EXPECT_EQ(single[4], "  1" + utf8(u"日") + "D ");
}

TEST(NurseRoster, FullRosterFitsTheLargeBufferAndIsCutInTheSmallOne)
{
    const ReportRun whole = runKind(1, {{"nurses", 40}, {"days", 31}}, 8192);
    EXPECT_EQ(whole.result.size(), 6390u);
    const std::vector<std::string> all = lines(whole.result);
    ASSERT_EQ(all.size(), 3u + 80u + 2u);
    EXPECT_EQ(all.back(), utf8(ROSTER_TIP));
    EXPECT_EQ(all[3 + 2 * 39], utf8(u"护士40："));
    // Nurse 40 (i = 39) on day 31 (j = 30): (39 + 30) mod 3 = 0, the day shift.
    EXPECT_EQ(all[3 + 2 * 39 + 1].substr(all[3 + 2 * 39 + 1].size() - 7), "31" + utf8(u"日") + "D ");
    // No nurse goes from a night shift straight to a day shift.
    const std::u16string& r = whole.result;
    for (size_t at = r.find(u"日N "); at != std::u16string::npos; at = r.find(u"日N ", at + 1)) {
        const size_t next = r.find(u'日', at + 1);
        if (next < r.find(u"\r\n", at)) {
            EXPECT_NE(r[next + 1], u'D') << at;
        }
    }

    const ReportRun cut = runKind(1, {{"nurses", 40}, {"days", 31}}, 4096);
    EXPECT_EQ(cut.result.size(), 4095u);
    EXPECT_EQ(cut.result, whole.result.substr(0, 4095));
    EXPECT_EQ(cut.result.find(ROSTER_TIP), std::u16string::npos);
    // The cut falls inside the 26th nurse's day line.
    const size_t lastBreak = cut.result.rfind(u"\r\n");
    const size_t labelStart = cut.result.rfind(u"\r\n", lastBreak - 1) + 2;
    EXPECT_EQ(cut.result.substr(labelStart, lastBreak - labelStart), u"护士26：");
    EXPECT_EQ(cut.result.substr(lastBreak + 2, 3), u"  1");
}

// ---- Kind 2: dosing times ------------------------------------------------

const char16_t* const DOSING_NOTE = u"说明：按等间隔给药；抗菌药物需结合半衰期与肾肝功能调整。";

TEST(DosingTimes, HeaderEntriesAndSeparators)
{
    struct Case {
        std::vector<Input> inputs;
        const char16_t* header;
        const char16_t* doses;
    } cases[] = {
        {{{"start", 8}, {"interval", 8}, {"times", 3}},
         u"首剂时间 8:00，间隔 8 小时，共 3 次：", u"第1天 08:00  |  第1天 16:00  |  第2天 00:00"},
        {{}, u"首剂时间 0:00，间隔 8 小时，共 1 次：", u"第1天 00:00"},
        {{{"start", -5}}, u"首剂时间 0:00，间隔 8 小时，共 1 次：", u"第1天 00:00"},
        {{{"start", 30}}, u"首剂时间 30:00，间隔 8 小时，共 1 次：", u"第2天 06:00"},
        // The header shows the first dose's minutes and the interval's decimals.
        {{{"start", 7.5}, {"interval", 12}, {"times", 2}},
         u"首剂时间 7:30，间隔 12 小时，共 2 次：", u"第1天 07:30  |  第1天 19:30"},
        {{{"start", 23}, {"interval", 0.25}, {"times", 5}},
         u"首剂时间 23:00，间隔 0.25 小时，共 5 次：",
         u"第1天 23:00  |  第1天 23:15  |  第1天 23:30  |  第1天 23:45  |  第2天 00:00"},
        {{{"interval", -2}, {"times", 2}}, u"首剂时间 0:00，间隔 8 小时，共 2 次：", u"第1天 00:00  |  第1天 08:00"},
        {{{"times", 1e12}}, u"首剂时间 0:00，间隔 8 小时，共 1 次：", u"第1天 00:00"},
        {{{"start", 6}, {"interval", 25}, {"times", 3}},
         u"首剂时间 6:00，间隔 25 小时，共 3 次：", u"第1天 06:00  |  第2天 07:00  |  第3天 08:00"},
        // Minutes are truncated: 10.999 h is 10:59.
        {{{"start", 10.999}}, u"首剂时间 10:59，间隔 8 小时，共 1 次：", u"第1天 10:59"},
        // Rounding noise moves no dose: 8.1 h is 08:06 (8.1 * 60 falls just
        // below 486), 2/3 h is 40 minutes and 17 * 1.4 + 0.2 h is midnight.
        {{{"start", 8.1}, {"interval", 1.5}, {"times", 2}},
         u"首剂时间 8:06，间隔 1.5 小时，共 2 次：", u"第1天 08:06  |  第1天 09:36"},
        {{{"interval", 1.0 / 3.0}, {"times", 4}},
         u"首剂时间 0:00，间隔 0.33 小时，共 4 次：", u"第1天 00:00  |  第1天 00:20  |  第1天 00:40  |  第1天 01:00"},
        {{{"start", 0.2}, {"interval", 1.4}, {"times", 18}},
         u"首剂时间 0:12，间隔 1.4 小时，共 18 次：",
         u"第1天 00:12  |  第1天 01:36  |  第1天 03:00  |  第1天 04:24  |  第1天 05:48  |  第1天 07:12  |  "
         u"第1天 08:36  |  第1天 10:00  |  第1天 11:24  |  第1天 12:48  |  第1天 14:12  |  第1天 15:36  |  "
         u"第1天 17:00  |  第1天 18:24  |  第1天 19:48  |  第1天 21:12  |  第1天 22:36  |  第2天 00:00"},
        {{{"start", NaN}, {"interval", NaN}, {"times", NaN}}, u"首剂时间 0:00，间隔 8 小时，共 1 次：", u"第1天 00:00"},
        // Beyond 32-bit days the day is still the true one.
        {{{"start", 1e11}}, u"首剂时间 100000000000:00，间隔 8 小时，共 1 次：", u"第4166666667天 16:00"},
        // No day at all for an infinite time.
        {{{"start", INF}, {"times", 2}}, u"首剂时间 inf:00，间隔 8 小时，共 2 次：", u"第--天 --:--  |  第--天 --:--"},
        {{{"interval", INF}, {"times", 2}}, u"首剂时间 0:00，间隔 inf 小时，共 2 次：", u"第--天 --:--  |  第--天 --:--"},
        {{{"start", 1e300}}, nullptr, u"第--天 --:--"},
    };
    for (const Case& c : cases) {
        const ReportRun run = runKind(2, c.inputs, 8192);
        EXPECT_EQ(run.level, 0);
        const std::vector<std::string> got = lines(run.result);
        SCOPED_TRACE(utf8(c.doses));
        ASSERT_EQ(got.size(), 3u);
        if (c.header != nullptr) {
            EXPECT_EQ(got[0], utf8(c.header));
        }
        EXPECT_EQ(got[1], utf8(c.doses));
        EXPECT_EQ(got[2], utf8(DOSING_NOTE));
        EXPECT_EQ(utf8(run.verdict), utf8(u"给药时间表已生成，注意首剂与夜间给药时间"));
    }
}

TEST(DosingTimes, AtMostThirtyDoses)
{
    for (double times : {30.0, 31.0, 1000.0}) {
        const ReportRun run = runKind(2, {{"times", times}, {"interval", 1}});
        const std::vector<std::string> got = lines(run.result);
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[0], utf8(u"首剂时间 0:00，间隔 1 小时，共 30 次："));
        const std::u16string doses = run.result.substr(run.result.find(u"\r\n") + 2);
        EXPECT_EQ(count(doses, u"第"), 30u);
        EXPECT_EQ(count(doses, u"  |  "), 29u);
        EXPECT_NE(doses.find(u"第2天 05:00\r\n"), std::u16string::npos);   // dose 30 at hour 29
    }
}

// ---- Kind 7: follow-up schedule ------------------------------------------

const char16_t* const FOLLOW_UP_CONTENT = u"内容：症状与体征、用药依从性、复查项目、并发症预警、是否需要提前复诊。";

class FollowUpSchedule : public testing::Test {
protected:
    void TearDown() override { setReportTodayForTesting(nullptr); }
};

TEST_F(FollowUpSchedule, DatesCountFromToday)
{
    const CivilDate today{2025, 3, 10};
    setReportTodayForTesting(&today);
    const ReportRun run = runKind(7, {{"start", 1}, {"gap", 7}, {"times", 3}});
    EXPECT_EQ(lines(run.result),
              expected({u"随访节点（以今天为基准，起始第 1 天，间隔 7 天，共 3 次）：",
                        u"第 1 次：2025-03-11", u"第 2 次：2025-03-18", u"第 3 次：2025-03-25",
                        FOLLOW_UP_CONTENT}));
    EXPECT_EQ(utf8(run.verdict), utf8(u"随访计划已生成，可按日期短信提醒患者"));
    EXPECT_EQ(run.level, 0);
}

TEST_F(FollowUpSchedule, CalendarBoundariesAndClamps)
{
    struct Case {
        CivilDate today;
        std::vector<Input> inputs;
        const char16_t* header;
        std::vector<const char16_t*> dates;
    } cases[] = {
        {{2025, 1, 31}, {{"start", 1}, {"gap", 28}, {"times", 2}},
         u"随访节点（以今天为基准，起始第 1 天，间隔 28 天，共 2 次）：", {u"2025-02-01", u"2025-03-01"}},
        {{2024, 12, 31}, {{"start", 1}, {"gap", 365}, {"times", 2}},
         u"随访节点（以今天为基准，起始第 1 天，间隔 365 天，共 2 次）：", {u"2025-01-01", u"2026-01-01"}},
        {{2024, 2, 28}, {{"start", 1}, {"gap", 1}, {"times", 3}},
         u"随访节点（以今天为基准，起始第 1 天，间隔 1 天，共 3 次）：", {u"2024-02-29", u"2024-03-01", u"2024-03-02"}},
        {{2023, 2, 28}, {{"start", 1}, {"gap", 1}, {"times", 1}},
         u"随访节点（以今天为基准，起始第 1 天，间隔 1 天，共 1 次）：", {u"2023-03-01"}},
        {{2100, 2, 28}, {{"start", 1}, {"gap", 1}, {"times", 1}},
         u"随访节点（以今天为基准，起始第 1 天，间隔 1 天，共 1 次）：", {u"2100-03-01"}},
        {{2000, 2, 28}, {{"start", 1}, {"gap", 1}, {"times", 1}},
         u"随访节点（以今天为基准，起始第 1 天，间隔 1 天，共 1 次）：", {u"2000-02-29"}},
        // No inputs: today, once (the gap of 7 is never used).
        {{2025, 3, 10}, {}, u"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 1 次）：", {u"2025-03-10"}},
        {{2025, 1, 1}, {{"start", -3}, {"gap", 0}, {"times", 2}},
         u"随访节点（以今天为基准，起始第 -3 天，间隔 7 天，共 2 次）：", {u"2024-12-29", u"2025-01-05"}},
        {{2025, 3, 1}, {{"start", 0}, {"gap", -5}, {"times", 2.9}},
         u"随访节点（以今天为基准，起始第 0 天，间隔 7 天，共 2 次）：", {u"2025-03-01", u"2025-03-08"}},
    };
    for (const Case& c : cases) {
        setReportTodayForTesting(&c.today);
        const ReportRun run = runKind(7, c.inputs, 8192);
        std::vector<std::string> want{utf8(c.header)};
        for (size_t k = 0; k < c.dates.size(); ++k) {
            want.push_back(utf8(u"第 ") + std::to_string(k + 1) + utf8(u" 次：") + utf8(c.dates[k]));
        }
        want.push_back(utf8(FOLLOW_UP_CONTENT));
        EXPECT_EQ(lines(run.result), want) << utf8(c.header);
    }
}

TEST_F(FollowUpSchedule, AtMostTwentyVisits)
{
    const CivilDate today{2025, 3, 10};
    setReportTodayForTesting(&today);
    const std::vector<std::string> got = lines(runKind(7, {{"times", 25}, {"gap", 1}}).result);
    ASSERT_EQ(got.size(), 22u);
    EXPECT_EQ(got[0], utf8(u"随访节点（以今天为基准，起始第 0 天，间隔 1 天，共 20 次）："));
    EXPECT_EQ(got[20], utf8(u"第 20 次：2025-03-29"));
}

TEST_F(FollowUpSchedule, ExtremeInputsStayInSixtyFourBits)
{
    const CivilDate today{2025, 3, 10};
    setReportTodayForTesting(&today);
    // NaN start converts to the lowest 32-bit number of days.
    const std::vector<std::string> got = lines(runKind(7, {{"start", NaN}, {"gap", 2147483647}, {"times", 20}}).result);
    ASSERT_EQ(got.size(), 22u);
    EXPECT_EQ(got[0], utf8(u"随访节点（以今天为基准，起始第 -2147483648 天，间隔 2147483647 天，共 20 次）："));
    EXPECT_EQ(got[1], utf8(u"第 1 次：-5877586-08-30"));
    EXPECT_EQ(got[20], utf8(u"第 20 次：105835014-08-18"));
}

TEST_F(FollowUpSchedule, WithoutATestDateTheClockGivesARealDate)
{
    const std::vector<std::string> got = lines(runKind(7, {}).result);
    ASSERT_EQ(got.size(), 3u);
    const std::string prefix = utf8(u"第 1 次：");
    ASSERT_EQ(got[1].substr(0, prefix.size()), prefix);
    const std::string date = got[1].substr(prefix.size());
    ASSERT_EQ(date.size(), 10u);
    EXPECT_GE(date, std::string("2024-01-01"));
    EXPECT_EQ(date[4], '-');
    EXPECT_EQ(date[7], '-');
}

}  // namespace
