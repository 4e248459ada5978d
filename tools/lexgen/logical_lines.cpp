#include "logical_lines.h"

#include "lexgen_error.h"
#include "text_chars.h"

namespace lexgen {

SourcePlace LogicalLine::place(std::size_t offset) const {
    if (offset < places.size()) return places[offset];
    SourcePlace last = places.back();
    return {last.line, last.column + 1};
}

std::vector<LogicalLine> split_logical_lines(std::string_view file_text, const std::string& file_name) {
    std::vector<LogicalLine> lines;
    int line_number = 0;
    std::size_t begin = 0;
    while (begin < file_text.size()) {
        std::size_t end = file_text.find('\n', begin);
        if (end == std::string_view::npos) end = file_text.size();
        std::string_view line = file_text.substr(begin, end - begin);
        begin = end + 1;
        ++line_number;

        std::size_t last = line.size();
        while (last > 0 && (is_blank(line[last - 1]) || line[last - 1] == '\r')) --last;
        std::size_t first = 0;
        while (first < last && is_blank(line[first])) ++first;
        // Comments may be indented; they never continue anything.
        if (first == last || line[first] == '#') continue;

        bool continues = first > 0;
        if (continues && lines.empty()) {
            throw Error(file_name + ":" + std::to_string(line_number) +
                        ": a continuation line (beginning with a blank) with no line before it to continue");
        }
        if (!continues) lines.emplace_back();
        LogicalLine& logical = lines.back();
        if (continues) {
            logical.text += ' ';
            logical.places.push_back(logical.place(logical.text.size() - 1));
        }
        for (std::size_t i = first; i < last; ++i) {
            logical.text += line[i];
            logical.places.push_back({line_number, static_cast<int>(i) + 1});
        }
    }
    return lines;
}

}  // namespace lexgen
