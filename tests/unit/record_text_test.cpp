// The record log's texts: header, record, paths, UTF-8 form and messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/record_text.h"

namespace {

constexpr RecordTime SAVE_TIME{2025, 3, 1, 9, 30, 5};

const InputField CRP_INPUT[] = {{"crp", u"CRP", u"mg/L", 8.0}};
const ToolDefinition CRP_TOOL{112, u"Ostrivel", nullptr, u"感染指标", u"参考", nullptr,
                              1, CRP_INPUT, 0, nullptr, 0, nullptr, 0};
const ToolDefinition NO_INPUT_TOOL{7, u"Tally", nullptr, u"c", u"r", nullptr,
                                   0, nullptr, 0, nullptr, 0, nullptr, 0};

std::u16string header(const ToolDefinition& tool) {
    char16_t line[RECORD_HEADER_CAPACITY];
    buildHeaderLine(tool, line, RECORD_HEADER_CAPACITY);
    return line;
}

std::u16string record(const ToolDefinition& tool, const double* values, const char16_t* result) {
    char16_t line[RECORD_LINE_CAPACITY];
    buildRecordLine(tool, SAVE_TIME, values, result, line, RECORD_LINE_CAPACITY);
    return line;
}

ToolDefinition oneInputTool(const InputField* input) {
    ToolDefinition tool = CRP_TOOL;
    tool.inputs = input;
    return tool;
}

}  // namespace

TEST(RecordText, BuiltinToolHeaderAndRecord) {
    EXPECT_EQ(header(builtinTool()), u"时间,工具,CRP,结果\r\n");
    double values[MAX_INPUTS] = {8.0};
    EXPECT_EQ(record(CRP_TOOL, values, u"分级：0 级\r\n"),
              u"2025-03-01 09:30:05,Ostrivel,CRP=8,分级：0 级\r\n\r\n");
}

TEST(RecordText, ToolWithoutInputsHasOnlyTimeToolAndResult) {
    EXPECT_EQ(header(NO_INPUT_TOOL), u"时间,工具,结果\r\n");
    EXPECT_EQ(record(NO_INPUT_TOOL, nullptr, u"r"), u"2025-03-01 09:30:05,Tally,r\r\n");
}

TEST(RecordText, TimeFieldsArePadded) {
    char16_t line[RECORD_LINE_CAPACITY];
    double values[MAX_INPUTS] = {};
    buildRecordLine(NO_INPUT_TOOL, RecordTime{987, 12, 31, 23, 0, 59}, values, u"", line, RECORD_LINE_CAPACITY);
    EXPECT_EQ(std::u16string(line), u"0987-12-31 23:00:59,Tally,\r\n");
}

TEST(RecordText, ValuesAreWrittenWithG) {
    struct Case {
        double value;
        const char16_t* field;
    };
    const Case cases[] = {
        {8.0, u"CRP=8"},         {12.5, u"CRP=12.5"},    {0.00001, u"CRP=1e-05"},
        {1234567.0, u"CRP=1.23457e+06"}, {0.0, u"CRP=0"}, {-3.25, u"CRP=-3.25"},
        {0.0001, u"CRP=0.0001"}, {999999.0, u"CRP=999999"}, {100.0 / 3.0, u"CRP=33.3333"},
    };
    for (const Case& c : cases) {
        double values[MAX_INPUTS] = {c.value};
        EXPECT_EQ(record(CRP_TOOL, values, u"x"),
                  std::u16string(u"2025-03-01 09:30:05,Ostrivel,") + c.field + u",x\r\n")
            << c.value;
    }
}

TEST(RecordText, SeveralInputsInInputOrder) {
    const InputField inputs[] = {{"a", u"体重", u"kg", 0}, {"b", u"身高", nullptr, 0}, {"c", u"年龄", u"", 0}};
    ToolDefinition tool = CRP_TOOL;
    tool.inputCount = 3;
    tool.inputs = inputs;
    double values[MAX_INPUTS] = {60.5, 170, 1e-7};
    EXPECT_EQ(header(tool), u"时间,工具,体重,身高,年龄,结果\r\n");
    EXPECT_EQ(record(tool, values, u"BMI：20.9\r\n"),
              u"2025-03-01 09:30:05,Ostrivel,体重=60.5,身高=170,年龄=1e-07,BMI：20.9\r\n\r\n");
}

TEST(RecordText, ResultIsCutAt254Units) {
    double values[MAX_INPUTS] = {8.0};
    struct Case {
        size_t length;
        size_t kept;
    };
    for (Case c : {Case{253, 253}, Case{254, 254}, Case{255, 254}, Case{8000, 254}}) {
        std::u16string result(c.length, u'级');
        EXPECT_EQ(record(CRP_TOOL, values, result.c_str()),
                  u"2025-03-01 09:30:05,Ostrivel,CRP=8," + std::u16string(c.kept, u'级') + u"\r\n")
            << c.length;
    }
}

TEST(RecordText, LabelsNearTheFieldLimit) {
    // The header field ",<label>" and the record field ",<label>=<value>" are
    // each cut by their 128-unit buffer.
    struct Case {
        size_t labelLength;
        size_t headerKept;
        const char16_t* recordTail;   // what follows the label kept in the record
        size_t recordKept;
    };
    const Case cases[] = {
        {124, 124, u"=8", 124},
        {125, 125, u"=", 125},
        {126, 126, u"", 126},
        {127, 126, u"", 126},
        {300, 126, u"", 126},
    };
    for (const Case& c : cases) {
        std::u16string label(c.labelLength, u'标');
        const InputField input[] = {{"x", label.c_str(), nullptr, 0}};
        ToolDefinition tool = oneInputTool(input);
        EXPECT_EQ(header(tool), u"时间,工具," + std::u16string(c.headerKept, u'标') + u",结果\r\n")
            << c.labelLength;
        double values[MAX_INPUTS] = {8.0};
        EXPECT_EQ(record(tool, values, u"r"),
                  u"2025-03-01 09:30:05,Ostrivel," + std::u16string(c.recordKept, u'标') + c.recordTail + u",r\r\n")
            << c.labelLength;
    }
}

TEST(RecordText, CommasQuotesAndLineBreaksStandAsTheyAre) {
    const InputField input[] = {{"x", u"a,\"b\"\r\nc", nullptr, 0}};
    ToolDefinition tool = oneInputTool(input);
    tool.name = u"N,\"q\"";
    EXPECT_EQ(header(tool), u"时间,工具,a,\"b\"\r\nc,结果\r\n");
    double values[MAX_INPUTS] = {1.5};
    EXPECT_EQ(record(tool, values, u"x,\"y\"\r\nz\r\n"),
              u"2025-03-01 09:30:05,N,\"q\",a,\"b\"\r\nc=1.5,x,\"y\"\r\nz\r\n\r\n");
}

TEST(RecordText, FullLinesStayTerminatedAndWithinTheirBuffers) {
    // Sixteen long labels overfill the header: it stops at 511 units.
    std::u16string label(126, u'标');
    std::vector<InputField> inputs(MAX_INPUTS, InputField{"x", label.c_str(), nullptr, 0});
    ToolDefinition tool = CRP_TOOL;
    tool.inputCount = MAX_INPUTS;
    tool.inputs = inputs.data();
    char16_t line[RECORD_HEADER_CAPACITY + 1];
    line[RECORD_HEADER_CAPACITY] = u'#';
    buildHeaderLine(tool, line, RECORD_HEADER_CAPACITY);
    EXPECT_EQ(std::u16string(line).size(), size_t(RECORD_HEADER_CAPACITY - 1));
    EXPECT_EQ(line[RECORD_HEADER_CAPACITY], u'#');

    // A tool name longer than the record buffer fills it and nothing more.
    std::u16string name(5000, u'名');
    tool.name = name.c_str();
    std::vector<char16_t> big(RECORD_LINE_CAPACITY + 1, u'#');
    double values[MAX_INPUTS] = {};
    buildRecordLine(tool, SAVE_TIME, values, u"r", big.data(), RECORD_LINE_CAPACITY);
    EXPECT_EQ(std::u16string(big.data()).size(), size_t(RECORD_LINE_CAPACITY - 1));
    EXPECT_EQ(big[RECORD_LINE_CAPACITY], u'#');
}

TEST(RecordText, LongestLinesConvertToUtf8Whole) {
    // A full record buffer of three-byte characters needs 12285 bytes: far
    // beyond 4095, and still written whole.
    struct Case {
        std::u16string line;
        size_t bytes;
    };
    const Case cases[] = {
        {std::u16string(RECORD_LINE_CAPACITY - 1, u'级'), 3 * size_t(RECORD_LINE_CAPACITY - 1)},
        {std::u16string(RECORD_HEADER_CAPACITY - 1, u'标'), 3 * size_t(RECORD_HEADER_CAPACITY - 1)},
        {std::u16string(2000, u'a'), 2000},
        {u"分级：0 级\r\n", 16},
        {u"\U0001F600", 4},          // a surrogate pair: four bytes for two units
        {std::u16string(1, char16_t(0xD800)), 3},   // a lone surrogate becomes U+FFFD
    };
    std::vector<char> out(RECORD_UTF8_CAPACITY - RECORD_BOM_SIZE);
    for (const Case& c : cases) {
        EXPECT_EQ(recordLineToUtf8(c.line.c_str(), out.data(), out.size()), int(c.bytes)) << c.line.size();
    }
    const char16_t grade[] = u"分级：0 级\r\n";
    ASSERT_EQ(recordLineToUtf8(grade, out.data(), out.size()), 16);
    EXPECT_EQ(std::string(out.data(), 16), "分级：0 级\r\n");
    EXPECT_EQ(recordLineToUtf8(grade, out.data(), 15), -1);
}

TEST(RecordText, WhatASaveWritesDependsOnHowTheLogEnds) {
    struct Case {
        uint64_t size;
        unsigned char last;
        RecordLead lead;
        std::string bytes;   // what comes before the record
    };
    const Case cases[] = {
        {0, 0, LEAD_HEADER, "\xEF\xBB\xBF时间,工具,CRP,结果\r\n"},
        {100, '\n', LEAD_NOTHING, ""},
        {100, '0', LEAD_LINE_END, "\r\n"},      // a record cut after its last digit
        {100, 0xE7, LEAD_LINE_END, "\r\n"},     // ... inside a UTF-8 character
        {3, 0xBF, LEAD_LINE_END, "\r\n"},       // a byte-order mark alone
        {100, '\r', LEAD_LINE_FEED, "\n"},       // ... between its CR and LF
    };
    char16_t head[RECORD_HEADER_CAPACITY];
    buildHeaderLine(CRP_TOOL, head, RECORD_HEADER_CAPACITY);
    const char16_t* line = u"2025-03-01 09:30:05,Ostrivel,CRP=8,分级：0 级\r\n\r\n";
    const std::string lineBytes = "2025-03-01 09:30:05,Ostrivel,CRP=8,分级：0 级\r\n\r\n";
    std::vector<char> out(RECORD_SAVE_CAPACITY);
    for (const Case& c : cases) {
        RecordLead lead = recordLead(c.size, c.last);
        EXPECT_EQ(lead, c.lead) << c.size << " " << int(c.last);
        int n = buildSaveBytes(lead, head, line, out.data(), out.size());
        ASSERT_GE(n, 0);
        EXPECT_EQ(std::string(out.data(), size_t(n)), c.bytes + lineBytes) << int(c.last);
        // Too small by one byte: nothing, rather than a part.
        EXPECT_EQ(buildSaveBytes(lead, head, line, out.data(), size_t(n) - 1), -1);
    }

    // The longest header with the longest record still go out in one write.
    std::u16string longHeader(RECORD_HEADER_CAPACITY - 1, u'标'), longLine(RECORD_LINE_CAPACITY - 1, u'级');
    EXPECT_EQ(buildSaveBytes(LEAD_HEADER, longHeader.c_str(), longLine.c_str(), out.data(), out.size()),
              int(RECORD_SAVE_CAPACITY));
}

// A failed save cuts the log back only over bytes it can have written itself:
// never over a record another window appended meanwhile, never to extend it.
TEST(RecordText, AFailedSaveCutsBackOnlyWhatItMayHaveWritten) {
    struct Row {
        uint64_t before, now;
        size_t attempted;
        bool cut;
    };
    constexpr uint64_t G4 = uint64_t(1) << 32, G63 = uint64_t(1) << 63;
    const Row rows[] = {
        {100, 100, 50, false},          // did not grow
        {100, 40, 50, false},           // shrank: someone else cut it
        {100, 101, 50, true},           // part of the attempt
        {100, 150, 50, true},           // the whole attempt
        {100, 151, 50, false},          // more: another writer's bytes are in it
        {100, 250, 50, false},          // another window's record after ours
        {G4 - 10, G4 + 40, 50, true},   // offsets are 64-bit, across 2^32
        {G4 - 10, G4 + 41, 50, false},
        {G4 + 10, 60, 50, false},       // a 32-bit view of the size would see growth
        {G63 - 1, G63 + 49, 50, true},
        {G63 + 1, 1, 50, false},        // a wrapped difference is no growth
        {~uint64_t(0) - 50, ~uint64_t(0), 50, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(mayCutBack(r.before, r.now, r.attempted), r.cut) << r.before << " -> " << r.now;
    }
}

TEST(RecordText, FolderAndFilePaths) {
    char16_t folder[RECORD_FOLDER_CAPACITY];
    ASSERT_TRUE(buildRecordFolderPath(u"C:\\Users\\张三\\AppData\\Local", folder, RECORD_FOLDER_CAPACITY));
    EXPECT_EQ(std::u16string(folder), u"C:\\Users\\张三\\AppData\\Local\\KelvoMedSuite\\records");

    char16_t path[RECORD_PATH_CAPACITY];
    struct Case {
        int32_t id;
        const char16_t* name;
    };
    for (Case c : {Case{112, u"T112.csv"}, Case{7, u"T007.csv"}, Case{0, u"T000.csv"}, Case{1234, u"T1234.csv"}}) {
        ASSERT_TRUE(buildRecordFilePath(folder, c.id, path, RECORD_PATH_CAPACITY));
        EXPECT_EQ(std::u16string(path), std::u16string(folder) + u"\\" + c.name);
        char16_t name[RECORD_FILE_NAME_CAPACITY];
        buildRecordFileName(c.id, name, RECORD_FILE_NAME_CAPACITY);
        EXPECT_EQ(std::u16string(name), c.name);
    }

    // A folder path that would be cut names another folder: it is refused.
    std::u16string longAppData = u"C:\\" + std::u16string(240, u'd');
    EXPECT_FALSE(buildRecordFolderPath(longAppData.c_str(), folder, RECORD_FOLDER_CAPACITY));
    std::u16string longest = u"C:\\" + std::u16string(RECORD_FOLDER_CAPACITY - 1 - 3 - 22, u'd');
    EXPECT_TRUE(buildRecordFolderPath(longest.c_str(), folder, RECORD_FOLDER_CAPACITY));
    EXPECT_TRUE(buildRecordFilePath(folder, 112, path, RECORD_PATH_CAPACITY));
}

TEST(RecordText, FolderLevelsSkipTheDriveRoot) {
    struct Case {
        const char16_t* path;
        std::vector<std::u16string> levels;
    };
    const Case cases[] = {
        {u"C:\\Users\\a\\AppData\\Local\\KelvoMedSuite\\records",
         {u"C:\\Users", u"C:\\Users\\a", u"C:\\Users\\a\\AppData", u"C:\\Users\\a\\AppData\\Local",
          u"C:\\Users\\a\\AppData\\Local\\KelvoMedSuite"}},
        {u"C:\\x", {}},
        {u"C:\\x\\", {u"C:\\x"}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        std::u16string path = c.path;
        std::vector<std::u16string> levels;
        for (size_t cut = nextFolderLevel(path.c_str(), 0); cut < path.size();
             cut = nextFolderLevel(path.c_str(), cut + 1)) {
            levels.push_back(path.substr(0, cut));
        }
        EXPECT_EQ(levels, c.levels) << std::string(path.begin(), path.end());
    }
}

TEST(RecordText, OutcomeTextsNeverCallAFailureSaved) {
    const char16_t* file = u"C:\\L\\KelvoMedSuite\\records\\T112.csv";
    char16_t status[256];
    char16_t message[RECORD_MESSAGE_CAPACITY];

    buildSaveOutcome(SAVE_DONE, file, status, 256, message, RECORD_MESSAGE_CAPACITY);
    EXPECT_EQ(std::u16string(status), std::u16string(u"记录已保存：") + file);
    EXPECT_EQ(std::u16string(message), u"本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。");
    EXPECT_EQ(std::u16string(saveOutcomeTexts(SAVE_DONE).caption), u"已保存");
    EXPECT_FALSE(saveOutcomeTexts(SAVE_DONE).warning);

    for (SaveOutcome outcome : {SAVE_NO_APP_DATA, SAVE_FAILED}) {
        buildSaveOutcome(outcome, file, status, 256, message, RECORD_MESSAGE_CAPACITY);
        std::u16string s = status, m = message;
        EXPECT_EQ(s, std::u16string(u"记录保存失败：") + file);
        EXPECT_NE(m.find(file), std::u16string::npos) << "the message names the file";
        EXPECT_EQ(m.find(u"已保存"), std::u16string::npos);
        EXPECT_EQ(std::u16string(saveOutcomeTexts(outcome).caption), u"保存失败");
        EXPECT_TRUE(saveOutcomeTexts(outcome).warning);
    }

    // A path longer than the status line is cut there, terminated.
    std::u16string longPath(519, u'p');
    buildSaveOutcome(SAVE_FAILED, longPath.c_str(), status, 256, message, RECORD_MESSAGE_CAPACITY);
    EXPECT_EQ(std::u16string(status).size(), 255u);
    EXPECT_NE(std::u16string(message).find(longPath), std::u16string::npos);
}
