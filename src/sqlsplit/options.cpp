#include "options.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <thread>

#include "dialect_name.h"

namespace sqlsplit {

namespace {

constexpr std::string_view kUsage =
    "Usage: sqlsplit [OPTION]... [FILE]...\n"
    "Split SQL statements into words, each with a type and a mask.\n"
    "\n"
    "Statements come from each FILE in turn, or from standard input when no\n"
    "FILE is named (\"-\" names standard input too).  Each is cut at every \";\"\n"
    "the dialect reads as a separator (a \";\" inside a string, a quoted name, a\n"
    "comment or a body does not cut) and as the dialect's command-line client\n"
    "cuts scripts (see --script).  Blanks and line ends before a statement\n"
    "are dropped, empty statements are skipped, and statements are numbered\n"
    "from 1 across all inputs.  Words are read as the dialect's server reads\n"
    "them, every byte in one word (whitespace and comments too), each with its\n"
    "byte range in the statement.\n"
    "\n"
    "Options:\n"
    "  -d, --dialect NAME|CODE  generic (0), oracle (1), sqlserver (2), db2 (8),\n"
    "                           mysql (32, the default), postgresql (64, also\n"
    "                           postgres), informix (1024), or any code 0-65535\n"
    "                           (codes outside this list mean generic)\n"
    "  -f, --format FORMAT      table: one aligned line per word (the default)\n"
    "                           jsonl: one JSON object per statement\n"
    "                           report: the classic word report\n"
    "                           digest: one JSON object per statement with\n"
    "                           its fingerprint, kind, tables and normalised\n"
    "                           text (literals as ?, comments dropped)\n"
    "      --summary            after all inputs, instead of each statement:\n"
    "                           one line per fingerprint, most frequent first\n"
    "                           (then most bytes), with its count, share of\n"
    "                           the statements, kind, first three tables and\n"
    "                           normalised text, cut to the terminal's width\n"
    "                           (else to COLUMNS); with --format jsonl or\n"
    "                           digest, JSON Lines with its count, bytes,\n"
    "                           tables, normalised text and first statement.\n"
    "                           Memory grows with the distinct fingerprints\n"
    "                           and their texts, not with the input\n"
    "      --classic            read the words by the classic rules instead\n"
    "                           (comments dropped, blanks collapsed, no byte\n"
    "                           ranges), as test_split_word does; not with\n"
    "                           --format digest or --summary, whose digests\n"
    "                           always read the words as the server does\n"
    "      --script CLIENT      read each input as a script of a database's\n"
    "                           command-line client (auto, the default: the\n"
    "                           dialect's own, mysql, psql, sqlcmd, sqlplus or\n"
    "                           none): mysql's DELIMITER lines and backslash\n"
    "                           commands, psql's meta-commands, sqlcmd's GO\n"
    "                           lines, sqlplus's / and . lines and the two\n"
    "                           tools' own command lines are client commands,\n"
    "                           psql's rows after COPY ... FROM stdin are\n"
    "                           data, and statements end where the client\n"
    "                           ends them.\n"
    "                           auto picks mysql for mysql, psql for\n"
    "                           postgresql, sqlcmd for sqlserver, sqlplus for\n"
    "                           oracle, none for the others; none cuts at \";\"\n"
    "                           alone.  Commands and data are no statements:\n"
    "                           jsonl gives them as {\"command\":N,\"file\":..,\n"
    "                           \"start\":S,\"end\":E,\"text\":..} and {\"data\":N,\n"
    "                           \"file\":..,\"start\":S,\"end\":E,\"bytes\":B}, the\n"
    "                           table as \"== command N\" and \"== data N\" lines;\n"
    "                           report, digest and --summary leave them out.\n"
    "                           With --classic, none is the only client\n"
    "  -j, --jobs N             split the statements of large inputs on N\n"
    "                           threads (1-1024; default: one per processor);\n"
    "                           the output is the same for every N\n"
    "      --debug-lines        write the splitter's debug lines on standard\n"
    "                           error (on one thread)\n"
    "  -h, --help               show this help and exit\n"
    "      --version            show the version and exit\n"
    "\n"
    "On a terminal, inputs over 16 MiB show their progress on standard error.\n"
    "Exit status: 0 success, 1 an input could not be read or split or the\n"
    "output could not be written, 2 the command line cannot be used.\n";

std::optional<OutputFormat> parse_format(std::string_view text)
{
    if (text == "table") return OutputFormat::table;
    if (text == "jsonl") return OutputFormat::jsonl;
    if (text == "report") return OutputFormat::report;
    if (text == "digest") return OutputFormat::digest;
    return std::nullopt;
}

std::optional<std::int32_t> parse_client(std::string_view text)
{
    if (text == "auto") return SPLTWD_CLIENT_AUTO;
    if (text == "none") return SPLTWD_CLIENT_NONE;
    if (text == "mysql") return SPLTWD_CLIENT_MYSQL;
    if (text == "psql") return SPLTWD_CLIENT_PSQL;
    if (text == "sqlcmd") return SPLTWD_CLIENT_SQLCMD;
    if (text == "sqlplus") return SPLTWD_CLIENT_SQLPLUS;
    return std::nullopt;
}

std::optional<unsigned> parse_jobs(std::string_view text)
{
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs < 1 || jobs > kMostJobs) {
        return std::nullopt;
    }
    return jobs;
}

std::string quoted(std::string_view text)
{
    std::string result = "'";
    result.append(text);
    result += '\'';
    return result;
}

// An option that takes a value: "--name value", "--name=value" or "-x value".
class ValueOption {
public:
    ValueOption(std::string_view long_name, std::string_view short_name) : long_(long_name), short_(short_name) {}

    // Whether the argument is this option; its value is then taken, from
    // the argument itself or from the next one.
    bool matches(const std::vector<std::string_view> &arguments, std::size_t &index,
                 std::optional<std::string_view> &value) const
    {
        const std::string_view argument = arguments[index];
        if (argument == long_ || argument == short_) {
            if (index + 1 < arguments.size()) {
                value = arguments[++index];
            }
            return true;
        }
        if (argument.size() > long_.size() && argument.substr(0, long_.size()) == long_ &&
            argument[long_.size()] == '=') {
            value = argument.substr(long_.size() + 1);
            return true;
        }
        return false;
    }

    std::string_view name() const { return long_; }

private:
    std::string_view long_;
    std::string_view short_;
};

} // namespace

std::string parse_options(const std::vector<std::string_view> &arguments, Options &options)
{
    const ValueOption dialect_option("--dialect", "-d");
    const ValueOption format_option("--format", "-f");
    const ValueOption script_option("--script", "");
    const ValueOption jobs_option("--jobs", "-j");
    options.jobs = std::clamp(std::thread::hardware_concurrency(), 1U, kMostJobs);
    std::optional<std::string_view> script_name;
    bool options_ended = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (options_ended || argument == "-" || argument.empty() || argument[0] != '-') {
            options.inputs.emplace_back(argument);
            continue;
        }
        std::optional<std::string_view> value;
        if (argument == "--") {
            options_ended = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--classic") {
            options.classic = true;
        } else if (argument == "--debug-lines") {
            options.debug_lines = true;
        } else if (argument == "--summary") {
            options.summary = true;
        } else if (dialect_option.matches(arguments, index, value)) {
            if (!value) return "option --dialect needs a dialect name or code";
            const std::optional<std::uint16_t> dialect = parse_dialect(*value);
            if (!dialect) {
                return "unknown dialect " + quoted(*value) +
                       ": use generic, oracle, sqlserver, db2, mysql, postgresql, informix or a code 0-65535";
            }
            options.dialect = *dialect;
        } else if (format_option.matches(arguments, index, value)) {
            if (!value) return "option --format needs a format";
            const std::optional<OutputFormat> format = parse_format(*value);
            if (!format) return "unknown format " + quoted(*value) + ": use table, jsonl, report or digest";
            options.format = *format;
        } else if (script_option.matches(arguments, index, value)) {
            if (!value) return "option --script needs a client";
            const std::optional<std::int32_t> client = parse_client(*value);
            if (!client) return "unknown client " + quoted(*value) + ": use auto, none, mysql, psql, sqlcmd or sqlplus";
            options.script = *client;
            script_name = *value;
        } else if (jobs_option.matches(arguments, index, value)) {
            if (!value) return "option --jobs needs a number of threads";
            const std::optional<unsigned> jobs = parse_jobs(*value);
            if (!jobs) {
                return "bad number of threads " + quoted(*value) + ": use a whole number from 1 to " +
                       std::to_string(kMostJobs);
            }
            options.jobs = *jobs;
        } else {
            return "unknown option " + quoted(argument) + " (sqlsplit --help lists the options)";
        }
    }
    if (options.classic && (options.summary || options.format == OutputFormat::digest)) {
        return std::string(options.summary ? "--summary" : "--format digest") +
               " digests statements as the accurate profile reads them: leave out --classic";
    }
    if (options.classic) {
        if (script_name && options.script != SPLTWD_CLIENT_NONE) {
            return "--script " + std::string(*script_name) +
                   " reads scripts from the words of the accurate profile: leave out --classic, or use --script none";
        }
        options.script = SPLTWD_CLIENT_NONE;
    }
    return {};
}

std::string_view usage_text()
{
    return kUsage;
}

std::string_view version_text()
{
    return "sqlsplit " SPLTWD_VERSION "\n";
}

} // namespace sqlsplit
