#include "split_harness.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

namespace split_test {
namespace {

const std::set<std::uint16_t> kWordTypes = {2,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                            20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 66};

const std::set<std::uint16_t> kWordMasks = {0x0002, 0x0004, 0x0008, 0x0010, 0x0011, 0x0028, 0x0040, 0x0042,
                                            0x0080, 0x0090, 0x0104, 0x0200, 0x0280, 0x0304, 0x0411, 0x0811};

constexpr std::uint32_t kUnwrittenLongest = 0xA5A5A5A5u;
constexpr std::uint32_t kUnwrittenLength = 0x5A5A5A5Au;
constexpr char kUnwrittenStar = 7;

template <typename T>
T read_at(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::string escaped(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

bool is_star_word(const Word& w) { return w.type == SPLT_WD_TYPE_STAR || w.type == SPLT_WD_TYPE_STAR_NAME; }

bool is_pseudo_column(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return upper == "ROWNUM" || upper == "ROWID" || upper == "SYSDATE";
}

// Walks the stream by its format and with fetch_word side by side; they must agree.
void walk_stream(const SQL_SPLT_WD& req, std::ostringstream& faults, const std::function<void(const Word&)>& visit,
                 bool& saw_star, std::uint32_t& longest) {
    SQL_SPLT_WD walker = req;
    Fetch_Word_Step step{0, 0};
    const char* base = req.sql_word;
    std::uint32_t offset = 0;
    std::uint32_t last_record = 0;
    std::size_t records = 0;
    while (offset < req.nSqlWordLen) {
        if (req.nSqlWordLen - offset < 8) {
            faults << "stream ends inside a record at offset " << offset << "; ";
            return;
        }
        const std::uint32_t len = read_at<std::uint32_t>(base + offset);
        if (req.nSqlWordLen - offset - 8 < len) {
            faults << "record at offset " << offset << " runs past the stream; ";
            return;
        }
        Word word{std::string(base + offset + 4, len), read_at<std::uint16_t>(base + offset + 4 + len),
                  read_at<std::uint16_t>(base + offset + 6 + len)};
        Word_Info info{};
        if (fetch_word(&walker, &step, &info) != 0 || info.word_len != reinterpret_cast<const std::uint32_t*>(base + offset) ||
            info.word_name != base + offset + 4 ||
            info.word_type != reinterpret_cast<const std::uint16_t*>(base + offset + 4 + len) ||
            info.word_mask_type != reinterpret_cast<const std::uint16_t*>(base + offset + 6 + len) ||
            step.prep_cursor != static_cast<std::int32_t>(offset)) {
            faults << "fetch_word disagrees with the record at offset " << offset << "; ";
            return;
        }
        if (!kWordTypes.contains(word.type)) faults << "record " << records << " has type " << word.type << "; ";
        if (!kWordMasks.contains(word.mask)) faults << "record " << records << " has mask " << word.mask << "; ";
        saw_star = saw_star || is_star_word(word);
        longest = std::max(longest, len);
        if (visit) visit(word);
        last_record = offset;
        offset += 8 + len;
        ++records;
    }
    Word_Info info{};
    if (fetch_word(&walker, &step, &info) != -1 || info.word_len || info.word_name || info.word_type ||
        info.word_mask_type) {
        faults << "fetch_word goes on after the last record; ";
    }
    if (step.cursor != static_cast<std::int32_t>(req.nSqlWordLen) ||
        step.prep_cursor != static_cast<std::int32_t>(last_record)) {
        faults << "fetch_word ends with cursor " << step.cursor << " and prep_cursor " << step.prep_cursor << "; ";
    }
}

void check_no_stream(const SQL_SPLT_WD& before, const SQL_SPLT_WD& after, std::int32_t result,
                     std::ostringstream& faults) {
    if (result != 0 && result != -1 && result != -3 && result != -4 && result != -5 && result != -6)
        faults << "result " << result << " is no result of the split call; ";
    if (after.sql_word != nullptr || after.nSqlWordLen != 0) {
        faults << "a stream is left after result " << result << "; ";
        return;
    }
    if (after.szHaveStar != 0) faults << "szHaveStar is " << int(after.szHaveStar) << " without a stream; ";
    if (after.nSngWordLenMax != before.nSngWordLenMax) faults << "nSngWordLenMax written without a stream; ";
    SQL_SPLT_WD walker = after;
    Fetch_Word_Step step{3, 5};
    Word_Info info{};
    if (fetch_word(&walker, &step, &info) != -1 || info.word_len || info.word_name || info.word_type ||
        info.word_mask_type || step.cursor != 3 || step.prep_cursor != 5)
        faults << "fetch_word finds a record where there is no stream; ";
}

void check_stream(const SQL_SPLT_WD& after, std::int32_t result, std::ostringstream& faults,
                  const std::function<void(const Word&)>& visit) {
    if (after.sql_word == nullptr || after.nSqlWordLen != static_cast<std::uint32_t>(result)) {
        faults << "result " << result << " but nSqlWordLen " << after.nSqlWordLen << "; ";
        return;
    }
    bool saw_star = false;
    std::uint32_t longest = 0;
    walk_stream(after, faults, visit, saw_star, longest);
    if (after.nSngWordLenMax != longest)
        faults << "nSngWordLenMax " << after.nSngWordLenMax << " but the longest word has " << longest << " bytes; ";
    if (after.szHaveStar != (saw_star ? 1 : 0))
        faults << "szHaveStar " << int(after.szHaveStar) << " disagrees with the star words of the stream; ";
}

std::string dialect_label(std::uint16_t dialect) {
    switch (dialect) {
        case ORA: return "ora";
        case MSS: return "mss";
        case DB2: return "db2";
        case MY: return "my";
        case PG: return "pg";
        case IFX: return "ifx";
        default: return "gen" + std::to_string(dialect);
    }
}

}  // namespace

void PrintTo(const Word& word, std::ostream* os) {
    *os << "{\"" << escaped(word.text) << "\", " << word.type << ", 0x" << std::hex << word.mask << std::dec << "}";
}

void PrintTo(const Case& c, std::ostream* os) { *os << dialect_label(c.dialect) << " \"" << escaped(c.sql) << "\""; }

Words operator+(Words head, const Words& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Cases operator+(Cases head, const Cases& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Word quoted(std::uint16_t dialect, std::string text) {
    if (dialect == ORA || dialect == MSS || dialect == DB2) return nm(std::move(text));
    return dq(std::move(text));
}

Words others(std::string_view bytes) {
    Words words;
    for (char c : bytes) words.push_back(oth(std::string(1, c)));
    return words;
}

std::string request_faults(const SQL_SPLT_WD& before, const SQL_SPLT_WD& after, std::int32_t result,
                           const std::function<void(const Word&)>& visit) {
    std::ostringstream faults;
    if (result == -2) {
        if (std::memcmp(&before, &after, sizeof before) != 0) faults << "a refused request was changed; ";
        return faults.str();
    }
    if (after.dialect != before.dialect || after.sql_len != before.sql_len || after.sql_text != before.sql_text)
        faults << "an input field was changed; ";
    if (result > 0) {
        check_stream(after, result, faults, visit);
    } else {
        check_no_stream(before, after, result, faults);
    }
    return faults.str();
}

SQL_SPLT_WD fresh_request(std::uint16_t dialect, std::string_view sql) {
    SQL_SPLT_WD req{};
    req.dialect = dialect;
    req.sql_len = static_cast<std::uint32_t>(sql.size());
    req.sql_text = const_cast<char*>(sql.data());
    req.nSqlWordLen = kUnwrittenLength;
    req.szHaveStar = kUnwrittenStar;
    req.nSngWordLenMax = kUnwrittenLongest;
    return req;
}

Outcome split(std::uint16_t dialect, std::string_view sql) {
    // The library must not rely on a terminating zero, so the text gets none.
    std::vector<char> text(sql.begin(), sql.end());
    SQL_SPLT_WD req = fresh_request(dialect, std::string_view(text.data(), text.size()));
    const SQL_SPLT_WD before = req;
    Outcome outcome;
    testing::internal::CaptureStdout();
    outcome.result = Zoz_SQL_Split_Word(&req);
    outcome.out = testing::internal::GetCapturedStdout();
    outcome.faults = request_faults(before, req, outcome.result, [&](const Word& w) { outcome.words.push_back(w); });
    outcome.have_star = req.szHaveStar == 1;
    outcome.longest = req.nSngWordLenMax;
    std::free(req.sql_word);
    return outcome;
}

std::string debug_lines_of(std::uint16_t dialect, const Words& words) {
    std::string out;
    for (const Word& w : words) {
        if (w.type == SPLT_WD_TYPE_COMPARISON) {
            out += "66-splt_wdtext:" + w.text + "\n";
        } else if (w.type == SPLT_WD_TYPE_NAME && is_pseudo_column(w.text)) {
            out += "612-splt_wdtext:" + w.text + "\n";
        } else if (dialect == ORA && w.type == SPLT_WD_TYPE_KEYWORD && w.mask == 0x0080) {
            // In Oracle only the reserved-word table records (2, 0x0080).
            out += "splt_wdtext:" + w.text + "\n";
        }
    }
    return out;
}

std::int32_t stream_length_of(const Words& words) {
    std::int32_t length = 0;
    for (const Word& w : words) length += 8 + static_cast<std::int32_t>(w.text.size());
    return length;
}

Cases in_dialects(std::initializer_list<std::uint16_t> dialects, const std::string& sql, const Words& words,
                  std::int32_t result) {
    Cases cases;
    for (std::uint16_t d : dialects) cases.push_back(Case{d, sql, words, result});
    return cases;
}

void expect_case(const Case& c) {
    const Outcome got = split(c.dialect, c.sql);
    EXPECT_EQ(got.faults, "");
    const bool expect_words = c.result == kWords;
    EXPECT_EQ(got.result, expect_words ? stream_length_of(c.words) : c.result);
    EXPECT_EQ(got.words, expect_words ? c.words : Words{});
    if (c.out) {
        EXPECT_EQ(got.out, *c.out);
    } else if (expect_words) {
        EXPECT_EQ(got.out, debug_lines_of(c.dialect, c.words));
    }
}

std::string case_name(const testing::TestParamInfo<Case>& info) {
    std::string name = std::to_string(info.index) + "_" + dialect_label(info.param.dialect) + "_";
    for (unsigned char c : info.param.sql.substr(0, 24)) name += std::isalnum(c) ? static_cast<char>(c) : '_';
    return name;
}

}  // namespace split_test
