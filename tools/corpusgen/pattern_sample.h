// Texts that a rule's pattern matches, drawn at random.
#ifndef CORPUSGEN_PATTERN_SAMPLE_H
#define CORPUSGEN_PATTERN_SAMPLE_H

#include <string>

#include "pattern.h"
#include "random.h"

namespace corpusgen {

// A text the whole of PATTERN matches.  Repetitions are kept short, so that
// a sample is a word or two rather than a statement; ";" is drawn only where
// the pattern allows nothing else, because it ends a split.
std::string sample(const lexgen::Pattern& pattern, Random& random);

}  // namespace corpusgen

#endif  // CORPUSGEN_PATTERN_SAMPLE_H
