// One statement through the library the way a caller takes it: split, walk
// every record with fetch_word, free the stream.  Measuring the walk and the
// free too keeps the figures honest about what a caller pays per statement.
#ifndef SPLTWD_SPLIT_WALK_H
#define SPLTWD_SPLIT_WALK_H

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "mirx_sql_splt_wd.h"

namespace split_walk {

struct Outcome {
    std::int32_t result;  // what Zoz_SQL_Split_Word returned
    std::uint32_t words;  // records fetched from the stream
};

// With a context, the split runs on it (by the context's profile);
// without one, through Zoz_SQL_Split_Word.
inline Outcome SplitWalkFree(std::uint16_t dialect, std::string_view sql, spltwd_context* context = nullptr) {
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_len = static_cast<std::uint32_t>(sql.size());
    // The library only reads the statement; the field is not const for
    // historical reasons.
    request.sql_text = const_cast<char*>(sql.data());
    Outcome outcome{context != nullptr ? spltwd_split(context, &request) : Zoz_SQL_Split_Word(&request), 0};
    Fetch_Word_Step step{0, 0};
    Word_Info word;
    while (fetch_word(&request, &step, &word) == 0) ++outcome.words;
    std::free(request.sql_word);
    return outcome;
}

}  // namespace split_walk

#endif  // SPLTWD_SPLIT_WALK_H
