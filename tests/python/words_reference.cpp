// The words and digests of statements through the C API alone, for the
// Python tests to compare the module's with.
//
//     words_reference PROFILE DIALECT < records > results
//
// Reads records "<dialect> <length>\n" <length bytes> "\n" (the corpus
// format; the record's dialect is not used) and splits each statement in
// DIALECT by PROFILE (0 classic, 1 accurate) with spltwd_split, then
// digests it with spltwd_digest_statement.  Writes, in host byte order,
// columns of all S statements, W words and T tables that Python reads
// with memoryview.cast:
//
//     uint32 S | int32 result[S] | uint32 word count[S]
//     uint32 W | uint32 start[W] | uint32 end[W] | uint16 type[W] | uint16 mask[W] | uint32 length[W]
//     uint64 bytes | the words' bytes, joined
//     uint64 fingerprint[S] | char kind[S][12] | uint32 normalized length[S]
//     uint64 bytes | the normalised texts, joined
//     uint32 table count[S] | uint32 T | uint32 table name length[T]
//     uint64 bytes | the table names, joined
//
// start and end come from spltwd_next_word; a failed or empty split has no
// words.  Exits 1 on a malformed record or a failed call.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "mirx_sql_splt_wd.h"
#include "spltwd_digest.h"

namespace {

template <typename T>
void put(std::string &out, T value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

template <typename T>
void put_column(std::string &out, const std::vector<T> &values)
{
    out.append(reinterpret_cast<const char *>(values.data()), values.size() * sizeof(T));
}

int fail(const char *why)
{
    std::fprintf(stderr, "words_reference: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) return fail("usage: words_reference PROFILE DIALECT < records > results");
    const int profile = std::atoi(argv[1]);
    const auto dialect = static_cast<std::uint16_t>(std::atoi(argv[2]));
    const std::string input{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    spltwd_context *context = spltwd_context_create();
    if (context == nullptr || spltwd_context_set_profile(context, profile) != 0) return fail("no context");

    std::vector<std::int32_t> results;
    std::vector<std::uint32_t> word_counts, starts, ends, lengths, normalized_lengths, table_counts, table_lengths;
    std::vector<std::uint16_t> types, masks;
    std::vector<std::uint64_t> fingerprints;
    std::string words, kinds, normalized, tables;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t line_end = input.find('\n', at);
        unsigned code = 0;
        std::size_t length = 0;
        const char *const line = input.data() + at;
        const char *const end = input.data() + (line_end == std::string::npos ? input.size() : line_end);
        const auto [space, code_error] = std::from_chars(line, end, code);
        const auto [stop, length_error] = std::from_chars(space + 1, end, length);
        if (line_end == std::string::npos || code_error != std::errc() || *space != ' ' ||
            length_error != std::errc() || stop != end || length > input.size() - line_end - 1) {
            return fail("malformed record");
        }
        std::string sql = input.substr(line_end + 1, length);
        at = line_end + 2 + length;

        std::int32_t result = 0;
        std::uint32_t count = 0;
        if (!sql.empty()) {
            SQL_SPLT_WD request{};
            request.dialect = dialect;
            request.sql_len = static_cast<std::uint32_t>(sql.size());
            request.sql_text = sql.data();
            result = spltwd_split(context, &request);
            spltwd_word_walk walk{0, 0};
            spltwd_word word;
            while (result > 0 && spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0) {
                starts.push_back(word.start);
                ends.push_back(word.end);
                types.push_back(word.type);
                masks.push_back(word.mask);
                lengths.push_back(word.length);
                words.append(word.text, word.length);
                ++count;
            }
            std::free(request.sql_word);
        }
        results.push_back(result);
        word_counts.push_back(count);

        spltwd_digest digest;
        if (spltwd_digest_statement(context, dialect, sql.data(), static_cast<std::uint32_t>(sql.size()), &digest) != 0) {
            return fail("a digest failed");
        }
        fingerprints.push_back(digest.fingerprint);
        kinds.append(digest.kind, sizeof digest.kind);
        normalized_lengths.push_back(digest.normalized_length);
        normalized.append(digest.normalized, digest.normalized_length);
        table_counts.push_back(digest.table_count);
        std::uint32_t cursor = 0;
        const char *name;
        std::uint32_t name_length;
        while (spltwd_digest_next_table(&digest, &cursor, &name, &name_length) == 0) {
            table_lengths.push_back(name_length);
            tables.append(name, name_length);
        }
    }
    std::string out;
    put(out, static_cast<std::uint32_t>(results.size()));
    put_column(out, results);
    put_column(out, word_counts);
    put(out, static_cast<std::uint32_t>(starts.size()));
    put_column(out, starts);
    put_column(out, ends);
    put_column(out, types);
    put_column(out, masks);
    put_column(out, lengths);
    put(out, static_cast<std::uint64_t>(words.size()));
    out += words;
    put_column(out, fingerprints);
    out += kinds;
    put_column(out, normalized_lengths);
    put(out, static_cast<std::uint64_t>(normalized.size()));
    out += normalized;
    put_column(out, table_counts);
    put(out, static_cast<std::uint32_t>(table_lengths.size()));
    put_column(out, table_lengths);
    put(out, static_cast<std::uint64_t>(tables.size()));
    out += tables;
    spltwd_context_destroy(context);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
