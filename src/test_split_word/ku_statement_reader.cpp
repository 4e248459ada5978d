#include "ku_statement_reader.h"

#include <sys/types.h>

namespace {

/* The previous and the current byte.  Zero at program start and never
 * reset, so the first byte of a statement sees the last byte read for the
 * one before it. */
unsigned char array[2];

bool is_dropped_when_leading(int c)
{
    return c == ' ' || c == '\r' || c == '\n';
}

} // namespace

int64_t Ku_GetTextSqlSize(FILE *fp)
{
    if (fp == nullptr) {
        return 0;
    }
    if (fseeko(fp, 0, SEEK_END) != 0) {
        return -1;
    }
    const off_t size = ftello(fp);
    if (size < 0 || fseeko(fp, 0, SEEK_SET) != 0) {
        return -1;
    }
    return size;
}

int Ku_ReadSql(FILE *fp, MIRX_SPLIT_WD_DYNAMIC_STR *sql_tmp, int64_t *iLen)
{
    if (fp == nullptr || sql_tmp == nullptr || iLen == nullptr) {
        return -1;
    }
    const int split = ';';
    bool flag = false; /* a byte of this statement has been kept */
    for (;;) {
        /* One reader, one thread: the stream needs no locking per byte. */
        const int c = getc_unlocked(fp);
        if (c == EOF) {
            return 0;
        }
        array[0] = array[1];
        array[1] = static_cast<unsigned char>(c);
        if (!flag && is_dropped_when_leading(c)) {
            ++*iLen;
            continue;
        }
        if (flag && c == '\r' && array[0] != ' ') {
            ++*iLen;
            continue;
        }
        if (c == split) {
            return 0;
        }
        flag = true;
        const char byte = static_cast<char>(c);
        if (Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(sql_tmp, &byte, 1) != 1) {
            return -1;
        }
    }
}
