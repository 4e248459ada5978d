#include "ku_command_line.h"

#include <cstdio>
#include <cstring>

#include "ku_error.h"

namespace {

constexpr int kArgumentCount = 7; /* the program and three option pairs */
constexpr unsigned long kMaxDialect = 65535;

const char *const kUsageAfterFirstLine[] = {
    "dbvalue:",
    "\t\t1-oracle",
    "\t\t2-sqlserver",
    "\t\t8-db2",
    "\t\t32-mysql",
    "\t\t64-postgres",
    "\t\t1024-informix",
    "infile:",
    "\t\tinput sql file",
    "outfile:",
    "\t\toutput result file",
};

/* The name the program was invoked by, so that the usage shows a command
 * that works; a caller may pass none. */
const char *program_name(int argc, const char *const argv[])
{
    return argc > 0 && argv[0] != nullptr && argv[0][0] != '\0' ? argv[0] : "test_split_word";
}

void print_usage(const char *program)
{
    std::printf("Usage:%s -d dbvalue -i infile -o outfile\n", program);
    for (const char *line : kUsageAfterFirstLine) {
        std::puts(line);
    }
}

/* Digits only: a typo such as "3z" or "-32" must not quietly select the
 * generic mode the way a lenient conversion would. */
bool parse_dialect(const char *text, int *dialect)
{
    if (*text == '\0') {
        return false;
    }
    unsigned long value = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > kMaxDialect) {
            return false;
        }
    }
    *dialect = static_cast<int>(value);
    return true;
}

/* A name that does not fit is refused: a shortened name would open some
 * other file. */
bool copy_file_name(const char *role, const char *name, char (&buffer)[1024])
{
    const size_t length = std::strlen(name);
    if (length >= sizeof buffer) {
        Ku_PrintError("%s file name is longer than %zu bytes", role, sizeof buffer - 1);
        return false;
    }
    std::memcpy(buffer, name, length + 1);
    return true;
}

} // namespace

int Ku_ParseCommandLine(int argc, const char *const argv[], Ku_CommandLine *cmd)
{
    if (argc != kArgumentCount) {
        print_usage(program_name(argc, argv));
        return KU_EXIT_USAGE;
    }
    std::memset(cmd, 0, sizeof *cmd);
    bool have_src = false;
    bool have_dest = false;
    /* The count is odd, so every option position has a value after it. */
    for (int i = 1; i < argc; i += 2) {
        const char *option = argv[i];
        const char *value = argv[i + 1];
        if (std::strcmp(option, "-i") == 0) {
            if (!copy_file_name("input", value, cmd->file_src)) {
                return KU_EXIT_USAGE;
            }
            have_src = true;
        } else if (std::strcmp(option, "-o") == 0) {
            if (!copy_file_name("output", value, cmd->file_dest)) {
                return KU_EXIT_USAGE;
            }
            have_dest = true;
        } else if (std::strcmp(option, "-d") == 0) {
            if (!parse_dialect(value, &cmd->iDbType)) {
                Ku_PrintError("invalid dialect '%s': expected a decimal number from 0 to 65535", value);
                return KU_EXIT_USAGE;
            }
        } else {
            Ku_PrintError("unexpected argument '%s'", option);
            return KU_EXIT_USAGE;
        }
    }
    if (!have_src || !have_dest) {
        Ku_PrintError("missing option %s", have_src ? "-o outfile" : "-i infile");
        return KU_EXIT_USAGE;
    }
    return KU_EXIT_SUCCESS;
}
