// The statements of one dialect's corpus file.
#ifndef CORPUSGEN_STATEMENTS_H
#define CORPUSGEN_STATEMENTS_H

#include <cstdint>
#include <vector>

#include "corpus_reader.h"
#include "random.h"
#include "rule_file.h"

namespace corpusgen {

// Short statements, a few words each, in which every rule a split in
// DIALECT can reach stands several times; then long statements: the short
// ones joined, each enclosure the dialect knows filled with words (closed
// and left open), and one-byte words.
std::vector<corpus::Record> make_statements(const lexgen::RuleFile& file, std::uint16_t dialect, Random& random);

}  // namespace corpusgen

#endif  // CORPUSGEN_STATEMENTS_H
