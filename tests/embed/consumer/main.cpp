// Splits one statement through the installed C++ header and library.
#include <cstdio>
#include <iterator>

#include <spltwd.hpp>

int main() {
    const spltwd::Result result = spltwd::split("SELECT 1", spltwd::Dialect::mysql);
    const auto words = std::distance(result.begin(), result.end());
    if (result.code() <= 0 || words != 3) {
        std::fprintf(stderr, "split gave code %d and %td words, expected 3 words\n",
                     static_cast<int>(result.code()), words);
        return 1;
    }
    return 0;
}
