// The command line of sqlsplit.
#ifndef SQLSPLIT_OPTIONS_H
#define SQLSPLIT_OPTIONS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mirx_sql_splt_wd.h"
#include "spltwd_script.h"

namespace sqlsplit {

enum class OutputFormat { table, jsonl, report, digest };

// The most threads --jobs takes.
constexpr unsigned kMostJobs = 1024;

struct Options {
    // MySQL by default: its strings and comments are the ones most scripts
    // use, and the generic mode knows neither, so it would cut inside them.
    std::uint16_t dialect = SPLT_WD_DIALECT_MYSQL;
    OutputFormat format = OutputFormat::table;
    // The accurate profile by default: statements read as the server reads
    // them; --classic gives the classic profile's words.
    bool classic = false;
    // The client whose conventions the inputs follow (SPLTWD_CLIENT_*):
    // the dialect's own by default, none with --classic.
    std::int32_t script = SPLTWD_CLIENT_AUTO;
    bool debug_lines = false;
    // The statements summed up by fingerprint after all inputs, instead of
    // each statement.
    bool summary = false;
    // Threads that split the statements of a large input (parse_options
    // sets the number of processors by default); 1: the reading thread
    // splits them itself.
    unsigned jobs = 1;
    bool help = false;
    bool version = false;
    std::vector<std::string> inputs; // "-" is standard input; none: standard input alone
};

// Fills options from the arguments after the program name.  Returns an
// empty text, or the one-line reason why the command line cannot be used.
std::string parse_options(const std::vector<std::string_view> &arguments, Options &options);

std::string_view usage_text();
// "sqlsplit", the version and a line end.
std::string_view version_text();

} // namespace sqlsplit

#endif // SQLSPLIT_OPTIONS_H
