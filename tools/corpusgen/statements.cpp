#include "statements.h"

#include <cstddef>
#include <string>

#include "long_statements.h"
#include "pattern_sample.h"
#include "rule_reach.h"

namespace corpusgen {
namespace {

constexpr std::size_t kTimesEachRule = 8;
constexpr std::size_t kMostSamplesPerStatement = 10;
constexpr std::size_t kJoinedSize = 64 * 1024;
constexpr std::size_t kLongSize = 16 * 1024;

// Mostly a blank, sometimes nothing, so that neighbouring samples also run
// into one another the way words of real statements do.
const std::vector<std::string> kSeparators = {" ", " ", " ", "", "\n", ", ", "\t", "\r\n"};

std::vector<std::string> short_statements(const lexgen::RuleFile& file, std::uint16_t dialect, Random& random) {
    std::vector<const ReachableRule*> deck;
    const std::vector<ReachableRule> rules = rules_reached(file, dialect);
    for (const ReachableRule& rule : rules)
        for (std::size_t i = 0; i < kTimesEachRule; ++i) deck.push_back(&rule);
    random.shuffle(deck);

    std::vector<std::string> statements;
    for (std::size_t next = 0; next < deck.size();) {
        const std::size_t count = 1 + random.below(kMostSamplesPerStatement);
        std::string text;
        for (std::size_t i = 0; i < count && next < deck.size(); ++i, ++next) {
            const ReachableRule& rule = *deck[next];
            if (i > 0) text += random.pick(kSeparators);
            text += rule.open + sample(rule.rule->pattern, random) + rule.close;
        }
        statements.push_back(std::move(text));
    }
    return statements;
}

}  // namespace

std::vector<corpus::Record> make_statements(const lexgen::RuleFile& file, std::uint16_t dialect, Random& random) {
    std::vector<corpus::Record> records;
    const std::vector<std::string> texts = short_statements(file, dialect, random);
    for (const std::string& text : texts) records.push_back({dialect, text});

    records.push_back({dialect, long_statements::JoinedStatements(texts, kJoinedSize)});
    for (const auto& [open, close] : enclosures(dialect)) {
        records.push_back({dialect, long_statements::Enclosed(open, close, kLongSize)});
        records.push_back({dialect, long_statements::Enclosed(open, "", kLongSize)});
    }
    records.push_back({dialect, long_statements::OneByteWords(kLongSize)});
    return records;
}

}  // namespace corpusgen
