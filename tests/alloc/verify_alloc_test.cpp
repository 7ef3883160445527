// The verification run allocates nothing: the whole report, every case run
// through the window's functions, with every heap allocation counted.
#include <gtest/gtest.h>

#include "alloc_counter.h"
#include "app/verify.h"

namespace {

TEST(NoHeap, VerificationReport) {
    static VerifyMachine machine;
    setVerifyText(machine.programPath, u"C:\\Ostrivel.exe");
    setVerifyName(machine.signer, u"KelvoMed");
    static char16_t report[VERIFY_REPORT_CAPACITY];
    int count = 0;
    const VerifyCase* cases = verifyCases(&count);
    VerifyOutcome outcome{};
    EXPECT_EQ(allocationsDuring([&] {
                  outcome = buildVerifyReport(builtinTool(), cases, count, verifyControl(), machine, report,
                                              VERIFY_REPORT_CAPACITY);
              }),
              0);
    EXPECT_EQ(outcome.passed, outcome.total);
}

}  // namespace
