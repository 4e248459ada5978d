// A plain run of the split call over corpus files, for instruction counts
// under callgrind (bench/callgrind_ipb.py), where a benchmark's repetitions
// would only add noise.
//
//   split_corpus [--accurate|--digest] FILE...    split every statement of
//                           the files, walk each stream with fetch_word, free it
//   split_corpus [--accurate|--digest] --select-1 [N]  split "SELECT 1" as
//                           MySQL once, or N times (1 to 1000)
//
// Without an option the splits go through Zoz_SQL_Split_Word (the classic
// profile); with --accurate, through spltwd_split on a context of the
// accurate profile.  With --digest each statement is digested instead
// (spltwd_digest_statement on one context), and "words" counts the bytes
// of the normalised texts.
//
// Prints one line "statements=N bytes=N words=N rejected=N" on standard
// output; the library's debug lines go to /dev/null (see stdout_divert.h).
#include <cstdint>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "corpus_reader.h"
#include "split_walk.h"
#include "spltwd_digest.h"
#include "stdout_divert.h"

namespace {

struct Totals {
    std::uint64_t statements = 0, bytes = 0, words = 0, rejected = 0;

    void Split(std::uint16_t dialect, std::string_view sql, spltwd_context* context) {
        const split_walk::Outcome outcome = split_walk::SplitWalkFree(dialect, sql, context);
        ++statements;
        bytes += sql.size();
        words += outcome.words;
        rejected += outcome.result < 0;
    }

    void Digest(std::uint16_t dialect, std::string_view sql, spltwd_context* context) {
        spltwd_digest digest{};
        const std::int32_t result = spltwd_digest_statement(context, dialect, sql.data(),
                                                            static_cast<std::uint32_t>(sql.size()), &digest);
        ++statements;
        bytes += sql.size();
        words += result == 0 ? digest.normalized_length : 0;
        rejected += result != 0;
    }
};

int Usage() {
    std::cerr << "usage: split_corpus [--accurate|--digest] FILE...\n"
                 "       split_corpus [--accurate|--digest] --select-1 [N]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const bool accurate = !args.empty() && args[0] == "--accurate";
    const bool digest = !args.empty() && args[0] == "--digest";
    if (accurate || digest) args.erase(args.begin());
    if (args.empty()) return Usage();
    try {
        // Read everything first, so that callgrind's count of the split
        // calls is all the run is about.
        std::vector<corpus::Record> statements;
        if (!args.empty() && args[0] == "--select-1") {
            int times = 1;
            if (args.size() == 2) {
                const std::string count(args[1]);
                if (count.empty() || count.size() > 4 || count.find_first_not_of("0123456789") != std::string::npos)
                    return Usage();
                times = std::stoi(count);
            }
            if (args.size() > 2 || times < 1 || times > 1000) return Usage();
            statements.assign(static_cast<std::size_t>(times), {SPLT_WD_DIALECT_MYSQL, "SELECT 1"});
        } else {
            for (const std::string_view file : args) {
                if (file.starts_with("-")) return Usage();
                for (corpus::Record& record : corpus::ReadFile(file)) statements.push_back(std::move(record));
            }
        }

        spltwd_context* context = nullptr;
        if (accurate || digest) {
            context = spltwd_context_create();
            if (context == nullptr || spltwd_context_set_profile(context, SPLTWD_PROFILE_ACCURATE) != 0) {
                std::cerr << "split_corpus: no context\n";
                return 1;
            }
        }
        stdout_divert::StdoutDivert divert;
        Totals totals;
        for (const corpus::Record& statement : statements) {
            if (digest)
                totals.Digest(statement.dialect, statement.text, context);
            else
                totals.Split(statement.dialect, statement.text, context);
        }
        spltwd_context_destroy(context);
        std::cout << "statements=" << totals.statements << " bytes=" << totals.bytes
                  << " words=" << totals.words << " rejected=" << totals.rejected << '\n';
    } catch (const std::exception& error) {
        std::cerr << "split_corpus: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
