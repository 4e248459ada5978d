// Throughput of the split call as a caller pays for it: every statement is
// split with its dialect, its stream walked with fetch_word and freed.  The
// digest cases time spltwd_digest_statement on one context, as a proxy or
// firewall calls it: typical statements of each dialect one at a time (the
// time per iteration is the time per statement), and every corpus file.
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
#include "spltwd_digest.h"
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

// Digests every statement on one context, made before the timing.
void DigestAll(benchmark::State& state, const Statements& statements) {
    std::int64_t bytes = 0;
    for (const corpus::Record& statement : statements) bytes += static_cast<std::int64_t>(statement.text.size());
    spltwd_context* context = spltwd_context_create();
    spltwd_digest digest{};
    double rejected = 0, normalized = 0;
    for (const corpus::Record& statement : statements) {
        rejected += spltwd_digest_statement(context, statement.dialect, statement.text.data(),
                                            static_cast<std::uint32_t>(statement.text.size()), &digest) != 0;
        normalized += digest.normalized_length;
    }
    for (auto _ : state) {
        for (const corpus::Record& statement : statements) {
            benchmark::DoNotOptimize(spltwd_digest_statement(context, statement.dialect, statement.text.data(),
                                                             static_cast<std::uint32_t>(statement.text.size()),
                                                             &digest));
            benchmark::DoNotOptimize(digest.fingerprint);
        }
    }
    spltwd_context_destroy(context);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(statements.size()));
    state.counters["rejected"] = rejected;
    state.counters["normalized_bytes"] = normalized;
}

void RegisterDigest(const std::string& name, Statements statements) {
    benchmark::RegisterBenchmark(name.c_str(), [statements = std::move(statements)](benchmark::State& state) {
        DigestAll(state, statements);
    });
}

// Statements of 100 to 300 bytes as applications send them.
void RegisterDigestCases() {
    const struct {
        const char* name;
        std::uint16_t dialect;
        const char* sql;
    } typical[] = {
        {"mysql_select_join", SPLT_WD_DIALECT_MYSQL,
         "SELECT u.id, u.name, o.total FROM users u JOIN orders o ON o.user_id = u.id WHERE u.status = 'active' "
         "AND o.created_at > '2024-01-01' AND o.total >= 100.50 ORDER BY o.total DESC LIMIT 20"},
        {"mysql_insert_upsert", SPLT_WD_DIALECT_MYSQL,
         "INSERT INTO `audit_log` (`user_id`, `action`, `payload`, `created_at`) VALUES (42, 'login', "
         "'{\"ip\": \"10.0.0.1\"}', NOW()), (43, 'logout', NULL, NOW()) ON DUPLICATE KEY UPDATE "
         "`action` = VALUES(`action`)"},
        {"postgresql_with_update", SPLT_WD_DIALECT_POSTGRESQL,
         "WITH recent AS (SELECT customer_id, sum(amount) AS total FROM payments WHERE paid_at > now() - "
         "interval '30 days' GROUP BY customer_id) UPDATE customers c SET tier = 'gold' FROM recent r WHERE "
         "r.customer_id = c.id AND r.total > 1000"},
        {"postgresql_select_json", SPLT_WD_DIALECT_POSTGRESQL,
         "SELECT id, data->>'name' AS name FROM \"Events\" WHERE kind = ANY($1) AND payload @> "
         "E'{\"x\": 1}'::jsonb AND id IN (1, 2, 3, 4, 5) ORDER BY created DESC LIMIT 50 -- dashboard"},
        {"oracle_select_binds", SPLT_WD_DIALECT_ORACLE,
         "SELECT e.employee_id, e.last_name, d.department_name FROM hr.employees e, hr.departments d WHERE "
         "e.department_id = d.department_id AND e.hire_date > DATE '2020-01-01' AND e.salary > :min_salary "
         "AND ROWNUM <= 100"},
        {"oracle_update_q_quote", SPLT_WD_DIALECT_ORACLE,
         "UPDATE accounts SET balance = balance - :amount, note = q'[transfer 'out']', updated_at = SYSDATE "
         "WHERE account_id = :id AND balance >= :amount"},
        {"sqlserver_select_top", SPLT_WD_DIALECT_SQLSERVER,
         "SELECT TOP 25 p.[ProductID], p.[Name], SUM(s.[Qty]) AS Sold FROM [Sales].[Orders] s WITH (NOLOCK) "
         "JOIN [dbo].[Products] p ON p.ProductID = s.ProductID WHERE s.OrderDate >= '2024-01-01' AND p.Name "
         "LIKE N'%bike%' GROUP BY p.ProductID, p.Name ORDER BY Sold DESC"},
        {"sqlserver_exec", SPLT_WD_DIALECT_SQLSERVER,
         "EXEC dbo.usp_UpdateInventory @ProductId = 1234, @Delta = -5, @Reason = N'restock', "
         "@When = '2024-06-01T10:00:00'"},
        {"db2_select_fetch", SPLT_WD_DIALECT_DB2,
         "SELECT ORDERNO, CUSTNO, AMOUNT FROM SALES.ORDERS WHERE STATUS IN ('A', 'B', 'C') AND AMOUNT > 250.00 "
         "AND REGION = G'north' FETCH FIRST 10 ROWS ONLY"},
        {"db2_merge", SPLT_WD_DIALECT_DB2,
         "MERGE INTO INVENTORY T USING (VALUES (1, 10), (2, 20)) AS S (ID, QTY) ON T.ID = S.ID WHEN MATCHED "
         "THEN UPDATE SET T.QTY = T.QTY + S.QTY WHEN NOT MATCHED THEN INSERT (ID, QTY) VALUES (S.ID, S.QTY)"},
        {"informix_select_outer", SPLT_WD_DIALECT_INFORMIX,
         "SELECT c.customer_num, c.lname, o.order_num FROM customer c, OUTER orders o WHERE c.customer_num = "
         "o.customer_num AND c.state = \"CA\" AND o.ship_charge > 10.5 { legacy report } ORDER BY c.lname"},
        {"generic_delete", 0,
         "DELETE FROM sessions WHERE last_seen < '2024-01-01 00:00:00' AND user_id NOT IN (SELECT id FROM "
         "users WHERE is_admin = 1) /* cleanup job */"},
    };
    Statements all;
    for (const auto& row : typical) {
        RegisterDigest(std::string("digest/typical/") + row.name, {{row.dialect, row.sql}});
        all.push_back({row.dialect, row.sql});
    }
    RegisterDigest("digest/typical/all_12", std::move(all));
    for (const corpus::File& file : corpus::kFiles)
        RegisterDigest(std::string("digest/corpus/") + file.name + ".rec", corpus::ReadFile(file.path));
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
        RegisterDigestCases();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::cerr << "spltwd_bench: " << error.what() << '\n';
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
