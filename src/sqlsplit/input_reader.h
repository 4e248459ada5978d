// Reads an input whole: statements are cut from memory, so the memory a run
// needs grows with its largest input.
#ifndef SQLSPLIT_INPUT_READER_H
#define SQLSPLIT_INPUT_READER_H

#include <string>
#include <string_view>

namespace sqlsplit {

// "-" names standard input.
std::string input_label(std::string_view name);

// Replaces bytes with the whole input.  Returns 0, or the errno of the failure.
int read_input(std::string_view name, std::string &bytes);

} // namespace sqlsplit

#endif // SQLSPLIT_INPUT_READER_H
