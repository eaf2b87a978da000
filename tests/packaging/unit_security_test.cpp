// The shipped systemd units stay sandboxed: systemd-analyze rates each at 4.0 or lower.

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "run_program.h"

namespace {

constexpr const char* ANALYZE = "/usr/bin/systemd-analyze";
constexpr double MAX_EXPOSURE = 4.0;

TEST(UnitSecurity, EachUnitIsRatedAtMostFour) {
    if (::access(ANALYZE, X_OK) != 0)
        GTEST_SKIP() << ANALYZE << " is missing: install Debian's systemd package";
    for (const std::string unit : {VORN_IOD_UNIT, VORNPILOT_UNIT}) {
        SCOPED_TRACE(unit);
        const ProgramResult r =
            RunProgram({ANALYZE, "security", "--offline=true", "--no-pager", unit}, {}, 60000);
        // The rating line: "→ Overall exposure level for vorn-iod.service: 1.9 OK :-)".
        std::smatch m;
        const std::string all = r.out + r.err;
        ASSERT_TRUE(std::regex_search(all, m,
                                      std::regex("Overall exposure level for [^:]+: "
                                                 "([0-9]+\\.[0-9])")))
            << all;
        EXPECT_LE(std::stod(m[1]), MAX_EXPOSURE) << all;
    }
}

}  // namespace
