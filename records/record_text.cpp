#include "records/record_text.h"

#include "engine/text.h"

const unsigned char RECORD_BOM[RECORD_BOM_SIZE] = {0xEF, 0xBB, 0xBF};

const char16_t SAVE_REFUSED_MESSAGE[] = u"请先点击“计算”生成结果，再保存记录。";
const char16_t SAVE_REFUSED_CAPTION[] = u"提示";

namespace {

constexpr SaveOutcomeTexts SAVE_OUTCOME_TEXTS[] = {
    // SAVE_DONE
    {u"记录已保存：%ls", u"本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。", u"已保存", false},
    // SAVE_NO_APP_DATA
    {u"记录保存失败：%ls",
     u"本次结果未能保存：无法取得本地应用数据文件夹，记录文件 %ls 无法写入。", u"保存失败", true},
    // SAVE_FAILED
    {u"记录保存失败：%ls",
     u"本次结果未能保存到本地记录文件：\r\n%ls\r\n\r\n"
     u"请确认该文件没有被其他程序（如 Excel）独占打开、所在文件夹可以写入，然后再点击“保存记录”。",
     u"保存失败", true},
};
static_assert(sizeof SAVE_OUTCOME_TEXTS / sizeof SAVE_OUTCOME_TEXTS[0] == SAVE_OUTCOME_COUNT,
              "one set of texts per save outcome");

// The root of a drive path, "C:\", is never created; levels start after it.
constexpr size_t FIRST_LEVEL_INDEX = 3;

}  // namespace

bool buildRecordFolderPath(const char16_t* appDataFolder, char16_t* folder, int capacity) {
    return formatText(folder, capacity, u"%ls\\KelvoMedSuite\\records", appDataFolder) >= 0;
}

bool buildRecordFilePath(const char16_t* folder, int32_t toolId, char16_t* path, int capacity) {
    return formatText(path, capacity, u"%ls\\T%03d.csv", folder, static_cast<int>(toolId)) >= 0;
}

void buildRecordFileName(int32_t toolId, char16_t* name, int capacity) {
    formatText(name, capacity, u"T%03d.csv", static_cast<int>(toolId));
}

size_t nextFolderLevel(const char16_t* path, size_t from) {
    size_t length = textLength(path);
    size_t i = from < FIRST_LEVEL_INDEX ? FIRST_LEVEL_INDEX : from;
    for (; i < length; ++i) {
        if (path[i] == u'\\') return i;
    }
    return length;
}

void buildHeaderLine(const ToolDefinition& tool, char16_t* line, int capacity) {
    textCopy(line, capacity, u"时间,工具");
    for (int i = 0; i < tool.inputCount; ++i) {
        char16_t field[RECORD_FIELD_CAPACITY];
        formatText(field, RECORD_FIELD_CAPACITY, u",%ls", tool.inputs[i].label);
        textAppend(line, capacity, field);
    }
    textAppend(line, capacity, u",结果\r\n");
}

void buildRecordLine(const ToolDefinition& tool, const RecordTime& time, const double* inputValues,
                     const char16_t* lastResult, char16_t* line, int capacity) {
    formatText(line, capacity, u"%04d-%02d-%02d %02d:%02d:%02d,%ls", time.year, time.month, time.day,
               time.hour, time.minute, time.second, tool.name);
    for (int i = 0; i < tool.inputCount; ++i) {
        char16_t field[RECORD_FIELD_CAPACITY];
        formatText(field, RECORD_FIELD_CAPACITY, u",%ls=%g", tool.inputs[i].label, inputValues[i]);
        textAppend(line, capacity, field);
    }
    char16_t result[RECORD_RESULT_FIELD_CAPACITY];
    formatText(result, RECORD_RESULT_FIELD_CAPACITY, u",%ls", lastResult);
    textAppend(line, capacity, result);
    textAppend(line, capacity, u"\r\n");
}

int recordLineToUtf8(const char16_t* line, char* out, size_t size) {
    return utf16ToUtf8(line, textLength(line), out, size);
}

RecordLead recordLead(uint64_t logSize, unsigned char lastByte) {
    if (logSize == 0) return LEAD_HEADER;
    if (lastByte == '\n') return LEAD_NOTHING;
    return lastByte == '\r' ? LEAD_LINE_FEED : LEAD_LINE_END;
}

int buildSaveBytes(RecordLead lead, const char16_t* header, const char16_t* record, char* out, size_t size) {
    size_t used = 0;
    auto put = [&](const char* bytes, size_t count) {
        if (count > size - used) return false;
        for (size_t i = 0; i < count; ++i) out[used++] = bytes[i];
        return true;
    };
    auto putLine = [&](const char16_t* line) {
        int bytes = recordLineToUtf8(line, out + used, size - used);
        if (bytes < 0) return false;
        used += static_cast<size_t>(bytes);
        return true;
    };
    bool fits = true;
    if (lead == LEAD_HEADER) {
        fits = put(reinterpret_cast<const char*>(RECORD_BOM), RECORD_BOM_SIZE) && putLine(header);
    } else if (lead == LEAD_LINE_END) {
        fits = put("\r\n", 2);
    } else if (lead == LEAD_LINE_FEED) {
        fits = put("\n", 1);
    }
    if (!fits || !putLine(record) || used > 0x7FFFFFFF) return -1;
    return static_cast<int>(used);
}

bool mayCutBack(uint64_t before, uint64_t now, size_t attempted) {
    return now > before && now - before <= attempted;
}

const SaveOutcomeTexts& saveOutcomeTexts(SaveOutcome outcome) {
    int index = static_cast<int>(outcome);
    if (index < 0 || index >= SAVE_OUTCOME_COUNT) index = SAVE_FAILED;
    return SAVE_OUTCOME_TEXTS[index];
}

void buildSaveOutcome(SaveOutcome outcome, const char16_t* file, char16_t* status, int statusCapacity,
                      char16_t* message, int messageCapacity) {
    const SaveOutcomeTexts& texts = saveOutcomeTexts(outcome);
    formatText(status, statusCapacity, texts.statusFormat, file);
    formatText(message, messageCapacity, texts.messageFormat, file);
}
