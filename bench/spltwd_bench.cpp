// Throughput of the split call as a caller pays for it: every statement is
// split with its dialect, its stream walked with fetch_word and freed.
//
// The library prints debug lines on stdout for some words.  main() sends
// the C stream stdout to /dev/null and points std::cout, where Google
// Benchmark's console reporter writes, at the original standard output
// (see stdout_divert.h), so the report stays readable and --benchmark_out,
// --benchmark_format and shell redirections work as usual.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "long_statements.h"
#include "split_walk.h"
#include "stdout_divert.h"

namespace {

using Statements = std::vector<corpus::Record>;

constexpr std::size_t kLongStatementSize = std::size_t{1} << 20;

void SplitAll(benchmark::State& state, const Statements& statements) {
    std::int64_t bytes = 0;
    for (const corpus::Record& statement : statements) bytes += static_cast<std::int64_t>(statement.text.size());

    for (auto _ : state)
        for (const corpus::Record& statement : statements)
            benchmark::DoNotOptimize(split_walk::SplitWalkFree(statement.dialect, statement.text));

    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(statements.size()));
    // Per pass, untimed: a fast figure means little if the statements were
    // turned away early (";" inside a record) or ran into one long word.
    double words = 0, rejected = 0;
    for (const corpus::Record& statement : statements) {
        const split_walk::Outcome outcome = split_walk::SplitWalkFree(statement.dialect, statement.text);
        words += outcome.words;
        rejected += outcome.result < 0;
    }
    state.counters["words"] = words;
    state.counters["rejected"] = rejected;
}

void Register(const std::string& name, Statements statements) {
    benchmark::RegisterBenchmark(name.c_str(), [statements = std::move(statements)](benchmark::State& state) {
        SplitAll(state, statements);
    });
}

// Each corpus file as it is.  Returns the MySQL statements for the mixed
// long case: those of the real corpus files, or the generated ones when
// there are none, so that its figure stays comparable between runs.
std::vector<std::string> RegisterCorpusCases() {
    std::vector<std::string> generated_mysql, real_mysql;
    for (const corpus::File& file : corpus::kFiles) {
        Statements statements = corpus::ReadFile(file.path);
        std::vector<std::string>& mysql =
            std::string_view(file.name).starts_with("generated/") ? generated_mysql : real_mysql;
        for (const corpus::Record& statement : statements)
            if (statement.dialect == SPLT_WD_DIALECT_MYSQL) mysql.push_back(statement.text);
        Register(std::string("corpus/") + file.name + ".rec", std::move(statements));
    }
    return real_mysql.empty() ? generated_mysql : real_mysql;
}

void RegisterShortCases() {
    Register("short/select_1_mysql", {{SPLT_WD_DIALECT_MYSQL, "SELECT 1"}});
    constexpr std::string_view kTypicalQuery = "SELECT id, name FROM users WHERE age > 30 ORDER BY name DESC";
    static_assert(kTypicalQuery.size() == 60);
    Register("short/typical_60_bytes_mysql", {{SPLT_WD_DIALECT_MYSQL, std::string(kTypicalQuery)}});
}

void RegisterLongCases(const std::vector<std::string>& mysql_statements) {
    Register("long_1MiB/mixed_sql_mysql",
             {{SPLT_WD_DIALECT_MYSQL, long_statements::JoinedStatements(mysql_statements, kLongStatementSize)}});
    Register("long_1MiB/single_quoted_string_mysql",
             {{SPLT_WD_DIALECT_MYSQL, long_statements::Enclosed("'", "'", kLongStatementSize)}});
    Register("long_1MiB/bracketed_comment_mysql",
             {{SPLT_WD_DIALECT_MYSQL, long_statements::Enclosed("/*", "*/", kLongStatementSize)}});
    Register("long_1MiB/dollar_quoted_body_postgresql",
             {{SPLT_WD_DIALECT_POSTGRESQL, long_statements::Enclosed("$$", "$$", kLongStatementSize)}});
    Register("long_1MiB/one_byte_words_mysql",
             {{SPLT_WD_DIALECT_MYSQL, long_statements::OneByteWords(kLongStatementSize)}});
}

}  // namespace

int main(int argc, char** argv) {
    // Before the divert: --help prints its usage on stdout.
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        stdout_divert::StdoutDivert divert;
        const std::vector<std::string> mysql_statements = RegisterCorpusCases();
        RegisterShortCases();
        RegisterLongCases(mysql_statements);
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::cerr << "spltwd_bench: " << error.what() << '\n';
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
