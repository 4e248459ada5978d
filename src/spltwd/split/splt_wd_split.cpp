// The split call: checks the request, sets up the session and its two
// working strings, runs the scanner once and hands out the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "mirx_sql_splt_wd.h"
#include "splt_wd_debug_lines.h"
#include "splt_wd_lex.h"
#include "splt_wd_profiles.h"
#include "splt_wd_session.h"
#include "splt_wd_split_scan.h"

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

// The scanner's results, and what the split call answers for them.
constexpr int kScanDone = 1;
constexpr int kScanBadDollarTag = -1;
constexpr int kScanSeparator = kSeparatorMet;

// Each session field beside the named variable that shows it; `copy` moves
// a value one way or the other.
template <typename Copy>
void pair_variables(Session& s, Copy copy) {
    copy(s.dialect, __dialect);
    copy(s.dialect_condition, __sql_start_condition);
    copy(s.sql_len, __sql_mys_sr_sqllen);
    copy(s.words, __sql_mys_word_info);
    copy(s.pending, __sql_mys_word_tmp);
    copy(s.parse_pos, __sql_sr_mys_parsepos);
    copy(s.longest_word, __sql_single_word_len);
    copy(s.have_star, __have_star_lex);
    copy(s.dollar_tag_begin, __sql_sppg_dolq_begin);
    copy(s.dollar_tag_length, __sql_sppg_dolq_length);
    copy(s.rescan_consumed, __sql_sr_mys_coursor);
    copy(s.rescan_length, __sql_sr_mys_len);
}

// The named session variables show the default session as it stands.
void publish(Session& s) {
    pair_variables(s, [](auto& field, auto& variable) { variable = field; });
    __sql_mys_sr_sqltext = const_cast<char*>(s.sql_text);
}

void adopt_published(Session& s) {
    pair_variables(s, [](auto& field, auto& variable) { field = variable; });
    s.sql_text = __sql_mys_sr_sqltext;
}

// Runs the process-wide scanner once over the statement in the session's
// dialect, on the session's dynamic strings, for SPLT_WD_LEXER.
int scan_with_interface(Session& s, char* sql_text, std::int32_t sql_len) {
    s.dialect_condition = 0;
    splt_wd_scan_bytes(sql_text, static_cast<std::uint32_t>(sql_len));
    const DialectStates states = dialect_states(s.dialect);
    s.dialect_condition = states.dialect_condition;
    scanner_begin(default_scanner(), states.first_condition);
    s.words->alloc_increment = kGrowthStep;
    s.pending->alloc_increment = kGrowthStep;
    s.parse_pos = 0;
    s.out_of_memory = false;
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

// Scans the statement once.  With `cut`, the first separator the dialect
// reads ends the statement, and *cut gets the bytes taken up to and
// including it (all of them when there is none).  A dollar-quote tag that
// differs still fails the statement, but the scan goes on to find its end.
// Without `cut`, the accurate rules keep a separator as a word and read on.
template <class Table, class Sink>
int scan_statement(SplitScan<Table, Sink>& scan, std::uint32_t length, std::uint32_t* cut) {
    int result = scan.run();
    if (cut == nullptr) {
        if constexpr (std::is_same_v<Table, AccurateTable>) {
            while (result == kScanSeparator) {
                scan.record(scan.text(), 1, WordPair{SPLT_WD_TYPE_OTHER, 0x0080});  // the ";"
                result = scan.failed() ? kOutOfMemory : scan.run();
            }
        }
        return result;
    }
    const bool bad_tag = result == kScanBadDollarTag;
    while (result == kScanBadDollarTag) result = scan.run();
    *cut = result == kScanSeparator ? scan.offset() : length;
    if (result == kScanSeparator || result == kScanDone) result = bad_tag ? kScanBadDollarTag : kScanDone;
    return result;
}

// Who splits: the process-wide split (Zoz_SQL_Split_Word), whose session
// has no word receiver and which echoes a byte that no rule takes, or a
// context.
enum class Splitter { kProcessWide, kContext };

// Gives the caller the words of a split that succeeded: the rest of them
// to the word receiver, or all of them in one stream.  Returns the split's
// result, the stream's length; a length that the result cannot tell fails
// the split.
template <Splitter kSplitter>
int32_t hand_over_words(SQL_SPLT_WD* request, const Session& s, GrowBuffer& stream) {
    const std::uint64_t length = stream.drained() + stream.size();
    if (length == 0) return 0;
    if (length > INT32_MAX) return -1;
    if (kSplitter == Splitter::kContext && s.word_receiver != nullptr) {
        stream.drain();
    } else {
        request->sql_word = stream.hand_out();
        if (request->sql_word == nullptr) return -1;
        request->nSqlWordLen = static_cast<std::uint32_t>(length);
    }
    request->nSngWordLenMax = s.longest_word;
    request->szHaveStar = static_cast<char>(s.have_star & 0xff);
    return static_cast<int32_t>(length);
}

// The accurate rules have one start condition per dialect, and no
// sub-scanner to return from.
int accurate_condition(std::int32_t dialect) {
    using namespace accurate_rules;
    switch (dialect) {
        case SPLT_WD_DIALECT_MYSQL: return MYSQL_STATE;
        case SPLT_WD_DIALECT_ORACLE: return ORACLE_STATE;
        case SPLT_WD_DIALECT_POSTGRESQL: return POSTGRESQL_STATE;
        case SPLT_WD_DIALECT_SQLSERVER: return SQLSERVER_STATE;
        case SPLT_WD_DIALECT_DB2: return DB2_STATE;
        case SPLT_WD_DIALECT_INFORMIX: return INFORMIX_STATE;
        default: return GENERIC_STATE;
    }
}

// Short statements keep their words on the stack; see GrowBuffer.
constexpr std::size_t kStackStream = 4096;
constexpr std::size_t kStackPending = 256;

// Inlined into each split entry, whose frame it shares: a call of its own
// would cost a dozen instructions a split.
template <class Table, Splitter kSplitter>
[[gnu::always_inline]] inline int32_t scan_words(SQL_SPLT_WD* request, Session& s, int first_condition,
                                                 std::uint32_t* cut) {
    char stream_storage[kStackStream];
    char pending_storage[kStackPending];
    GrowBuffer stream(stream_storage, sizeof stream_storage, 2 * std::size_t{request->sql_len});
    GrowBuffer pending(pending_storage, sizeof pending_storage, 2 * sizeof pending_storage);
    if constexpr (kSplitter == Splitter::kContext) stream.set_drain(s.word_receiver, s.word_receiver_user);
    SplitScan<Table> scan(s, stream, pending, first_condition, kSplitter == Splitter::kProcessWide);
    const int32_t result = split_result(scan_statement(scan, request->sql_len, cut));
    return result == 0 ? hand_over_words<kSplitter>(request, s, stream) : result;
}

// Readies the session for a split of `length` bytes at `sql` by the
// accurate or the classic rules; returns the start condition.
int begin_split(Session& s, const char* sql, std::uint32_t length, std::int32_t dialect, bool accurate) {
    s.have_star = 0;
    s.longest_word = 0;
    s.sql_text = sql;
    s.sql_len = length;
    s.dialect = dialect;
    s.words = s.pending = nullptr;
    s.parse_pos = 0;
    s.out_of_memory = false;
    if (accurate) {
        // What only the accurate rules' special words keep.
        s.in_versioned_comment = false;
        s.paren_depth = 0;
        s.signs_from = s.signs_to = nullptr;
        s.dialect_condition = accurate_condition(s.dialect);
        return s.dialect_condition;
    }
    const DialectStates states = dialect_states(s.dialect);
    s.dialect_condition = states.dialect_condition;
    return states.first_condition;
}

// Splits the request by the rules of Table.
template <class Table, Splitter kSplitter = Splitter::kContext>
[[gnu::always_inline]] inline int32_t split_by(SQL_SPLT_WD* request, Session& s, std::uint32_t* cut = nullptr) {
    if (request == nullptr || request->sql_text == nullptr || request->sql_len == 0 ||
        request->sql_len > INT32_MAX)
        return -2;
    if (request->sql_word != nullptr) std::free(request->sql_word);
    request->sql_word = nullptr;
    request->nSqlWordLen = 0;
    request->szHaveStar = 0;
    constexpr bool kAccurate = std::is_same_v<Table, AccurateTable>;
    const int first_condition = begin_split(s, request->sql_text, request->sql_len, request->dialect, kAccurate);
    return scan_words<Table, kSplitter>(request, s, first_condition, cut);
}

// Splits the request by the rules of the session's profile.
int32_t split(SQL_SPLT_WD* request, Session& s, std::uint32_t* cut = nullptr) {
    if (s.profile == SPLTWD_PROFILE_ACCURATE) return split_by<AccurateTable>(request, s, cut);
    return split_by<ClassicTable>(request, s, cut);
}

}  // namespace

std::int32_t split_into_sink(Session& s, const char* sql, std::uint32_t length, std::int32_t dialect, WordSink& sink) {
    const int first_condition = begin_split(s, sql, length, dialect, true);
    // The words go to the sink: a sink's scan never touches its stream,
    // and is given the pending buffer for it.
    char pending_storage[kStackPending];
    GrowBuffer pending(pending_storage, sizeof pending_storage, 2 * sizeof pending_storage);
    const spltwd_debug_line_receiver debug_lines = s.debug_lines;
    s.debug_lines = nullptr;
    SplitScan<AccurateTable, WordSink> scan(s, pending, pending, first_condition, false);
    scan.send_words_to(&sink);
    const int result = scan_statement(scan, length, nullptr);
    s.debug_lines = debug_lines;
    sink.flush();
    return split_result(result) == 0 ? 0 : -1;
}

namespace {

// Made when the program is compiled, so that no call waits for it.
constinit Session the_default_session{.debug_lines = hold_line};

}  // namespace

Session& default_session() { return the_default_session; }

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

// The process-wide split leaves the splt_wd* scanner and its variables as
// a run of that scanner would: destroyed, and the session variables showing
// this split.
extern "C" int32_t Zoz_SQL_Split_Word(SQL_SPLT_WD* sqlSplitWord) {
    spltwd::Session& s = spltwd::default_session();
    // The default session keeps the classic profile.
    const int32_t result =
        spltwd::split_by<spltwd::ClassicTable, spltwd::Splitter::kProcessWide>(sqlSplitWord, s);
    spltwd::write_held_lines();
    if (result != -2) {
        spltwd::destroy_default_scanner();
        spltwd::publish(s);
    }
    return result;
}

extern "C" spltwd_context* spltwd_context_create(void) {
    auto* context = static_cast<spltwd_context*>(std::malloc(sizeof(spltwd_context)));
    if (context == nullptr) return nullptr;
    new (context) spltwd_context{};
    return context;
}

extern "C" void spltwd_context_destroy(spltwd_context* context) {
    if (context == nullptr) return;
    if (context->session.attachment_free != nullptr) context->session.attachment_free(context->session.attachment);
    context->~spltwd_context();
    std::free(context);
}

extern "C" void spltwd_context_set_debug_lines(spltwd_context* context, spltwd_debug_line_receiver receiver,
                                               void* user) {
    if (context == nullptr) return;
    context->session.debug_lines = receiver;
    context->session.debug_lines_user = receiver != nullptr ? user : nullptr;
}

extern "C" void spltwd_context_set_word_receiver(spltwd_context* context, spltwd_word_receiver receiver,
                                                 void* user) {
    if (context == nullptr) return;
    context->session.word_receiver = receiver;
    context->session.word_receiver_user = receiver != nullptr ? user : nullptr;
}

extern "C" int32_t spltwd_context_set_profile(spltwd_context* context, int32_t profile) {
    if (context == nullptr || (profile != SPLTWD_PROFILE_CLASSIC && profile != SPLTWD_PROFILE_ACCURATE)) return -2;
    context->session.profile = profile;
    return 0;
}

// A context has no standard output of its own: a byte that no rule takes
// (the rules leave none) is not echoed.
extern "C" int32_t spltwd_split(spltwd_context* context, SQL_SPLT_WD* sqlSplitWord) {
    if (context == nullptr) return -2;
    return spltwd::split(sqlSplitWord, context->session);
}

extern "C" int32_t spltwd_split_first(spltwd_context* context, SQL_SPLT_WD* sqlSplitWord,
                                      uint32_t* consumed) {
    if (context == nullptr || consumed == nullptr) return -2;
    *consumed = 0;
    return spltwd::split(sqlSplitWord, context->session, consumed);
}

extern "C" int32_t SPLT_WD_LEXER(char* sql_text, int32_t sql_len) {
    spltwd::Session& s = spltwd::default_session();
    spltwd::adopt_published(s);
    if (s.words == nullptr || s.pending == nullptr) return 0;
    const int result = spltwd::scan_with_interface(s, sql_text, sql_len);
    spltwd::publish(s);
    return result;
}
