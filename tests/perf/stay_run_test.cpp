// The match loop passes the bodies of loop states a block of 16 bytes at a
// time where few bytes leave them, and the special words' bodies likewise;
// byte by byte, the stay set tells the same place.  Every such set of both
// rule tables, on texts of every length up to a few blocks that hold the
// exits at random places (or none), each in a buffer of its own size so
// that a read past the end shows under the sanitizers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "splt_wd_dfa.h"
#include "splt_wd_stay_run.h"

namespace spltwd {
extern const DfaTables sql_tables, sql_accurate;
extern const DfaLoops sql_tables_loops, sql_accurate_loops;
}  // namespace spltwd

namespace {

using spltwd::DfaLoops;
using spltwd::DfaTables;

struct Table {
    const char* name;
    const DfaTables& tables;
    const DfaLoops& loops;
};

const Table kTables[] = {{"classic", spltwd::sql_tables, spltwd::sql_tables_loops},
                         {"accurate", spltwd::sql_accurate, spltwd::sql_accurate_loops}};

// Texts of staying bytes with now and then one of `rare` bytes.
std::vector<std::vector<unsigned char>> texts(const std::vector<unsigned char>& common,
                                              const std::vector<unsigned char>& rare, std::mt19937& random) {
    std::vector<std::vector<unsigned char>> out;
    for (std::size_t length = 0; length <= 100; ++length) {
        for (int chance : {0, 3, 40}) {
            std::vector<unsigned char> text(length);
            for (auto& byte : text) {
                const bool exit = !rare.empty() && static_cast<int>(random() % 1000) < chance;
                byte = exit ? rare[random() % rare.size()] : common[random() % common.size()];
            }
            out.push_back(std::move(text));
        }
    }
    return out;
}

TEST(StayRuns, BlocksAndBytesEndTheRunAlike) {
    std::mt19937 random(20261208);
    for (const Table& table : kTables) {
        const std::uint32_t width = table.tables.row_width();
        std::set<unsigned> seen;
        bool few_exits = false;
        for (std::uint32_t state = width; state < table.tables.loop_end; state += width) {
            const std::uint32_t about = table.tables.about(state);
            const unsigned set = (about >> spltwd::kStaySetShift) & spltwd::kStaySetBits;
            const std::uint8_t* stays = table.loops.stays + std::size_t{set} * 256;
            std::vector<unsigned char> staying, leaving;
            for (unsigned byte = 0; byte < 256; ++byte) (stays[byte] ? staying : leaving).push_back(byte);
            ASSERT_EQ((about & spltwd::kFewExits) != 0, table.loops.exit_count[set] != 0) << table.name << " " << set;
            ASSERT_EQ(table.loops.exit_count[set] != 0, leaving.size() <= DfaLoops::kMaxExits) << table.name;
            if ((about & spltwd::kRunEndsWalk) != 0) {
                for (unsigned char byte : leaving) {
                    ASSERT_EQ(table.tables.rows[state + table.tables.byte_class[byte]], 0u)
                        << table.name << ": state " << state << " says its run ends the walk, but byte "
                        << int{byte} << " leads on";
                }
            }
            few_exits = few_exits || (about & spltwd::kFewExits) != 0;
            if (!seen.insert(set).second) continue;
            // Every way of passing a run ends it at the first byte that
            // leaves it, or at the end.
            for (const auto& text : texts(staying, leaving, random)) {
                const unsigned char* end = text.data() + text.size();
                for (std::size_t from = 0; from <= std::min<std::size_t>(text.size(), 17); ++from) {
                    const unsigned char* p = text.data() + from;
                    const auto first_leaving = std::find_if(p, end, [&](unsigned char byte) { return !stays[byte]; });
                    const auto where = [&](const unsigned char* at) { return at - text.data(); };
                    const std::string at = table.name + std::string(" set ") + std::to_string(set) + ", length " +
                                           std::to_string(text.size()) + ", from " + std::to_string(from);
                    ASSERT_EQ(where(spltwd::pass_stays(stays, p, end)), where(first_leaving)) << at;
                    ASSERT_EQ(where(spltwd::pass_short_stays(stays, p, end)), where(first_leaving)) << at;
                    ASSERT_EQ(where(spltwd::pass_to_exit(table.loops, set, p, end)), where(first_leaving)) << at;
                }
            }
        }
        EXPECT_TRUE(few_exits) << table.name << " has no body that few bytes end";
    }
}

TEST(StayRuns, FindEitherFindsTheFirstOfTwoBytes) {
    std::mt19937 random(8122026);
    const std::pair<char, char> wanted[] = {{'/', '*'}, {']', ']'}, {'\0', '\xff'}, {'\'', '\\'}};
    std::vector<unsigned char> all(256);
    for (unsigned byte = 0; byte < 256; ++byte) all[byte] = static_cast<unsigned char>(byte);
    for (const auto& [a, b] : wanted) {
        std::vector<unsigned char> common;
        for (unsigned char byte : all) {
            if (byte != static_cast<unsigned char>(a) && byte != static_cast<unsigned char>(b)) common.push_back(byte);
        }
        for (const auto& bytes : texts(common, {static_cast<unsigned char>(a), static_cast<unsigned char>(b)}, random)) {
            const std::string text(bytes.begin(), bytes.end());
            const char* end = text.data() + text.size();
            std::size_t expected = 0;
            while (expected < text.size() && text[expected] != a && text[expected] != b) ++expected;
            ASSERT_EQ(spltwd::find_either(text.data(), end, a, b) - text.data(), static_cast<std::ptrdiff_t>(expected))
                << "bytes " << int{a} << " and " << int{b} << ", length " << text.size();
        }
    }
}

}  // namespace
