// Splits a rule file into logical lines: comment and blank lines dropped,
// continuation lines (those that begin with a blank) joined to the line
// before with one blank.  Every byte remembers where it stood in the file.
#ifndef LEXGEN_LOGICAL_LINES_H
#define LEXGEN_LOGICAL_LINES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lexgen {

struct SourcePlace {
    int line;    // 1-based
    int column;  // 1-based, in bytes
};

struct LogicalLine {
    std::string text;
    std::vector<SourcePlace> places;  // one per byte of text

    // The place of the byte at OFFSET; just after the last byte for the end.
    SourcePlace place(std::size_t offset) const;
};

// Throws Error for a continuation line with nothing before it to continue.
std::vector<LogicalLine> split_logical_lines(std::string_view file_text, const std::string& file_name);

}  // namespace lexgen

#endif  // LEXGEN_LOGICAL_LINES_H
