// Runs the scanner over the tables of engine.rules with the tests' own
// action vocabulary, and records what the actions saw.
#ifndef ENGINE_HARNESS_H
#define ENGINE_HARNESS_H

#include <cstdio>
#include <string>
#include <vector>

#include "splt_wd_scanner.h"

namespace spltwd {
extern const DfaTables engine_tables;
}

namespace engine_test {

spltwd::Scanner make_scanner();

// The start conditions of engine.rules.
enum Condition { INITIAL = 0, KEYS = 1, AT = 2, OPTIONAL = 3 };

struct Recorder {
    std::vector<std::string> matches;  // "rule:text", and "end" for the end of input
    bool texts_terminated = true;      // every match read as a zero-terminated text
    int end_value = 1;                 // what the end-of-input action returns
};

int record_action(spltwd::Scanner& s, int rule, void* recorder);

// What a whole scan did: the values scanner_lex returned (it is called again
// after each stop until the end of input) and the matches joined by '|'.
struct Scan {
    std::vector<int> values;
    std::string matches;
};
Scan scan_to_end(spltwd::Scanner& s, Recorder& recorder);
Scan scan_to_end(spltwd::Scanner& s);

// A stream that yields `text`, for scanners that read from FILEs.
FILE* stream_of(const std::string& text);

}  // namespace engine_test

#endif  // ENGINE_HARNESS_H
