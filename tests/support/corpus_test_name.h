// How a corpus file shows in test names and test output: by its name in the
// corpus, never by its path, which differs from build to build.
#ifndef SPLTWD_TESTS_CORPUS_TEST_NAME_H
#define SPLTWD_TESTS_CORPUS_TEST_NAME_H

#include <cctype>
#include <ostream>
#include <string>

#include "corpus_files.h"

namespace test_support {

// The name with every byte a test name cannot hold turned into "_".
inline std::string corpus_test_name(const char* corpus_name) {
    std::string name = corpus_name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

}  // namespace test_support

namespace corpus {

// Found by GoogleTest for a parameter's value in its messages.
inline void PrintTo(const File& file, std::ostream* out) { *out << file.name; }

}  // namespace corpus

#endif  // SPLTWD_TESTS_CORPUS_TEST_NAME_H
