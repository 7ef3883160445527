// The report dispatcher, the rules its generators share, and the catalogue
// reports (blood-draw order, critical values, high-alert drugs, surgical
// checklist, laboratory panels).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "reports/report.h"
#include "reports_test_support.h"

using namespace reports_test;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double INF = std::numeric_limits<double>::infinity();

// ---- Dispatcher ----------------------------------------------------------

TEST(ReportDispatch, KindsOutsideTheRangeGetTheNoReportTexts)
{
    for (ReportKind kind : {0, -1, 12, 13, 1000, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(kind);
        const ReportRun run = runKind(kind, {{"kind", 1}});
        EXPECT_EQ(utf8(run.result), utf8(u"（该工具暂无自定义报告）"));
        EXPECT_EQ(run.result.size(), 12u);
        EXPECT_EQ(utf8(run.verdict), utf8(u"暂无报告内容"));
        EXPECT_EQ(run.level, 0);
    }
}

TEST(ReportDispatch, EveryKindWritesItsOwnVerdict)
{
    struct Case {
        ReportKind kind;
        const char16_t* verdict;
    } cases[] = {
        {1, u"已生成轮转排班表，可复制到排班本或表格"},
        {2, u"给药时间表已生成，注意首剂与夜间给药时间"},
        {3, u"按标准顺序采血可减少溶血与交叉污染"},
        {4, u"危急值必须闭环：报告、接收、处理、记录"},
        {5, u"高警示药品须专区、专标识、双人核对"},
        {6, u"未收录明确禁忌，仍需核对院内配伍表"},
        {7, u"随访计划已生成，可按日期短信提醒患者"},
        {8, u"三方核查缺一不可，签字后归档"},
        {9, u"模板已生成，床旁交接并双方签名"},
        {10, u"输液卡已生成，双人核对后执行"},
        {11, u"套餐与采血管已列出，按顺序采血"},
    };
    const CivilDate today{2025, 3, 10};
    setReportTodayForTesting(&today);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const ReportRun run = runKind(c.kind, {});
        EXPECT_EQ(utf8(run.verdict), utf8(c.verdict));
        EXPECT_LE(run.verdict.size(), 20u);
        EXPECT_EQ(run.level, 0);
        EXPECT_FALSE(run.result.empty());
    }
    setReportTodayForTesting(nullptr);
}

TEST(ReportDispatch, StartsFromEmptyTextsWhateverTheBuffersHeld)
{
    // runKind fills both buffers with junk and no terminator; a report that
    // kept any of it would not start with its first line.
    const ReportRun run = runKind(11, {{"panel", 3}});
    EXPECT_EQ(lines(run.result).front(), utf8(u"凝血四项（淡蓝管）：PT、INR、APTT、TT、纤维蛋白原、D-二聚体。"));
    EXPECT_EQ(utf8(run.verdict), utf8(u"套餐与采血管已列出，按顺序采血"));
}

// ---- Shared rules --------------------------------------------------------

TEST(ReportInputs, LookupTakesTheFirstExactName)
{
    TestTool t(3, {{"Kind", 5}, {"kind", 2}, {"kind", 4}, {"kinds", 6}});
    EXPECT_EQ(lookupInput(t.tool, t.values.data(), "kind"), 2.0);
    EXPECT_EQ(lookupInput(t.tool, t.values.data(), "Kind"), 5.0);
    EXPECT_EQ(lookupInput(t.tool, t.values.data(), "kinds"), 6.0);
    EXPECT_EQ(lookupInput(t.tool, t.values.data(), "kin"), 0.0);
    EXPECT_EQ(lookupInput(t.tool, t.values.data(), "KIND"), 0.0);
    TestTool none(3, {});
    EXPECT_EQ(lookupInput(none.tool, none.values.data(), "kind"), 0.0);
}

TEST(ReportInputs, NameDifferingInCaseDoesNotSelect)
{
    const ReportRun run = runKind(3, {{"Kind", 2}});
    EXPECT_EQ(lines(run.result).back(), utf8(u"本次：其他项目，请按检验科项目手册执行。"));
    const ReportRun duplicate = runKind(3, {{"kind", 5}, {"kind", 2}});
    EXPECT_EQ(lines(duplicate.result).back(),
              utf8(u"本次：血培养 → 需氧+厌氧各 1 套，采血 2 套不同部位，先注入培养瓶。"));
}

TEST(ReportInputs, IntegerConversionTruncatesAndSendsTheUnrepresentableBelowEveryClamp)
{
    struct Case {
        double value;
        int32_t expected;
    } cases[] = {
        {0.0, 0},
        {2.9, 2},
        {-2.9, -2},
        {-0.5, 0},
        {2147483647.0, INT32_MAX},
        {2147483647.9, INT32_MAX},
        {2147483648.0, INT32_MIN},
        {-2147483648.0, INT32_MIN},
        {-2147483648.9, INT32_MIN},
        {-2147483649.0, INT32_MIN},
        {1e12, INT32_MIN},
        {-1e12, INT32_MIN},
        {1e308, INT32_MIN},
        {NaN, INT32_MIN},
        {-NaN, INT32_MIN},
        {INF, INT32_MIN},
        {-INF, INT32_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reportInteger(c.value), c.expected) << c.value;
    }
}

TEST(ReportLines, AppendLineObeysTheBoundedAppend)
{
    struct Case {
        const char16_t* before;
        int capacity;
        const char16_t* expected;
    } cases[] = {
        {u"", 20, u"ab12\r\n"},
        {u"xy", 9, u"xyab12\r\n"},       // exactly room for the line
        {u"xy", 8, u"xyab12\r"},         // one free unit: only the CR
        {u"xyz", 8, u"xyzab12"},         // the text reaches capacity - 1: no line end
        {u"xyz", 6, u"xyzab"},           // the line itself is cut
        {u"xyzab", 6, u"xyzab"},         // full: nothing is added
        {u"", 1, u""},
    };
    for (const Case& c : cases) {
        GuardedBuffer buffer(c.capacity);
        std::u16string before(c.before);
        for (size_t i = 0; i < before.size(); ++i) buffer.units[i] = before[i];
        buffer.units[before.size()] = 0;
        appendLine(buffer.data(), c.capacity, u"%ls%d", u"ab", 12);
        EXPECT_EQ(utf8(buffer.text()), utf8(c.expected)) << utf8(before) << " / " << c.capacity;
        EXPECT_TRUE(buffer.guardsIntact());
        EXPECT_TRUE(buffer.terminated());
    }
}

TEST(ReportLines, FormattedLineIsCutAt511Units)
{
    std::u16string longText(700, u'字');
    GuardedBuffer buffer(2048);
    buffer.units[0] = 0;
    appendLine(buffer.data(), 2048, u"%ls", longText.c_str());
    EXPECT_EQ(buffer.text(), std::u16string(511, u'字') + u"\r\n");
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST(ReportLines, FixedLineIsNotReadAsAFormat)
{
    GuardedBuffer buffer(64);
    buffer.units[0] = 0;
    appendFixedLine(buffer.data(), 64, u"10% %d %%");
    appendLine(buffer.data(), 64, u"%d%%", 25);
    appendLine(buffer.data(), 64, u"");
    EXPECT_EQ(utf8(buffer.text()), utf8(u"10% %d %%\r\n25%\r\n\r\n"));
}

// ---- Kind 3: blood-draw order --------------------------------------------

const char16_t* const DRAW_ORDER_BODY[] = {
    u"标准采血顺序（按添加剂，避免交叉污染）：",
    u"1 血培养瓶（需氧/厌氧）",
    u"2 凝血管 淡蓝（枸橼酸钠，凝血 PT/APTT）",
    u"3 促凝/血清管 红或金黄（生化、免疫）",
    u"4 肝素管 绿（血气、部分生化）",
    u"5 EDTA 紫（血常规、糖化、血型）",
    u"6 氟化钠 灰（血糖、乳酸）",
    u"",
};

TEST(BloodDrawOrder, TheSelectorPicksTheLastLine)
{
    const char16_t* const OTHER = u"本次：其他项目，请按检验科项目手册执行。";
    struct Case {
        double selector;
        const char16_t* line;
    } cases[] = {
        {1, u"本次：血常规 → 紫管 EDTA，采血后 8 次颠倒混匀，2 小时内送检。"},
        {2, u"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。"},
        {2.9, u"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。"},
        {3, u"本次：生化 → 红/金黄管，避免溶血，采血后静置 30 分钟离心。"},
        {4, u"本次：血气 → 肝素化注射器，排气后立即送检，15 分钟内完成。"},
        {5, u"本次：血培养 → 需氧+厌氧各 1 套，采血 2 套不同部位，先注入培养瓶。"},
        {6, u"本次：血糖/乳酸 → 灰管，需冰浴送检，30 分钟内完成。"},
        {0, OTHER},
        {-1, OTHER},
        {7, OTHER},
        {0.99, OTHER},
        {NaN, OTHER},
        {1e12, OTHER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        const ReportRun run = runKind(3, {{"kind", c.selector}});
        std::vector<std::string> want;
        for (const char16_t* line : DRAW_ORDER_BODY) want.push_back(utf8(line));
        want.push_back(utf8(c.line));
        EXPECT_EQ(lines(run.result), want);
        EXPECT_EQ(run.level, 0);
    }
    EXPECT_EQ(lines(runKind(3, {}).result).back(), utf8(OTHER));
}

// ---- Kind 4: critical values ---------------------------------------------

TEST(CriticalValues, GroupsStandBetweenHeaderAndProcedure)
{
    const char16_t* const HEADER = u"常见检验危急值（参考，需以本院文件为准）：";
    const char16_t* const PROCEDURE =
        u"处置要求：核实标本→15 分钟内电话报告临床→记录报告与接听人→医师 30 分钟内处理并记录。";
    const char16_t* const FALLBACK = u"请查阅本院《危急值报告目录》";
    struct Case {
        double selector;
        std::vector<const char16_t*> group;
    } cases[] = {
        {1, {u"血钾 <2.5 或 >6.5 mmol/L", u"血钠 <120 或 >160 mmol/L", u"血钙 <1.5 或 >3.5 mmol/L"}},
        {2, {u"血糖 <2.8 或 >22.2 mmol/L", u"pH <7.20 或 >7.60；PaO2 <45 mmHg；PaCO2 >70 mmHg"}},
        {3, {u"白细胞 <1.0 或 >30.0 ×10^9/L", u"血红蛋白 <50 g/L；血小板 <20 或 >1000 ×10^9/L"}},
        {4, {u"INR >4.0；纤维蛋白原 <1.0 g/L", u"D-二聚体显著升高并伴临床血栓表现"}},
        {5, {u"血培养阳性（无菌部位）", u"脑脊液培养阳性；HIV 初筛阳性需确认"}},
        {6, {u"肌钙蛋白明显升高（高于第 99 百分位）", u"血淀粉酶/脂肪酶 >3 倍正常上限"}},
        {7, {FALLBACK}},
        {0, {FALLBACK}},
        {-6, {FALLBACK}},
        {-INF, {FALLBACK}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        std::vector<std::string> want{utf8(HEADER)};
        for (const char16_t* line : c.group) want.push_back(utf8(line));
        want.push_back("");
        want.push_back(utf8(PROCEDURE));
        EXPECT_EQ(lines(runKind(4, {{"kind", c.selector}}).result), want);
    }
}

// ---- Kind 5: high-alert drugs --------------------------------------------

TEST(HighAlertDrugs, CategoryAndKeyPointsWithTheirPercentSigns)
{
    const char16_t* const FOURTH[] = {u"麻醉与肌松药：丙泊酚、维库溴铵、琥珀胆碱、阿片类",
                                      u"要点：专柜加锁、基数管理、使用后登记、拮抗剂（纳洛酮/新斯的明）备用。"};
    struct Case {
        double selector;
        const char16_t* category;
        const char16_t* keyPoints;
    } cases[] = {
        {1, u"高浓度电解质：10% 氯化钾、10% 氯化钠、25% 硫酸镁", u"要点：专用标识、专区存放、双人核对、禁止直接静脉推注（钾）。"},
        {2, u"胰岛素与口服降糖药：胰岛素、格列本脲", u"要点：独立存放、专用注射器、剂量双人核对、低血糖监测与急救糖备用。"},
        {3, u"抗凝与化疗药：肝素、华法林、低分子肝素、化疗药物", u"要点：化疗药集中配置与防护、抗凝药监测 INR/APTT、出血风险宣教。"},
        {0, FOURTH[0], FOURTH[1]},
        {4, FOURTH[0], FOURTH[1]},
        {-3, FOURTH[0], FOURTH[1]},
        {99, FOURTH[0], FOURTH[1]},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        EXPECT_EQ(lines(runKind(5, {{"kind", c.selector}}).result),
                  expected({u"高警示药品类别与要点：", c.category, c.keyPoints}));
    }
    EXPECT_EQ(lines(runKind(5, {}).result), expected({u"高警示药品类别与要点：", FOURTH[0], FOURTH[1]}));
    EXPECT_EQ(count(runKind(5, {{"kind", 1}}).result, u"%"), 3u);
}

// ---- Kind 8: surgical safety checklist -----------------------------------

const char16_t* const CHECKLIST[] = {
    u"手术安全核查表（三步核查）：",
    u"【麻醉实施前】身份/部位/术式/知情同意；过敏史；气道与插管风险；出血风险；影像与植入物；皮肤准备。",
    u"【手术开始前】团队自我介绍；确认患者、部位、术式；预计手术时间与失血量；抗菌药物已用；器械灭菌合格；影像资料到位。",
    u"【患者离室前】手术名称与记录一致；标本标识与送检；器械敷料清点；皮肤与管路；恢复与转运方案。",
    u"",
    u"要求：三方（外科、麻醉、护理）共同口述确认并签字，任一环节缺失不得开台。",
};

TEST(SurgicalChecklist, FullChecklistWithoutInputs)
{
    const ReportRun run = runKind(8, {});
    std::vector<std::string> want;
    for (const char16_t* line : CHECKLIST) want.push_back(utf8(line));
    EXPECT_EQ(lines(run.result), want);
    EXPECT_EQ(run.result.size(), 215u);
}

TEST(SurgicalChecklist, SmallResultIsCutAndTheVerdictStaysWhole)
{
    const std::u16string full = runKind(8, {}).result;
    const ReportRun cut = runKind(8, {}, 100);
    EXPECT_EQ(cut.result.size(), 99u);
    EXPECT_EQ(cut.result, full.substr(0, 99));
    EXPECT_EQ(utf8(cut.verdict), utf8(u"三方核查缺一不可，签字后归档"));
}

// ---- Kind 11: laboratory panels ------------------------------------------

TEST(LabPanels, PanelAndNoteOnlyWithTheUrinePanelAsFallback)
{
    const char16_t* const URINE[] = {u"尿常规（清洁中段尿）：尿蛋白、尿糖、尿潜血、白细胞、亚硝酸盐、比重、pH、镜检。",
                                     u"注意：留取中段尿，1 小时内送检；月经期避免。"};
    struct Case {
        double selector;
        const char16_t* panel;
        const char16_t* note;
    } cases[] = {
        {1, u"血常规（紫管 EDTA）：WBC、RBC、Hb、Hct、PLT、MCV/MCH/MCHC、中性/淋巴/单核/嗜酸/嗜碱比例。",
         u"注意：剧烈运动、情绪、采血时间可影响结果；PLT 聚集需涂片复核。"},
        {2, u"生化全套（红/金黄管）：肝功（ALT/AST/ALP/GGT/胆红素/白蛋白）、肾功（BUN/Cr/UA）、血糖、血脂、电解质。",
         u"注意：空腹 8-12 小时；溶血标本钾、AST 假性升高。"},
        {3, u"凝血四项（淡蓝管）：PT、INR、APTT、TT、纤维蛋白原、D-二聚体。", u"注意：采血量必须达刻度；肝素治疗中查 APTT。"},
        {4, u"甲状腺功能（红/金黄管）：TSH、FT3、FT4、TPOAb、TgAb。", u"注意：空腹；含碘造影剂后 1 周内避免复查。"},
        {5, u"心肌损伤标志物：cTnI/cTnT、CK-MB、肌红蛋白、BNP/NT-proBNP。", u"注意：胸痛发作后 2-4 小时开始升高；动态复查更有意义。"},
        {0, URINE[0], URINE[1]},
        {6, URINE[0], URINE[1]},
        {NaN, URINE[0], URINE[1]},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        const ReportRun run = runKind(11, {{"panel", c.selector}});
        EXPECT_EQ(lines(run.result), expected({c.panel, c.note}));
    }
    // "kind" is not this report's selector.
    EXPECT_EQ(lines(runKind(11, {{"kind", 1}}).result), expected({URINE[0], URINE[1]}));
}

// ---- Bad input on every kind ---------------------------------------------

// Every input name any generator reads, all set to one hostile value.
const char* const ALL_NAMES[] = {"nurses", "days", "start", "interval", "times", "kind", "drugA", "drugB",
                                 "gap",    "beds", "bed",   "dose",     "volume", "gtt", "panel"};

TEST(ReportBadInput, HostileValuesAndTinyBuffersNeverOverrunAndGivePrefixes)
{
    const CivilDate today{2025, 3, 10};
    setReportTodayForTesting(&today);
    const double hostile[] = {NaN, INF, -INF, 1e300, -1e300, 1e12, -1e12, 2147483647.0, -2147483648.0, 0.0};
    const int capacities[] = {1, 2, 13, 21, 100};
    for (ReportKind kind = -1; kind <= REPORT_KIND_COUNT + 1; ++kind) {
        for (double value : hostile) {
            TestTool t(kind, {});
            t.fields.clear();
            for (const char* name : ALL_NAMES) t.fields.push_back(InputField{name, u"输入", nullptr, value});
            t.values.assign(MAX_INPUTS, value);
            t.tool.inputCount = static_cast<int32_t>(t.fields.size());
            t.tool.inputs = t.fields.data();

            GuardedBuffer fullResult(8192);
            GuardedBuffer fullVerdict(512);
            const Level fullLevel = runReport(kind, t.tool, t.values.data(), fullResult.data(), 8192,
                                              fullVerdict.data(), 512);
            EXPECT_TRUE(fullResult.guardsIntact());
            ASSERT_TRUE(fullResult.terminated());
            ASSERT_TRUE(fullVerdict.terminated());
            for (int resultCapacity : capacities) {
                for (int verdictCapacity : capacities) {
                    SCOPED_TRACE(testing::Message() << "kind " << kind << " value " << value << " capacities "
                                                    << resultCapacity << "/" << verdictCapacity);
                    GuardedBuffer result(resultCapacity);
                    GuardedBuffer verdict(verdictCapacity);
                    const Level level = runReport(kind, t.tool, t.values.data(), result.data(), resultCapacity,
                                                  verdict.data(), verdictCapacity);
                    EXPECT_EQ(level, fullLevel);
                    ASSERT_TRUE(result.guardsIntact());
                    ASSERT_TRUE(verdict.guardsIntact());
                    ASSERT_TRUE(result.terminated());
                    ASSERT_TRUE(verdict.terminated());
                    const std::u16string r = result.text();
                    const std::u16string v = verdict.text();
                    const std::u16string fullR = fullResult.text();
                    const std::u16string fullV = fullVerdict.text();
                    EXPECT_EQ(r, fullR.substr(0, std::min<size_t>(fullR.size(), resultCapacity - 1)));
                    EXPECT_EQ(v, fullV.substr(0, std::min<size_t>(fullV.size(), verdictCapacity - 1)));
                }
            }
        }
    }
    setReportTodayForTesting(nullptr);
}

TEST(ReportBadInput, NoRoomAtAllWritesNothing)
{
    TestTool t(8, {});
    for (int capacity : {0, -1, INT32_MIN}) {
        GuardedBuffer result(0);
        GuardedBuffer verdict(0);
        runReport(8, t.tool, t.values.data(), result.data(), capacity, verdict.data(), capacity);
        EXPECT_TRUE(result.guardsIntact());
        EXPECT_TRUE(verdict.guardsIntact());
    }
    EXPECT_EQ(runReport(6, t.tool, t.values.data(), nullptr, 100, nullptr, 100), 0);
    EXPECT_EQ(runReport(99, t.tool, nullptr, nullptr, 100, nullptr, 100), 0);
}

}  // namespace
