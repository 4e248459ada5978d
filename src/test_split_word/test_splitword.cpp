/*
 * test_split_word: splits the ";"-separated statements of an input file
 * with the word splitter and appends a report of every word to an output
 * file.
 *
 * Exit status: 0 when the run succeeded, 1 when a file, a buffer or a write
 * failed or a split ran out of memory, 2 when the command line cannot be
 * used.
 */
#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ku_buffer.h"
#include "ku_command_line.h"
#include "ku_error.h"
#include "ku_statement_reader.h"
#include "ku_word_report.h"
#include "mirx_splt_wd_dynamic_string.h"

namespace {

constexpr uint32_t kBufferStep = 512;

FILE *open_input(const char *file_src)
{
    FILE *fp_src = std::fopen(file_src, "r");
    if (fp_src == nullptr) {
        Ku_PrintError("cannot open input file '%s': %s", file_src, std::strerror(errno));
        return nullptr;
    }
    /* Some file systems report a directory's size as 0, which would make
     * the run end quietly before the first read could fail. */
    struct stat status;
    if (fstat(fileno(fp_src), &status) == 0 && S_ISDIR(status.st_mode)) {
        Ku_PrintError("cannot open input file '%s': %s", file_src, std::strerror(EISDIR));
        std::fclose(fp_src);
        return nullptr;
    }
    return fp_src;
}

FILE *open_output(const char *file_dest)
{
    /* The report is added to the end of an existing file. */
    FILE *fp_dest = std::fopen(file_dest, "a+");
    if (fp_dest == nullptr) {
        Ku_PrintError("cannot open output file '%s': %s", file_dest, std::strerror(errno));
    }
    return fp_dest;
}

/* Reads statement after statement and reports each non-empty one.  A
 * seekable input is read up to the size it had at the start, so that an
 * output file that is also the input does not feed the run forever.
 * Returns the exit status. */
int report_statements(FILE *fp_src, const char *file_src, MIRX_SPLIT_WD_DYNAMIC_STR *_sql_read_tmp,
                      Ku_Report *report)
{
    const int64_t iSize = Ku_GetTextSqlSize(fp_src);
    int64_t iSqlLen = 0;
    int status = KU_EXIT_SUCCESS;
    while ((iSize < 0 || iSqlLen < iSize) && !std::feof(fp_src)) {
        if (Ku_ReadSql(fp_src, _sql_read_tmp, &iSqlLen) != 0) {
            Ku_PrintError("out of memory reading input file '%s'", file_src);
            status = KU_EXIT_FAILURE;
            break;
        }
        if (std::ferror(fp_src)) {
            Ku_PrintError("cannot read input file '%s': %s", file_src, std::strerror(errno));
            status = KU_EXIT_FAILURE;
            break;
        }
        if (_sql_read_tmp->length > 0 && !Ku_ReportStatement(report, _sql_read_tmp)) {
            Ku_PrintError("out of memory writing the report of statement %" PRId64, report->count);
            status = KU_EXIT_FAILURE;
            break;
        }
        iSqlLen += int64_t{_sql_read_tmp->length} + 1;
        Ku_EmptyBuffer(_sql_read_tmp);
    }
    Ku_WritePendingReport(report);
    return report->write_failed || report->split_out_of_memory ? KU_EXIT_FAILURE : status;
}

/* Opens both files, runs the statements through the report and closes the
 * files.  Returns the exit status. */
int run(const Ku_CommandLine &cmd, MIRX_SPLIT_WD_DYNAMIC_STR *_sql_read_tmp, MIRX_SPLIT_WD_DYNAMIC_STR *_sql_write_tmp)
{
    FILE *fp_src = open_input(cmd.file_src);
    if (fp_src == nullptr) {
        return KU_EXIT_FAILURE;
    }
    FILE *fp_dest = open_output(cmd.file_dest);
    if (fp_dest == nullptr) {
        std::fclose(fp_src);
        return KU_EXIT_FAILURE;
    }
    Ku_Report report{fp_dest, _sql_write_tmp, cmd.iDbType, 0, false, false};
    int status = report_statements(fp_src, cmd.file_src, _sql_read_tmp, &report);
    std::fclose(fp_src);
    /* Buffered report text reaches the file only here. */
    if (std::fclose(fp_dest) != 0) {
        Ku_PrintError("cannot write output file '%s': %s", cmd.file_dest, std::strerror(errno));
        status = KU_EXIT_FAILURE;
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    Ku_CommandLine cmd;
    const int usage = Ku_ParseCommandLine(argc, argv, &cmd);
    if (usage != KU_EXIT_SUCCESS) {
        return usage;
    }
    MIRX_SPLIT_WD_DYNAMIC_STR _sql_read_tmp{};
    MIRX_SPLIT_WD_DYNAMIC_STR _sql_write_tmp{};
    int status = KU_EXIT_FAILURE;
    if (Mirx_Splt_Wd_Init_Dynamic_String(&_sql_read_tmp, "", kBufferStep, kBufferStep) == 1 &&
        Mirx_Splt_Wd_Init_Dynamic_String(&_sql_write_tmp, "", kBufferStep, kBufferStep) == 1) {
        status = run(cmd, &_sql_read_tmp, &_sql_write_tmp);
    } else {
        Ku_PrintError("cannot create buffer: %s", std::strerror(ENOMEM));
    }
    Mirx_Splt_Wd_DynStr_Free(&_sql_read_tmp);
    Mirx_Splt_Wd_DynStr_Free(&_sql_write_tmp);
    return status;
}
