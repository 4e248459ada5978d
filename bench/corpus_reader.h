// Reads the statement corpora shared by the benchmarks, the instruction
// counts and the fuzz seeds.  A corpus file is a run of records
//
//     "<dialect> <length>\n"  <length> bytes of one statement  "\n"
//
// and is binary safe: the length, not a terminator, bounds a statement.
#ifndef SPLTWD_CORPUS_READER_H
#define SPLTWD_CORPUS_READER_H

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corpus {

struct Record {
    std::uint16_t dialect;
    std::string text;
};

namespace detail {

// Parses the unsigned number that runs from `pos` to `stop` in `data`.
template <typename Number>
Number ParseNumber(std::string_view data, std::size_t pos, std::size_t stop,
                   const std::string& where) {
    Number value{};
    const char* first = data.data() + pos;
    const char* last = data.data() + stop;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc{} || end != last || first == last)
        throw std::runtime_error(where + ": bad record header");
    return value;
}

}  // namespace detail

// Every record of one file, in file order.  Throws std::runtime_error when
// the file cannot be read or a record is malformed, so that a benchmark
// never silently measures half a corpus.
inline std::vector<Record> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path.string() + ": cannot open");
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw std::runtime_error(path.string() + ": read error");

    std::vector<Record> records;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::string where = path.string() + " at byte " + std::to_string(pos);
        const std::size_t header_end = data.find('\n', pos);
        const std::size_t blank = data.find(' ', pos);
        if (header_end == std::string::npos || blank == std::string::npos || blank > header_end)
            throw std::runtime_error(where + ": bad record header");
        const auto dialect = detail::ParseNumber<std::uint16_t>(data, pos, blank, where);
        const auto length = detail::ParseNumber<std::size_t>(data, blank + 1, header_end, where);
        const std::size_t body = header_end + 1;
        if (length > data.size() - body || body + length == data.size() ||
            data[body + length] != '\n')
            throw std::runtime_error(where + ": statement length runs past its record");
        records.push_back({dialect, data.substr(body, length)});
        pos = body + length + 1;
    }
    return records;
}

// The corpus files (*.rec) under `dir`, at any depth, in a stable order.
inline std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().extension() == ".rec")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace corpus

#endif  // SPLTWD_CORPUS_READER_H
