// A violated expectation in a fuzz target must crash, so that libFuzzer keeps
// the input; the message says which expectation it was.
#ifndef SPLTWD_FUZZ_CHECK_H
#define SPLTWD_FUZZ_CHECK_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mirx_sql_splt_wd.h"

// Every dialect the splitter tells apart, the generic mode first.
inline constexpr std::uint16_t kAllDialects[] = {0,
                                                 SPLT_WD_DIALECT_ORACLE,
                                                 SPLT_WD_DIALECT_SQLSERVER,
                                                 SPLT_WD_DIALECT_DB2,
                                                 SPLT_WD_DIALECT_MYSQL,
                                                 SPLT_WD_DIALECT_POSTGRESQL,
                                                 SPLT_WD_DIALECT_INFORMIX};

inline void Require(bool holds, const char* expectation) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", expectation);
    std::abort();
}

#endif  // SPLTWD_FUZZ_CHECK_H
