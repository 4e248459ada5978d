// Expected report texts, composed from the report layout word by word.
#ifndef EXPECTED_REPORT_H
#define EXPECTED_REPORT_H

#include <string>
#include <vector>

namespace driver_test {

struct Word {
    std::string text;
    unsigned type;
    unsigned mask;
};

struct Statement {
    std::string sql;
    std::vector<Word> words;
};

// A byte that nothing else takes in the generic mode (dialect 0 and every
// code outside the dialect table): one word per byte.
inline Word other(char byte) { return {std::string(1, byte), 4, 0x0080}; }
inline const Word kSpace{" ", 16, 0x0028};

// «select a from t» in the generic mode and in MySQL (dialect 32).
inline const Statement kGenericSelect{"select a from t",
                                      {{"select", 12, 0x0080}, kSpace, other('a'), kSpace,
                                       {"from", 13, 0x0104}, kSpace, other('t')}};
inline const Statement kMysqlSelect{"select a from t",
                                    {{"select", 12, 0x0080}, kSpace, {"a", 9, 0x0011}, kSpace,
                                     {"from", 13, 0x0104}, kSpace, {"t", 9, 0x0011}}};

// The report of these statements, numbered from `first`.
std::string report(const std::vector<Statement> &statements, int first = 1);

} // namespace driver_test

#endif // EXPECTED_REPORT_H
