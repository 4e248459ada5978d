// Writes seed inputs for the fuzz targets from the statement corpus.
//
//   fuzz_seeds OUT_DIR [PER_DIALECT] [CORPUS_DIR]
//
// OUT_DIR/fuzz_split gets up to PER_DIALECT (default 300) statements of each
// dialect, spread evenly over the corpus, each behind its dialect prefix;
// OUT_DIR/fuzz_fetch_word gets the streams the library makes of them, and
// OUT_DIR/fuzz_accurate and OUT_DIR/fuzz_digest the statements alone (they
// split or digest each in every dialect), and OUT_DIR/fuzz_script scripts
// of a dialect's statements, ";" and the lines the clients read.
// Inputs longer than the fuzzers' -max_len are left out.  The folders are
// emptied first.  The statements are those of CORPUS_DIR (its *.rec files)
// when it is named, else the build's corpus: the generated files and those
// of the corpus folder it was configured with.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "dialect_prefix.h"
#include "mirx_sql_splt_wd.h"
#include "stdout_divert.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxInput = 4096;
constexpr std::size_t kDefaultPerDialect = 300;

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error(path.string() + ": cannot write");
}

// The stream the library makes of `statement`, or "" when it makes none.
std::string StreamOf(std::uint16_t dialect, const std::string& statement) {
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_len = static_cast<std::uint32_t>(statement.size());
    request.sql_text = const_cast<char*>(statement.data());  // only read
    std::string stream;
    if (Zoz_SQL_Split_Word(&request) > 0) stream.assign(request.sql_word, request.nSqlWordLen);
    std::free(request.sql_word);
    return stream;
}

// Every statement that fits behind a prefix, by dialect, in corpus order.
std::map<std::uint16_t, std::vector<std::string>> FittingStatements(const std::vector<fs::path>& files) {
    std::map<std::uint16_t, std::vector<std::string>> by_dialect;
    for (const fs::path& file : files)
        for (corpus::Record& record : corpus::ReadFile(file))
            if (!record.text.empty() && record.text.size() <= kMaxInput - dialect_prefix::kSize &&
                dialect_prefix::Encode(record.dialect))
                by_dialect[record.dialect].push_back(std::move(record.text));
    return by_dialect;
}

fs::path FreshFolder(const fs::path& path) {
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

std::vector<fs::path> BuildCorpusFiles() {
    std::vector<fs::path> files;
    for (const corpus::File& file : corpus::kFiles) files.emplace_back(file.path);
    return files;
}

int Run(const fs::path& out_dir, std::size_t per_dialect, const std::vector<fs::path>& corpus_files) {
    const fs::path split_dir = FreshFolder(out_dir / "fuzz_split");
    const fs::path fetch_dir = FreshFolder(out_dir / "fuzz_fetch_word");
    const fs::path accurate_dir = FreshFolder(out_dir / "fuzz_accurate");
    const fs::path digest_dir = FreshFolder(out_dir / "fuzz_digest");
    const fs::path script_dir = FreshFolder(out_dir / "fuzz_script");
    std::size_t split_seeds = 0, fetch_seeds = 0, script_seeds = 0;
    const char* const client_lines[] = {"GO\n", "/\n", "DELIMITER ;;\n", "DELIMITER ;\n", "\\connect db\n",
                                        "COPY t FROM stdin;\n1\t'a;b'\n\\.\n", "BEGIN\n"};
    for (const auto& [dialect, statements] : FittingStatements(corpus_files)) {
        const auto prefix = *dialect_prefix::Encode(dialect);
        const std::size_t count = std::min(per_dialect, statements.size());
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& statement = statements[i * statements.size() / count];
            const std::string name = std::to_string(dialect) + "-" + std::to_string(i);
            WriteFile(split_dir / name, std::string(prefix.begin(), prefix.end()) + statement);
            ++split_seeds;
            WriteFile(accurate_dir / name, statement);
            WriteFile(digest_dir / name, statement);
            const std::string stream = StreamOf(dialect, statement);
            if (stream.empty() || stream.size() > kMaxInput) continue;
            WriteFile(fetch_dir / name, stream);
            ++fetch_seeds;
        }
        // Scripts of the dialect's statements in turn, a client's line after
        // every third.
        std::string script;
        for (std::size_t i = 0; i < count; ++i) {
            std::string next = statements[i * statements.size() / count] + (i % 4 == 3 ? "\n" : ";\n");
            if (i % 3 == 2) next += client_lines[(i / 3) % std::size(client_lines)];
            if (script.size() + next.size() > kMaxInput) {
                WriteFile(script_dir / (std::to_string(dialect) + "-" + std::to_string(script_seeds++)), script);
                script.clear();
            }
            if (next.size() <= kMaxInput) script += next;
        }
        if (!script.empty())
            WriteFile(script_dir / (std::to_string(dialect) + "-" + std::to_string(script_seeds++)), script);
    }
    std::cout << "fuzz_seeds: " << split_seeds << " in " << split_dir.string() << ", " << fetch_seeds << " in "
              << fetch_dir.string() << ", " << split_seeds << " in " << accurate_dir.string() << " and in "
              << digest_dir.string() << ", " << script_seeds << " in " << script_dir.string() << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::cerr << "usage: fuzz_seeds OUT_DIR [PER_DIALECT] [CORPUS_DIR]\n";
        return 2;
    }
    try {
        const std::size_t per_dialect = argc > 2 ? std::stoul(argv[2]) : kDefaultPerDialect;
        const std::vector<fs::path> corpus_files = argc > 3 ? corpus::ListFiles(argv[3]) : BuildCorpusFiles();
        stdout_divert::StdoutDivert divert;  // the library's debug lines
        return Run(argv[1], per_dialect, corpus_files);
    } catch (const std::exception& error) {
        std::cerr << "fuzz_seeds: " << error.what() << '\n';
        return 1;
    }
}
