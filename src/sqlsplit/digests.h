// Statement digests: one JSON line per statement (--format digest), or the
// statements of a whole run summed up by fingerprint (--summary).
#ifndef SQLSPLIT_DIGESTS_H
#define SQLSPLIT_DIGESTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "output_text.h"
#include "spltwd_digest.h"

namespace sqlsplit {

// A digest as the library gives it; its normalised text and tables belong
// to the context and hold until its next digest.
struct StatementDigest {
    std::uint64_t fingerprint = 0;
    std::string fingerprint_hex;
    std::string kind;
    std::vector<std::string_view> tables;
    std::string_view normalized;
};

// Digests a statement of the dialect.  Returns the library's result: 0, or
// -1 when out of memory.
std::int32_t digest_statement(spltwd_context *context, std::uint16_t dialect, std::string_view text,
                              StatementDigest &digest);

// {"statement":N,"file":"..","start":S,"end":E,"fingerprint":"..","kind":"..","tables":[..],"normalized":".."}
void append_digest_line(OutputText &out, std::int64_t number, std::string_view file, std::uint64_t start,
                        std::uint64_t end, const StatementDigest &digest);

// The statements of a run by fingerprint: memory grows with the distinct
// fingerprints and their texts, not with the statements.
class Summary {
public:
    // `text` is the statement: the first of a fingerprint is its example.
    void add(const StatementDigest &digest, std::string_view text);
    // Adds the statements of a later part of the run.
    void merge(Summary &&later);

    // Most frequent first, then most bytes, then by fingerprint.
    // JSON Lines: {"fingerprint":"..","count":N,"bytes":B,"kind":"..","tables":[..],"normalized":"..","example":".."}
    void write_jsonl(OutputText &out) const;
    // A title line and one aligned line per fingerprint: count, share of
    // the statements, fingerprint, kind, the first three tables and the
    // normalised text, cut so that each line holds at most `width`
    // characters (0: not cut).  Nothing when there was no statement.
    void write_table(OutputText &out, std::size_t width) const;

private:
    struct Entry {
        std::uint64_t count = 0;
        std::uint64_t bytes = 0;
        std::string fingerprint_hex;
        std::string kind;
        std::vector<std::string> tables;
        std::string normalized;
        std::string example;
    };

    std::vector<const Entry *> sorted() const;

    std::unordered_map<std::uint64_t, Entry> entries_;
    std::uint64_t statements_ = 0;
};

// How wide the summary table may be: the terminal's width when standard
// output is one, else COLUMNS when it is set to a number, else 0 (not cut).
std::size_t summary_width(bool output_is_terminal);

} // namespace sqlsplit

#endif // SQLSPLIT_DIGESTS_H
