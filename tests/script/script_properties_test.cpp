// Properties of the script cursor over the statement corpus, made into
// scripts, and over the examples: for every client the pieces and the
// separators between them cover the script, and a script handed over in
// texts of any size gives the pieces it gives whole; the client "none"
// gives sqlsplit's cuts and words of before the clients, those of the
// statement cutter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "script_cutter.h"
#include "script_pieces.h"
#include "statement_cutter.h"

namespace script_test {
namespace {

using spltwd::Client;
using spltwd::Dialect;

constexpr Client kClients[] = {Client::none, Client::mysql, Client::psql, Client::sqlcmd, Client::sqlplus};

struct Script {
    std::string name;
    std::uint16_t dialect;
    std::string text;
};

// The corpus's statements, one script per file and dialect: each statement
// ends in ";" and a line feed, but every fifth, which ends in a line feed
// alone, and every seventh, which is followed by a line the clients read
// (GO, "/", a DELIMITER, a meta-command) in turn.
std::vector<Script> corpus_scripts() {
    const char* client_lines[] = {"GO\n", "/\n", "DELIMITER ;;\n", "DELIMITER ;\n", "\\connect db\n"};
    std::vector<Script> scripts;
    for (const corpus::File& file : corpus::kFiles) {
        std::map<std::uint16_t, std::string> by_dialect;
        std::size_t index = 0;
        for (const corpus::Record& record : corpus::ReadFile(file.path)) {
            std::string& text = by_dialect[record.dialect];
            text += record.text;
            text += ++index % 5 == 0 ? "\n" : ";\n";
            if (index % 7 == 0) text += client_lines[(index / 7) % 5];
        }
        for (auto& [dialect, text] : by_dialect) scripts.push_back({std::string(file.name), dialect, std::move(text)});
    }
    return scripts;
}

std::vector<Script> example_scripts() {
    const std::map<std::string, std::uint16_t> dialects = {
        {"db2", SPLT_WD_DIALECT_DB2},           {"informix", SPLT_WD_DIALECT_INFORMIX},
        {"mysql", SPLT_WD_DIALECT_MYSQL},       {"oracle", SPLT_WD_DIALECT_ORACLE},
        {"postgresql", SPLT_WD_DIALECT_POSTGRESQL}, {"sqlserver", SPLT_WD_DIALECT_SQLSERVER}};
    std::vector<Script> scripts;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(SPLTWD_SOURCE_DIR) / "examples")) {
        if (entry.path().extension() != ".sql" && entry.path().extension() != ".log") continue;
        std::uint16_t dialect = SPLT_WD_DIALECT_MYSQL;
        for (const auto& [prefix, code] : dialects)
            if (entry.path().stem().string().rfind(prefix, 0) == 0) dialect = code;
        std::ifstream in(entry.path(), std::ios::binary);
        scripts.push_back({entry.path().filename().string(), dialect,
                           std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
    return scripts;
}

TEST(ScriptProperties, PiecesCoverEveryScriptForEveryClientAndLikewiseInTexts) {
    std::vector<Script> scripts = corpus_scripts();
    for (Script& example : example_scripts()) scripts.push_back(std::move(example));
    ASSERT_GE(scripts.size(), 7u);
    std::mt19937 random(18);
    std::size_t checked = 0;
    for (const Script& script : scripts) {
        for (const Client client : kClients) {
            const std::string label = script.name + ", dialect " + std::to_string(script.dialect) + ", client " +
                                      std::to_string(static_cast<int>(client));
            std::int32_t code = 0;
            const std::vector<spltwd::ScriptPiece> pieces =
                spltwd::script_pieces(script.text, static_cast<Dialect>(script.dialect), client, &code);
            EXPECT_EQ(code, 0) << label;
            EXPECT_EQ(coverage_faults(script.text, pieces, client), "") << label;
            std::vector<Range> whole;
            for (const spltwd::ScriptPiece& piece : pieces)
                whole.push_back({static_cast<std::int32_t>(piece.kind), piece.start, piece.end});
            // Texts of a few bytes up to many statements.
            const std::size_t step = std::uniform_int_distribution<std::size_t>(1, 64 << 10)(random);
            EXPECT_TRUE(pieces_in_texts(script.text, static_cast<Dialect>(script.dialect), client, step) == whole) << label << ", texts of " << step << " bytes";
            ++checked;
        }
    }
    std::cout << "[ checked  ] " << checked << " scripts and clients\n";
}

struct ContextDeleter {
    void operator()(spltwd_context* context) const { spltwd_context_destroy(context); }
};

struct CutWords {
    std::string text;
    std::uint64_t start;
    std::int32_t result;
    std::uint64_t word_count;
    std::vector<std::string> words;
    bool operator==(const CutWords&) const = default;
};

std::string word_line(const sqlsplit::CutWord& word) {
    return std::string(word.text) + "|" + std::to_string(word.type) + "|" + std::to_string(word.mask) + "|" +
           std::to_string(word.start) + "-" + std::to_string(word.end);
}

// sqlsplit's statements before the clients: the statement cutter's, with
// statements of comments alone skipped.
std::vector<CutWords> statement_cutter_cuts(spltwd_context* context, const Script& script) {
    std::vector<CutWords> cuts;
    sqlsplit::StatementCutter cutter(context, script.dialect, script.text);
    cutter.skip_statements_without_sql();
    sqlsplit::CutStatement statement;
    while (cutter.next(statement) == sqlsplit::StatementCutter::Step::statement) {
        CutWords cut{std::string(statement.text), statement.start, statement.result, statement.word_count, {}};
        cutter.each_word([&cut](const sqlsplit::CutWord& word) { cut.words.push_back(word_line(word)); });
        cuts.push_back(std::move(cut));
    }
    return cuts;
}

std::vector<CutWords> script_cutter_cuts(spltwd_context* context, const Script& script, std::size_t kept_records) {
    std::vector<CutWords> cuts;
    sqlsplit::ScriptCutter cutter(context, script.dialect, SPLTWD_CLIENT_NONE, true, kept_records);
    cutter.set_input(script.text, false);
    sqlsplit::CutPiece piece;
    while (cutter.next(piece) == sqlsplit::ScriptCutter::Step::piece) {
        EXPECT_EQ(static_cast<int>(piece.kind), static_cast<int>(sqlsplit::CutPiece::Kind::statement));
        const sqlsplit::CutStatement& statement = piece.statement;
        CutWords cut{std::string(statement.text), statement.start, statement.result, statement.word_count, {}};
        cutter.each_word([&cut](const sqlsplit::CutWord& word) { cut.words.push_back(word_line(word)); });
        cuts.push_back(std::move(cut));
    }
    return cuts;
}

TEST(ScriptProperties, NoneGivesTheStatementCuttersStatementsAndWords) {
    const std::unique_ptr<spltwd_context, ContextDeleter> context(spltwd_context_create());
    ASSERT_TRUE(context);
    spltwd_context_set_profile(context.get(), SPLTWD_PROFILE_ACCURATE);
    std::vector<Script> scripts = example_scripts();
    // A generated script per dialect, the corpus's.
    for (Script& script : corpus_scripts())
        if (script.name.rfind("generated/", 0) == 0) scripts.push_back(std::move(script));
    for (const Script& script : scripts) {
        const std::vector<CutWords> expected = statement_cutter_cuts(context.get(), script);
        EXPECT_FALSE(expected.empty()) << script.name;
        // Words kept from the cut, and words split again.
        for (const std::size_t kept : {sqlsplit::StatementCutter::kKeptRecords, std::size_t{0}}) {
            const std::vector<CutWords> got = script_cutter_cuts(context.get(), script, kept);
            ASSERT_EQ(got.size(), expected.size()) << script.name;
            for (std::size_t i = 0; i < got.size(); ++i)
                ASSERT_TRUE(got[i] == expected[i]) << script.name << ", statement " << i + 1 << " at " << expected[i].start;
        }
    }
}

}  // namespace
}  // namespace script_test
