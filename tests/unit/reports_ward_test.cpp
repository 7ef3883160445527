// The ward sheets: drug compatibility, handover sheet and infusion card.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/tool.h"
#include "reports/report.h"
#include "reports_test_support.h"

using namespace reports_test;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

// ---- Kind 6: drug compatibility ------------------------------------------

const char16_t* const LEGEND_FIRST = u"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索";
const char16_t* const LEGEND_SECOND = u"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺";

const char16_t* const FORBIDDEN_LINE = u"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。";
const char16_t* const FORBIDDEN_VERDICT = u"禁忌：不可同瓶输注，需间隔冲管";
const char16_t* const VANCOMYCIN_LINE = u"结论：不宜同瓶。万古霉素与碱性药物/奥美拉唑配伍稳定性差，应分开输注并冲管。";
const char16_t* const VANCOMYCIN_VERDICT = u"不宜同瓶，分开输注并冲管";
const char16_t* const FUROSEMIDE_LINE = u"结论：不宜同瓶。呋塞米与多巴胺、氨溴索与碱性液混合易发生理化变化。";
const char16_t* const FUROSEMIDE_VERDICT = u"不宜同瓶，建议分开输注";
const char16_t* const OMEPRAZOLE_LINE = u"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。";
const char16_t* const OMEPRAZOLE_VERDICT = u"建议分开输注";
const char16_t* const UNLISTED_LINE = u"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。";
const char16_t* const UNLISTED_VERDICT = u"未收录明确禁忌，仍需核对院内配伍表";

TEST(DrugCompatibility, FullReportOfAForbiddenPair)
{
    const ReportRun run = runKind(6, {{"drugA", 1}, {"drugB", 2}});
    EXPECT_EQ(lines(run.result), expected({u"待查：1 号 头孢曲松  +  2 号 葡萄糖酸钙", u"", LEGEND_FIRST,
                                           LEGEND_SECOND, u"", FORBIDDEN_LINE}));
    EXPECT_EQ(utf8(run.verdict), utf8(FORBIDDEN_VERDICT));
    EXPECT_EQ(run.level, 3);
}

TEST(DrugCompatibility, PairsInEitherOrder)
{
    struct Case {
        double a;
        double b;
        Level level;
        const char16_t* conclusion;
        const char16_t* verdict;
    } cases[] = {
        {1, 2, 3, FORBIDDEN_LINE, FORBIDDEN_VERDICT},
        {2, 9, 3, FORBIDDEN_LINE, FORBIDDEN_VERDICT},
        {3, 6, 2, VANCOMYCIN_LINE, VANCOMYCIN_VERDICT},
        {3, 9, 2, VANCOMYCIN_LINE, VANCOMYCIN_VERDICT},
        {4, 10, 2, FUROSEMIDE_LINE, FUROSEMIDE_VERDICT},
        {5, 9, 2, FUROSEMIDE_LINE, FUROSEMIDE_VERDICT},
        {6, 7, 1, OMEPRAZOLE_LINE, OMEPRAZOLE_VERDICT},
        {1.9, 2.2, 3, FORBIDDEN_LINE, FORBIDDEN_VERDICT},
        // Unlisted pairs, the same drug twice, drug 8 and numbers outside the list.
        {6, 9, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {1, 9, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {9, 9, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {8, 2, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {11, 2, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {0, 2, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {-1, 2, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {NaN, 2, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {1, INF, 0, UNLISTED_LINE, UNLISTED_VERDICT},
        {1, 2.0 + 4294967296.0, 0, UNLISTED_LINE, UNLISTED_VERDICT},
    };
    for (const Case& c : cases) {
        for (bool swapped : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.a << " + " << c.b << (swapped ? " swapped" : ""));
            const ReportRun run = swapped ? runKind(6, {{"drugA", c.b}, {"drugB", c.a}})
                                          : runKind(6, {{"drugA", c.a}, {"drugB", c.b}});
            EXPECT_EQ(run.level, c.level);
            EXPECT_EQ(lines(run.result).back(), utf8(c.conclusion));
            EXPECT_EQ(utf8(run.verdict), utf8(c.verdict));
        }
    }
}

TEST(DrugCompatibility, FirstLineShowsTheNumbersAsEnteredAndNoNameOutsideTheList)
{
    struct Case {
        std::vector<Input> inputs;
        const char16_t* line;
    } cases[] = {
        {{}, u"待查：0 号 无此编号  +  0 号 无此编号"},
        {{{"drugA", 11}, {"drugB", 2}}, u"待查：11 号 无此编号  +  2 号 葡萄糖酸钙"},
        {{{"drugA", 1}, {"drugB", 0}}, u"待查：1 号 头孢曲松  +  0 号 无此编号"},
        {{{"drugA", 10}, {"drugB", 3}}, u"待查：10 号 多巴胺  +  3 号 万古霉素"},
        {{{"drugA", 7}, {"drugB", 8}}, u"待查：7 号 维生素C  +  8 号 胰岛素"},
        {{{"drugA", 5}, {"drugB", 6}}, u"待查：5 号 氨溴索  +  6 号 奥美拉唑"},
        {{{"drugA", 4}, {"drugB", 9}}, u"待查：4 号 呋塞米  +  9 号 碳酸氢钠"},
        {{{"drugA", -3.7}, {"drugB", NaN}}, u"待查：-3 号 无此编号  +  -2147483648 号 无此编号"},
        {{{"drugB", 2}}, u"待查：0 号 无此编号  +  2 号 葡萄糖酸钙"},
    };
    for (const Case& c : cases) {
        const ReportRun run = runKind(6, c.inputs, 4096);
        EXPECT_EQ(run.level, 0);
        const std::vector<std::string> got = lines(run.result);
        ASSERT_EQ(got.size(), 6u);
        EXPECT_EQ(got[0], utf8(c.line));
        EXPECT_EQ(got.back(), utf8(UNLISTED_LINE));
    }
}

// ---- Kind 9: handover sheet ----------------------------------------------

const char16_t* const HANDOVER_HEADER = u"交班报告（床号 / 诊断 / 本班病情 / 治疗与管路 / 需下一班关注）：";
const char16_t* const HANDOVER_CLOSING = u"危重患者须床旁交接；新入院、手术、输血、病情变化患者逐一交接并双签名。";
const char16_t* const BED_01 =
    u"01 床：诊断＿＿；体温＿℃ 脉搏＿次/分 呼吸＿次/分 血压＿/＿mmHg SpO2＿%；本班处置＿＿；管路（静脉/引流/导尿/吸氧）＿＿；下一班关注＿＿。";

TEST(HandoverSheet, OneBedWhenAbsentOrBelowOne)
{
    for (double beds : {0.0, -4.0, 0.9, 1e12, NaN, -INF}) {
        SCOPED_TRACE(beds);
        const ReportRun run = runKind(9, {{"beds", beds}});
        EXPECT_EQ(lines(run.result), expected({HANDOVER_HEADER, BED_01, u"", HANDOVER_CLOSING}));
        EXPECT_EQ(utf8(run.verdict), utf8(u"模板已生成，床旁交接并双方签名"));
        EXPECT_EQ(run.level, 0);
    }
    EXPECT_EQ(lines(runKind(9, {}).result), expected({HANDOVER_HEADER, BED_01, u"", HANDOVER_CLOSING}));
}

TEST(HandoverSheet, BedLinesUpToThirty)
{
    const std::u16string bed07 =
        u"07 床：诊断＿＿；体温＿℃ 脉搏＿次/分 呼吸＿次/分 血压＿/＿mmHg SpO2＿%；本班处置＿＿；管路（静脉/引流/导尿/吸氧）＿＿；下一班关注＿＿。";
    EXPECT_EQ(bed07.size(), 79u);
    const ReportRun seven = runKind(9, {{"beds", 7.8}});
    const std::vector<std::string> got = lines(seven.result);
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got[7], utf8(bed07));
    EXPECT_EQ(count(seven.result, u"SpO2＿%；"), 7u);

    for (double beds : {30.0, 31.0, 2147483647.0}) {
        const ReportRun run = runKind(9, {{"beds", beds}});
        const std::vector<std::string> all = lines(run.result);
        ASSERT_EQ(all.size(), 33u);
        EXPECT_EQ(all[30].substr(0, 2), "30");
        EXPECT_EQ(run.result.size(), 2509u);
    }
    // The longest sheet fits the smallest result buffer any caller passes.
    EXPECT_EQ(runKind(9, {{"beds", 30}}, 4096).result.size(), 2509u);
}

// ---- Kind 10: infusion card ----------------------------------------------

const char16_t* const INFUSION_CHECK = u"核对：药名/剂量/浓度/有效期/配伍；双人签名。";
const char16_t* const INFUSION_WATCH = u"观察：穿刺点、滴速、输注反应；每 30 分钟巡视并记录。";

TEST(InfusionCard, ValuesArePrintedUnvalidatedAndUnrounded)
{
    struct Case {
        std::vector<Input> inputs;
        const char16_t* bed;
        const char16_t* dose;
        const char16_t* rate;
    } cases[] = {
        {{{"bed", 12.7}, {"dose", 0.5}, {"volume", 250}, {"gtt", 40}},
         u"床号：12", u"药液：医嘱药量 0.50 ，加入溶媒 250 ml", u"滴速：40 滴/分（约 120 ml/h）"},
        {{}, u"床号：0", u"药液：医嘱药量 0.00 ，加入溶媒 0 ml", u"滴速：0 滴/分（约 0 ml/h）"},
        {{{"bed", -3}, {"dose", -2}, {"volume", 0.5}, {"gtt", 20.5}},
         u"床号：-3", u"药液：医嘱药量 -2.00 ，加入溶媒 0.5 ml", u"滴速：20 滴/分（约 62 ml/h）"},
        {{{"gtt", 1.5}, {"volume", 1.5}, {"dose", 1234.567}},
         u"床号：0", u"药液：医嘱药量 1234.567 ，加入溶媒 1.5 ml", u"滴速：2 滴/分（约 4 ml/h）"},
        // The ordered amounts are never rounded away: every decimal of the
        // shortest form, the dose's at most six and the volume's at most two.
        {{{"dose", 0.125}, {"volume", 12.5}},
         u"床号：0", u"药液：医嘱药量 0.125 ，加入溶媒 12.5 ml", u"滴速：0 滴/分（约 0 ml/h）"},
        {{{"dose", 1.0 / 3.0}, {"volume", 12.333}},
         u"床号：0", u"药液：医嘱药量 0.333333 ，加入溶媒 12.33 ml", u"滴速：0 滴/分（约 0 ml/h）"},
        {{{"dose", -0.004}, {"volume", 1e-7}},
         u"床号：0", u"药液：医嘱药量 -0.004 ，加入溶媒 0.00 ml", u"滴速：0 滴/分（约 0 ml/h）"},
        {{{"bed", NaN}, {"dose", NaN}, {"volume", INF}, {"gtt", -INF}},
         u"床号：-2147483648", u"药液：医嘱药量 nan ，加入溶媒 inf ml", u"滴速：-inf 滴/分（约 -inf ml/h）"},
    };
    for (const Case& c : cases) {
        const ReportRun run = runKind(10, c.inputs, 4096);
        EXPECT_EQ(run.level, 0);
        EXPECT_EQ(lines(run.result),
                  expected({u"静脉输液卡", c.bed, c.dose, c.rate, INFUSION_CHECK, INFUSION_WATCH}));
        EXPECT_EQ(utf8(run.verdict), utf8(u"输液卡已生成，双人核对后执行"));
    }
}

// ---- Through evaluateTool ------------------------------------------------

TEST(ReportThroughEvaluation, LevelVerdictAndLastResultComeFromTheReport)
{
    TestTool t(6, {{"drugA", 9}, {"drugB", 2}});
    // Outputs and rules of a report tool are never looked at.
    const OutputField output{"x", u"不应出现", nullptr, "1/0", "f2"};
    const VerdictRule rule{"", 1, u"不应出现"};
    t.tool.outputCount = 1;
    t.tool.outputs = &output;
    t.tool.ruleCount = 1;
    t.tool.rules = &rule;

    GuardedBuffer result(4096);
    GuardedBuffer verdict(512);
    GuardedBuffer last(8192);
    Level level = -7;
    const Level returned = evaluateTool(t.tool, t.values.data(), result.data(), 4096, verdict.data(), 512,
                                        &level, last.data(), 8192);
    EXPECT_EQ(returned, 3);
    EXPECT_EQ(level, 3);
    EXPECT_EQ(lines(result.text()).back(), utf8(FORBIDDEN_LINE));
    EXPECT_EQ(lines(result.text()).front(), utf8(u"待查：9 号 碳酸氢钠  +  2 号 葡萄糖酸钙"));
    EXPECT_EQ(utf8(verdict.text()), utf8(FORBIDDEN_VERDICT));
    EXPECT_EQ(last.text(), result.text());

    // A smaller last-result copy keeps the head of the report.
    GuardedBuffer shortLast(20);
    evaluateTool(t.tool, t.values.data(), result.data(), 4096, verdict.data(), 512, &level, shortLast.data(), 20);
    EXPECT_EQ(shortLast.text(), result.text().substr(0, 19));
    EXPECT_TRUE(shortLast.guardsIntact());
}

TEST(ReportThroughEvaluation, UnknownKindGivesTheNoReportTextsAndNoDefaultVerdict)
{
    TestTool t(42, {});
    GuardedBuffer result(4096);
    GuardedBuffer verdict(512);
    GuardedBuffer last(8192);
    Level level = -7;
    EXPECT_EQ(evaluateTool(t.tool, t.values.data(), result.data(), 4096, verdict.data(), 512, &level,
                           last.data(), 8192),
              0);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(utf8(result.text()), utf8(u"（该工具暂无自定义报告）"));
    EXPECT_EQ(utf8(verdict.text()), utf8(u"暂无报告内容"));
    EXPECT_EQ(last.text(), result.text());
}

}  // namespace
