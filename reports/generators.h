// The eleven report generators and the pieces they share with the dispatcher.
// Internal to reports/: the rest of the program goes through runReport.
#pragma once

#include <cstdint>

#include "engine/tool.h"
#include "reports/report.h"

// Every generator has this shape; runReport has emptied both texts before the
// call. The level returned is the tool's level.
using ReportGenerator = Level (*)(const ToolDefinition& tool, const double* values,
                                  char16_t* result, int resultCapacity,
                                  char16_t* verdict, int verdictCapacity);

Level buildNurseRoster(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildDosingTimes(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildBloodDrawOrder(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildCriticalValues(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildHighAlertDrugs(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildDrugCompatibility(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildFollowUpSchedule(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildSurgicalChecklist(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildHandoverSheet(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildInfusionCard(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);
Level buildLabPanels(const ToolDefinition&, const double*, char16_t*, int, char16_t*, int);

// The one bounded append of the report text: while the text is shorter than
// capacity - 1 units, the first units of the piece that fit are added and the
// text is terminated; after that nothing is added.
void appendPiece(char16_t* buffer, int capacity, const char16_t* piece);

// The verdict is one short fixed text. It is copied bounded, so a verdict
// buffer smaller than the text gets its first capacity - 1 units rather than
// an overrun.
void writeVerdict(char16_t* verdict, int verdictCapacity, const char16_t* text);

// The same selector rule for every catalogue: an integer in 1..count picks
// its row, anything else (absent, 0, negative, too large, NaN) the fallback,
// which callers keep as the row after the numbered ones.
int selectRow(int32_t selector, int numberedRows);

// Today's date from the local clock: report_today_win.cpp on Windows (the
// system's GetLocalTime), report_today.cpp elsewhere.
CivilDate readLocalDate();
