// The split call: checks the request, sets up the session and its two
// working strings, runs the scanner once and hands out the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "mirx_sql_splt_wd.h"
#include "splt_wd_lex.h"
#include "splt_wd_session.h"

int32_t __dialect = 0;
int32_t __sql_start_condition = 0;
char* __sql_mys_sr_sqltext = nullptr;
uint32_t __sql_mys_sr_sqllen = 0;
MIRX_SPLIT_WD_DYNAMIC_STR* __sql_mys_word_info = nullptr;
MIRX_SPLIT_WD_DYNAMIC_STR* __sql_mys_word_tmp = nullptr;
int32_t __sql_sr_mys_parsepos = 0;
uint32_t __sql_single_word_len = 0;
int32_t __have_star_lex = 0;
uint32_t __sql_sppg_dolq_begin = 0;
int32_t __sql_sppg_dolq_length = 0;
uint32_t __sql_sr_mys_coursor = 0;
uint32_t __sql_sr_mys_len = 0;

namespace spltwd {
namespace {

constexpr std::uint32_t kGrowthStep = 128;
constexpr std::uint32_t kPendingCapacity = 128;

// The scanner's results, and what the split call answers for them.
constexpr int kScanDone = 1;
constexpr int kScanBadDollarTag = -1;
constexpr int kScanSeparator = -2;

// The named session variables show the default session as it stands.
void publish(const Session& s) {
    __dialect = s.dialect;
    __sql_start_condition = s.dialect_condition;
    __sql_mys_sr_sqltext = const_cast<char*>(s.sql_text);
    __sql_mys_sr_sqllen = s.sql_len;
    __sql_mys_word_info = s.words;
    __sql_mys_word_tmp = s.pending;
    __sql_sr_mys_parsepos = s.parse_pos;
    __sql_single_word_len = s.longest_word;
    __have_star_lex = s.have_star;
    __sql_sppg_dolq_begin = s.dollar_tag_begin;
    __sql_sppg_dolq_length = s.dollar_tag_length;
    __sql_sr_mys_coursor = s.rescan_consumed;
    __sql_sr_mys_len = s.rescan_length;
}

void adopt_published(Session& s) {
    s.dialect = __dialect;
    s.dialect_condition = __sql_start_condition;
    s.sql_text = __sql_mys_sr_sqltext;
    s.sql_len = __sql_mys_sr_sqllen;
    s.words = __sql_mys_word_info;
    s.pending = __sql_mys_word_tmp;
    s.parse_pos = __sql_sr_mys_parsepos;
    s.longest_word = __sql_single_word_len;
    s.have_star = __have_star_lex;
    s.dollar_tag_begin = __sql_sppg_dolq_begin;
    s.dollar_tag_length = __sql_sppg_dolq_length;
    s.rescan_consumed = __sql_sr_mys_coursor;
    s.rescan_length = __sql_sr_mys_len;
}

MIRX_SPLIT_WD_DYNAMIC_STR* new_working_string(std::uint32_t capacity, int32_t& failure) {
    auto* str = static_cast<MIRX_SPLIT_WD_DYNAMIC_STR*>(std::calloc(1, sizeof(MIRX_SPLIT_WD_DYNAMIC_STR)));
    if (str == nullptr) {
        failure = -1;
        return nullptr;
    }
    if (Mirx_Splt_Wd_Init_Dynamic_String(str, "", capacity, kGrowthStep) < 0) {
        std::free(str);
        failure = -3;
        return nullptr;
    }
    return str;
}

void release(MIRX_SPLIT_WD_DYNAMIC_STR*& str) {
    if (str == nullptr) return;
    Mirx_Splt_Wd_DynStr_Free(str);
    std::free(str);
    str = nullptr;
}

// Runs a scanner once over the statement in the session's dialect: the
// process-wide one through the splt_wd* interface, so that its variables
// show what a split did, or a context's own.
//
// With `cut`, a context's scan treats the first separator the dialect reads
// as the end of the statement and stores in *cut the bytes taken up to and
// including it (all of them when there is none).  A dollar-quote tag that
// differs still fails the statement, but the scan goes on to find its end.
int scan(Session& s, Scanner* own, char* sql_text, std::int32_t sql_len, std::uint32_t* cut = nullptr) {
    s.dialect_condition = 0;
    const auto length = static_cast<std::uint32_t>(sql_len);
    if (own) scanner_scan_bytes(*own, sql_text, length);
    else splt_wd_scan_bytes(sql_text, length);
    const DialectStates states = dialect_states(s.dialect);
    s.dialect_condition = states.dialect_condition;
    scanner_begin(own ? *own : default_scanner(), states.first_condition);
    s.words->alloc_increment = kGrowthStep;
    s.pending->alloc_increment = kGrowthStep;
    s.parse_pos = 0;
    s.out_of_memory = false;
    if (own) {
        int result = scanner_lex(*own, sql_action, &s);
        if (cut) {
            const bool bad_tag = result == kScanBadDollarTag;
            while (result == kScanBadDollarTag) result = scanner_lex(*own, sql_action, &s);
            *cut = result == kScanSeparator ? static_cast<std::uint32_t>(scanner_offset(*own)) : length;
            if (result == kScanSeparator || result == kScanDone) result = bad_tag ? kScanBadDollarTag : kScanDone;
        }
        scanner_destroy(*own);
        return result;
    }
    const int result = splt_wdlex();
    splt_wdlex_destroy();
    return result;
}

int32_t split_result(int scan_result) {
    switch (scan_result) {
        case kScanDone: return 0;
        case kScanBadDollarTag: return -5;
        case kScanSeparator: return -6;
        case kOutOfMemory: return -1;
        default: return -4;
    }
}

int32_t split(SQL_SPLT_WD* request, Session& s, Scanner* own, std::uint32_t* cut = nullptr) {
    if (request == nullptr || request->sql_text == nullptr || request->sql_len == 0 ||
        request->sql_len > INT32_MAX)
        return -2;
    std::free(request->sql_word);
    request->sql_word = nullptr;
    request->nSqlWordLen = 0;
    request->szHaveStar = 0;

    s.have_star = 0;
    s.longest_word = 0;
    int32_t failure = 0;
    s.pending = new_working_string(kPendingCapacity, failure);
    if (s.pending == nullptr) return failure;
    s.words = new_working_string(2 * request->sql_len, failure);
    if (s.words == nullptr) {
        release(s.pending);
        return failure;
    }
    s.sql_text = request->sql_text;
    s.sql_len = request->sql_len;
    s.dialect = request->dialect;
    if (!own) publish(s);

    int32_t result =
        split_result(scan(s, own, request->sql_text, static_cast<std::int32_t>(request->sql_len), cut));
    if (result == 0 && s.words->length != 0) {
        request->sql_word = static_cast<char*>(std::malloc(s.words->length));
        if (request->sql_word == nullptr) {
            result = -1;
        } else {
            std::memcpy(request->sql_word, s.words->str, s.words->length);
            request->nSqlWordLen = s.words->length;
            request->nSngWordLenMax = s.longest_word;
            request->szHaveStar = static_cast<char>(s.have_star & 0xff);
            result = static_cast<int32_t>(s.words->length);
        }
    }
    release(s.words);
    release(s.pending);
    if (!own) publish(s);
    return result;
}

}  // namespace

Session& default_session() {
    static Session session;
    return session;
}

DialectStates dialect_states(std::int32_t dialect) {
    switch (dialect) {
        case SPLT_WD_DIALECT_MYSQL: return {20, 20};
        case SPLT_WD_DIALECT_ORACLE: return {21, 21};
        case SPLT_WD_DIALECT_POSTGRESQL: return {22, 22};
        case SPLT_WD_DIALECT_SQLSERVER: return {23, 23};
        case SPLT_WD_DIALECT_DB2: return {23, 24};
        case SPLT_WD_DIALECT_INFORMIX: return {23, 25};
        default: return {0, 0};
    }
}

}  // namespace spltwd

// A context is a session and a scanner of its own: splits on different
// contexts share nothing but the constant tables.
struct spltwd_context {
    spltwd::Session session;
    spltwd::Scanner scanner;
};

extern "C" int32_t Zoz_SQL_Split_Word(SQL_SPLT_WD* sqlSplitWord) {
    return spltwd::split(sqlSplitWord, spltwd::default_session(), nullptr);
}

extern "C" spltwd_context* spltwd_context_create(void) {
    auto* context = static_cast<spltwd_context*>(std::malloc(sizeof(spltwd_context)));
    if (context == nullptr) return nullptr;
    new (context) spltwd_context{};
    context->scanner.tables = &spltwd::sql_tables;
    return context;
}

extern "C" void spltwd_context_destroy(spltwd_context* context) {
    if (context == nullptr) return;
    spltwd::scanner_destroy(context->scanner);
    context->~spltwd_context();
    std::free(context);
}

extern "C" int32_t spltwd_split(spltwd_context* context, SQL_SPLT_WD* sqlSplitWord) {
    if (context == nullptr) return -2;
    return spltwd::split(sqlSplitWord, context->session, &context->scanner);
}

extern "C" int32_t spltwd_split_first(spltwd_context* context, SQL_SPLT_WD* sqlSplitWord,
                                      uint32_t* consumed) {
    if (context == nullptr || consumed == nullptr) return -2;
    *consumed = 0;
    return spltwd::split(sqlSplitWord, context->session, &context->scanner, consumed);
}

extern "C" int32_t SPLT_WD_LEXER(char* sql_text, int32_t sql_len) {
    spltwd::Session& s = spltwd::default_session();
    spltwd::adopt_published(s);
    if (s.words == nullptr || s.pending == nullptr) return 0;
    const int result = spltwd::scan(s, nullptr, sql_text, sql_len);
    spltwd::publish(s);
    return result;
}
