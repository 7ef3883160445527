// The ward sheets: drug-pair compatibility (kind 6), the shift-handover
// sheet (kind 9) and the infusion card (kind 10).
#include <cstdint>
#include <iterator>

#include "engine/numtext.h"
#include "reports/generators.h"
#include "reports/report.h"

namespace {

// ---- Kind 6: drug compatibility ------------------------------------------

// By drug number 1..10.
const char16_t* const DRUG_NAMES[] = {
    u"头孢曲松", u"葡萄糖酸钙", u"万古霉素", u"呋塞米", u"氨溴索",
    u"奥美拉唑", u"维生素C", u"胰岛素", u"碳酸氢钠", u"多巴胺",
};
constexpr int32_t DRUG_COUNT = 10;
static_assert(std::size(DRUG_NAMES) == DRUG_COUNT, "ten drugs");
// Shown beside a number outside the list, which no listed drug may stand in for.
const char16_t NO_SUCH_DRUG[] = u"无此编号";

struct PairFinding {
    Level level;
    const char16_t* conclusion;
    const char16_t* verdict;
};
const PairFinding FORBIDDEN = {
    3, u"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。",
    u"禁忌：不可同瓶输注，需间隔冲管"};
const PairFinding VANCOMYCIN_APART = {
    2, u"结论：不宜同瓶。万古霉素与碱性药物/奥美拉唑配伍稳定性差，应分开输注并冲管。",
    u"不宜同瓶，分开输注并冲管"};
const PairFinding FUROSEMIDE_APART = {
    2, u"结论：不宜同瓶。呋塞米与多巴胺、氨溴索与碱性液混合易发生理化变化。",
    u"不宜同瓶，建议分开输注"};
const PairFinding OMEPRAZOLE_APART = {
    1, u"结论：奥美拉唑与维生素C 同瓶 pH 冲突，稳定性下降，建议分开。",
    u"建议分开输注"};
const PairFinding NOT_LISTED = {
    0, u"结论：本工具库内未收录该组合的明确禁忌，但仍须查本院配伍表并现配现用、注意冲管。",
    u"未收录明确禁忌，仍需核对院内配伍表"};

// Looked up by the smaller and the larger drug number.
struct IncompatiblePair {
    int32_t lo;
    int32_t hi;
    const PairFinding* finding;
};
const IncompatiblePair INCOMPATIBLE_PAIRS[] = {
    {1, 2, &FORBIDDEN},
    {2, 9, &FORBIDDEN},
    {3, 6, &VANCOMYCIN_APART},
    {3, 9, &VANCOMYCIN_APART},
    {4, 10, &FUROSEMIDE_APART},
    {5, 9, &FUROSEMIDE_APART},
    {6, 7, &OMEPRAZOLE_APART},
};
static_assert(std::size(INCOMPATIBLE_PAIRS) == 7, "seven listed pairs");

const char16_t PAIR_FORMAT[] = u"待查：%d 号 %ls  +  %d 号 %ls";
const char16_t DRUG_LEGEND_FIRST[] = u"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索";
const char16_t DRUG_LEGEND_SECOND[] = u"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺";

const char16_t* drugName(int32_t number)
{
    return number >= 1 && number <= DRUG_COUNT ? DRUG_NAMES[number - 1] : NO_SUCH_DRUG;
}

// Searched on the numbers as entered, not on the names shown.
const PairFinding& findPair(int32_t a, int32_t b)
{
    const int32_t lo = a < b ? a : b;
    const int32_t hi = a < b ? b : a;
    for (const IncompatiblePair& pair : INCOMPATIBLE_PAIRS) {
        if (pair.lo == lo && pair.hi == hi) return *pair.finding;
    }
    return NOT_LISTED;
}

// ---- Kind 9: handover sheet ----------------------------------------------

constexpr int32_t HANDOVER_MAX_BEDS = 30;
const char16_t HANDOVER_HEADER[] = u"交班报告（床号 / 诊断 / 本班病情 / 治疗与管路 / 需下一班关注）：";
const char16_t HANDOVER_BED_FORMAT[] =
    u"%02d 床：诊断＿＿；体温＿℃ 脉搏＿次/分 呼吸＿次/分 血压＿/＿mmHg SpO2＿%%；本班处置＿＿；管路（静脉/引流/导尿/吸氧）＿＿；下一班关注＿＿。";
const char16_t HANDOVER_CLOSING[] = u"危重患者须床旁交接；新入院、手术、输血、病情变化患者逐一交接并双签名。";
const char16_t HANDOVER_VERDICT[] = u"模板已生成，床旁交接并双方签名";

// ---- Kind 10: infusion card ----------------------------------------------

constexpr double DROPS_TO_ML_PER_HOUR = 3.0;
const char16_t INFUSION_TITLE[] = u"静脉输液卡";
const char16_t INFUSION_BED_FORMAT[] = u"床号：%d";
// The dose and the volume come formatted (see shownDecimals).
const char16_t INFUSION_DOSE_FORMAT[] = u"药液：医嘱药量 %s ，加入溶媒 %s ml";
constexpr int DOSE_FEWEST_DECIMALS = 2;
constexpr int DOSE_MOST_DECIMALS = 6;
constexpr int VOLUME_MOST_DECIMALS = 2;
// Sign, the 309 digits of the largest double, point, six decimals, terminator.
constexpr int NUMBER_SCRATCH = 320;
const char16_t INFUSION_RATE_FORMAT[] = u"滴速：%.0f 滴/分（约 %.0f ml/h）";
const char16_t INFUSION_CHECK[] = u"核对：药名/剂量/浓度/有效期/配伍；双人签名。";
const char16_t INFUSION_WATCH[] = u"观察：穿刺点、滴速、输注反应；每 30 分钟巡视并记录。";
const char16_t INFUSION_VERDICT[] = u"输液卡已生成，双人核对后执行";

const char16_t EMPTY_LINE[] = u"";

// The card must show the amount ordered, not a rounded one: as many decimals
// as the value's shortest exact form has, but at least `fewest` (2.50, not
// 2.5, for a dose) and at most `most` (the last one rounded).
int shownDecimals(double value, int fewest, int most)
{
    const int decimals = shortestDecimals(value);
    return decimals < fewest ? fewest : (decimals > most ? most : decimals);
}

}  // namespace

Level buildDrugCompatibility(const ToolDefinition& tool, const double* values,
                             char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const int32_t a = reportInteger(lookupInput(tool, values, "drugA"));
    const int32_t b = reportInteger(lookupInput(tool, values, "drugB"));
    const PairFinding& finding = findPair(a, b);

    appendLine(result, resultCapacity, PAIR_FORMAT, a, drugName(a), b, drugName(b));
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    appendFixedLine(result, resultCapacity, DRUG_LEGEND_FIRST);
    appendFixedLine(result, resultCapacity, DRUG_LEGEND_SECOND);
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    appendFixedLine(result, resultCapacity, finding.conclusion);
    writeVerdict(verdict, verdictCapacity, finding.verdict);
    return finding.level;
}

Level buildHandoverSheet(const ToolDefinition& tool, const double* values,
                         char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    int32_t beds = reportInteger(lookupInput(tool, values, "beds"));
    if (beds < 1) beds = 1;
    if (beds > HANDOVER_MAX_BEDS) beds = HANDOVER_MAX_BEDS;

    appendFixedLine(result, resultCapacity, HANDOVER_HEADER);
    for (int32_t bed = 1; bed <= beds; ++bed) appendLine(result, resultCapacity, HANDOVER_BED_FORMAT, bed);
    appendFixedLine(result, resultCapacity, EMPTY_LINE);
    appendFixedLine(result, resultCapacity, HANDOVER_CLOSING);
    writeVerdict(verdict, verdictCapacity, HANDOVER_VERDICT);
    return 0;
}

Level buildInfusionCard(const ToolDefinition& tool, const double* values,
                        char16_t* result, int resultCapacity, char16_t* verdict, int verdictCapacity)
{
    const int32_t bed = reportInteger(lookupInput(tool, values, "bed"));
    const double dose = lookupInput(tool, values, "dose");
    const double volume = lookupInput(tool, values, "volume");
    const double gtt = lookupInput(tool, values, "gtt");

    appendFixedLine(result, resultCapacity, INFUSION_TITLE);
    appendLine(result, resultCapacity, INFUSION_BED_FORMAT, bed);
    char doseText[NUMBER_SCRATCH];
    char volumeText[NUMBER_SCRATCH];
    formatFixed(doseText, NUMBER_SCRATCH, dose, shownDecimals(dose, DOSE_FEWEST_DECIMALS, DOSE_MOST_DECIMALS));
    formatFixed(volumeText, NUMBER_SCRATCH, volume, shownDecimals(volume, 0, VOLUME_MOST_DECIMALS));
    appendLine(result, resultCapacity, INFUSION_DOSE_FORMAT, doseText, volumeText);
    appendLine(result, resultCapacity, INFUSION_RATE_FORMAT, gtt, gtt * DROPS_TO_ML_PER_HOUR);
    appendFixedLine(result, resultCapacity, INFUSION_CHECK);
    appendFixedLine(result, resultCapacity, INFUSION_WATCH);
    writeVerdict(verdict, verdictCapacity, INFUSION_VERDICT);
    return 0;
}
