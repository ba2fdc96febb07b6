// brisvelctl doctor and --version as installers run them. The machine's own
// processors decide the doctor's verdict, so the test checks that the exit
// status follows the verdict it prints.
#include <gtest/gtest.h>

#include <string>

#include "cli_test_support.h"

namespace {

using brisvel::testing::CtlRun;

// The verdict is read from standard output alone.
CtlRun Ctl(const std::string& args) { return brisvel::testing::RunCtl(args, {}, false); }

TEST(DoctorCommand, ReportsRuleAndProcessorsAndExitsByTheVerdict) {
  const CtlRun r = Ctl("doctor");
  EXPECT_NE(r.out.find("Processor access check (USB 2b53:0019)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("udev rule: "), std::string::npos);
  const bool opens = r.out.find("Result: the processor can be opened.") != std::string::npos;
  EXPECT_EQ(r.status, opens ? 0 : 1);
  if (r.out.find("Processor: none found") != std::string::npos) {
    EXPECT_EQ(r.status, 1);
  }
}

TEST(DoctorCommand, VersionIsPrinted) {
  const CtlRun r = Ctl("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("brisvelctl ", 0), 0u) << r.out;
}

}  // namespace
