// The catalogue reports: fixed sections of a reference text, at most one
// chosen by a selector input (kinds 3, 4, 5, 8 and 11).
#include <iterator>

#include "reports/generators.h"
#include "reports/report.h"

namespace {

// ---- Kind 3: blood-draw order --------------------------------------------

const char16_t* const DRAW_ORDER_LINES[] = {
    u"标准采血顺序（按添加剂，避免交叉污染）：",
    u"1 血培养瓶（需氧/厌氧）",
    u"2 凝血管 淡蓝（枸橼酸钠，凝血 PT/APTT）",
    u"3 促凝/血清管 红或金黄（生化、免疫）",
    u"4 肝素管 绿（血气、部分生化）",
    u"5 EDTA 紫（血常规、糖化、血型）",
    u"6 氟化钠 灰（血糖、乳酸）",
};
static_assert(std::size(DRAW_ORDER_LINES) == 7, "header and six tubes");

// Selector 1..6, then the fallback.
const char16_t* const DRAW_ORDER_CHOICES[] = {
    u"本次：血常规 → 紫管 EDTA，采血后 8 次颠倒混匀，2 小时内送检。",
    u"本次：凝血 → 淡蓝管，需采满刻度线（约 2.0ml），采血后立即轻柔颠倒 3-4 次。",
    u"本次：生化 → 红/金黄管，避免溶血，采血后静置 30 分钟离心。",
    u"本次：血气 → 肝素化注射器，排气后立即送检，15 分钟内完成。",
    u"本次：血培养 → 需氧+厌氧各 1 套，采血 2 套不同部位，先注入培养瓶。",
    u"本次：血糖/乳酸 → 灰管，需冰浴送检，30 分钟内完成。",
    u"本次：其他项目，请按检验科项目手册执行。",
};
static_assert(std::size(DRAW_ORDER_CHOICES) == 6 + 1, "six choices and the fallback");

const char16_t DRAW_ORDER_VERDICT[] = u"按标准顺序采血可减少溶血与交叉污染";

// ---- Kind 4: critical values ---------------------------------------------

const char16_t CRITICAL_HEADER[] = u"常见检验危急值（参考，需以本院文件为准）：";
const char16_t CRITICAL_PROCEDURE[] =
    u"处置要求：核实标本→15 分钟内电话报告临床→记录报告与接听人→医师 30 分钟内处理并记录。";

struct CriticalGroup {
    int lineCount;
    const char16_t* lines[3];
};
// Groups 1..6, then the fallback.
const CriticalGroup CRITICAL_GROUPS[] = {
    {3, {u"血钾 <2.5 或 >6.5 mmol/L", u"血钠 <120 或 >160 mmol/L", u"血钙 <1.5 或 >3.5 mmol/L"}},
    {2, {u"血糖 <2.8 或 >22.2 mmol/L", u"pH <7.20 或 >7.60；PaO2 <45 mmHg；PaCO2 >70 mmHg", nullptr}},
    {2, {u"白细胞 <1.0 或 >30.0 ×10^9/L", u"血红蛋白 <50 g/L；血小板 <20 或 >1000 ×10^9/L", nullptr}},
    {2, {u"INR >4.0；纤维蛋白原 <1.0 g/L", u"D-二聚体显著升高并伴临床血栓表现", nullptr}},
    {2, {u"血培养阳性（无菌部位）", u"脑脊液培养阳性；HIV 初筛阳性需确认", nullptr}},
    {2, {u"肌钙蛋白明显升高（高于第 99 百分位）", u"血淀粉酶/脂肪酶 >3 倍正常上限", nullptr}},
    {1, {u"请查阅本院《危急值报告目录》", nullptr, nullptr}},
};
static_assert(std::size(CRITICAL_GROUPS) == 6 + 1, "six groups and the fallback");

const char16_t CRITICAL_VERDICT[] = u"危急值必须闭环：报告、接收、处理、记录";

// ---- Kind 5: high-alert drugs --------------------------------------------

const char16_t HIGH_ALERT_HEADER[] = u"高警示药品类别与要点：";

struct HighAlertCategory {
    const char16_t* category;
    const char16_t* keyPoints;
};
// Categories 1..3; the fourth has no number of its own and is the fallback.
const HighAlertCategory HIGH_ALERT_CATEGORIES[] = {
    {u"高浓度电解质：10% 氯化钾、10% 氯化钠、25% 硫酸镁",
     u"要点：专用标识、专区存放、双人核对、禁止直接静脉推注（钾）。"},
    {u"胰岛素与口服降糖药：胰岛素、格列本脲",
     u"要点：独立存放、专用注射器、剂量双人核对、低血糖监测与急救糖备用。"},
    {u"抗凝与化疗药：肝素、华法林、低分子肝素、化疗药物",
     u"要点：化疗药集中配置与防护、抗凝药监测 INR/APTT、出血风险宣教。"},
    {u"麻醉与肌松药：丙泊酚、维库溴铵、琥珀胆碱、阿片类",
     u"要点：专柜加锁、基数管理、使用后登记、拮抗剂（纳洛酮/新斯的明）备用。"},
};
static_assert(std::size(HIGH_ALERT_CATEGORIES) == 3 + 1, "three numbered categories and the fourth");

const char16_t HIGH_ALERT_VERDICT[] = u"高警示药品须专区、专标识、双人核对";

// ---- Kind 8: surgical safety checklist -----------------------------------

// A null entry is the empty line.
const char16_t* const CHECKLIST_LINES[] = {
    u"手术安全核查表（三步核查）：",
    u"【麻醉实施前】身份/部位/术式/知情同意；过敏史；气道与插管风险；出血风险；影像与植入物；皮肤准备。",
    u"【手术开始前】团队自我介绍；确认患者、部位、术式；预计手术时间与失血量；抗菌药物已用；器械灭菌合格；影像资料到位。",
    u"【患者离室前】手术名称与记录一致；标本标识与送检；器械敷料清点；皮肤与管路；恢复与转运方案。",
    nullptr,
    u"要求：三方（外科、麻醉、护理）共同口述确认并签字，任一环节缺失不得开台。",
};
static_assert(std::size(CHECKLIST_LINES) == 6, "six lines, one of them empty");

const char16_t CHECKLIST_VERDICT[] = u"三方核查缺一不可，签字后归档";

// ---- Kind 11: laboratory panels ------------------------------------------

struct LabPanel {
    const char16_t* panel;
    const char16_t* note;
};
// Panels 1..5, then the fallback (the urine panel).
const LabPanel LAB_PANELS[] = {
    {u"血常规（紫管 EDTA）：WBC、RBC、Hb、Hct、PLT、MCV/MCH/MCHC、中性/淋巴/单核/嗜酸/嗜碱比例。",
     u"注意：剧烈运动、情绪、采血时间可影响结果；PLT 聚集需涂片复核。"},
    {u"生化全套（红/金黄管）：肝功（ALT/AST/ALP/GGT/胆红素/白蛋白）、肾功（BUN/Cr/UA）、血糖、血脂、电解质。",
     u"注意：空腹 8-12 小时；溶血标本钾、AST 假性升高。"},
    {u"凝血四项（淡蓝管）：PT、INR、APTT、TT、纤维蛋白原、D-二聚体。",
     u"注意：采血量必须达刻度；肝素治疗中查 APTT。"},
    {u"甲状腺功能（红/金黄管）：TSH、FT3、FT4、TPOAb、TgAb。",
     u"注意：空腹；含碘造影剂后 1 周内避免复查。"},
    {u"心肌损伤标志物：cTnI/cTnT、CK-MB、肌红蛋白、BNP/NT-proBNP。",
     u"注意：胸痛发作后 2-4 小时开始升高；动态复查更有意义。"},
    {u"尿常规（清洁中段尿）：尿蛋白、尿糖、尿潜血、白细胞、亚硝酸盐、比重、pH、镜检。",
     u"注意：留取中段尿，1 小时内送检；月经期避免。"},
};
static_assert(std::size(LAB_PANELS) == 5 + 1, "five panels and the fallback");

const char16_t LAB_PANELS_VERDICT[] = u"套餐与采血管已列出，按顺序采血";

const char16_t EMPTY_LINE[] = u"";

int32_t selectorInput(const ToolDefinition& tool, const double* values, const char* name)
{
    return reportInteger(lookupInput(tool, values, name));
}

}  // namespace

Level buildBloodDrawOrder(const ToolDefinition& tool, const double* values,
                          char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const int row = selectRow(selectorInput(tool, values, "kind"), 6);
    for (const char16_t* line : DRAW_ORDER_LINES) appendFixedLine(result, resultCapacity, line);
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    appendFixedLine(result, resultCapacity, DRAW_ORDER_CHOICES[row]);
    writeVerdict(verdict, verdictCapacity, DRAW_ORDER_VERDICT);
    return 0;
}

Level buildCriticalValues(const ToolDefinition& tool, const double* values,
                          char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const CriticalGroup& group = CRITICAL_GROUPS[selectRow(selectorInput(tool, values, "kind"), 6)];
    appendFixedLine(result, resultCapacity, CRITICAL_HEADER);
    for (int i = 0; i < group.lineCount; ++i) appendFixedLine(result, resultCapacity, group.lines[i]);
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    appendFixedLine(result, resultCapacity, CRITICAL_PROCEDURE);
    writeVerdict(verdict, verdictCapacity, CRITICAL_VERDICT);
    return 0;
}

Level buildHighAlertDrugs(const ToolDefinition& tool, const double* values,
                          char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const HighAlertCategory& category =
        HIGH_ALERT_CATEGORIES[selectRow(selectorInput(tool, values, "kind"), 3)];
    appendFixedLine(result, resultCapacity, HIGH_ALERT_HEADER);
    appendFixedLine(result, resultCapacity, category.category);   // verbatim: its "%" signs print
    appendFixedLine(result, resultCapacity, category.keyPoints);
    writeVerdict(verdict, verdictCapacity, HIGH_ALERT_VERDICT);
    return 0;
}

Level buildSurgicalChecklist(const ToolDefinition&, const double*,
                             char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    for (const char16_t* line : CHECKLIST_LINES) {
        appendFixedLine(result, resultCapacity, line != nullptr ? line : EMPTY_LINE);
    }
    writeVerdict(verdict, verdictCapacity, CHECKLIST_VERDICT);
    return 0;
}

Level buildLabPanels(const ToolDefinition& tool, const double* values,
                     char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const LabPanel& panel = LAB_PANELS[selectRow(selectorInput(tool, values, "panel"), 5)];
    appendFixedLine(result, resultCapacity, panel.panel);
    appendFixedLine(result, resultCapacity, panel.note);
    writeVerdict(verdict, verdictCapacity, LAB_PANELS_VERDICT);
    return 0;
}
