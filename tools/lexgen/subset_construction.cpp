#include "subset_construction.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "lexgen_error.h"

namespace lexgen {
namespace {

using StateSet = std::vector<std::uint32_t>;

struct StateSetHash {
    std::size_t operator()(const StateSet& set) const {
        std::uint64_t h = 1469598103934665603ull;
        for (std::uint32_t s : set) h = (h ^ s) * 1099511628211ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

// Collects a union of closures without duplicates.
class SetUnion {
public:
    explicit SetUnion(std::size_t nfa_states) : seen_(nfa_states, 0) {}

    StateSet of(const StateSet& targets, Closures& closures) {
        ++visit_;
        StateSet result;
        for (std::uint32_t t : targets) {
            for (std::uint32_t s : closures.of(t)) {
                if (seen_[s] != visit_) {
                    seen_[s] = visit_;
                    result.push_back(s);
                }
            }
        }
        std::sort(result.begin(), result.end());
        return result;
    }

private:
    std::vector<std::uint32_t> seen_;
    std::uint32_t visit_ = 0;
};

}  // namespace

Closures::Closures(const Nfa& nfa) : nfa_(nfa), cache_(nfa.states.size()), seen_(nfa.states.size(), 0) {}

const std::vector<std::uint32_t>& Closures::of(std::uint32_t state) {
    if (cache_[state]) return *cache_[state];
    ++visit_;
    auto closure = std::make_unique<std::vector<std::uint32_t>>();
    std::vector<std::uint32_t> stack{state};
    seen_[state] = visit_;
    while (!stack.empty()) {
        std::uint32_t s = stack.back();
        stack.pop_back();
        const NfaState& n = nfa_.states[s];
        if (n.byte_set >= 0 || n.accepts != 0) closure->push_back(s);
        for (std::uint32_t e : n.epsilon) {
            if (e != kNoState && seen_[e] != visit_) {
                seen_[e] = visit_;
                stack.push_back(e);
            }
        }
    }
    std::sort(closure->begin(), closure->end());
    cache_[state] = std::move(closure);
    return *cache_[state];
}

Dfa build_dfa(const Nfa& nfa, const ByteClasses& classes, Closures& closures,
              const std::vector<std::uint32_t>& active_rules, const std::vector<std::uint16_t>& rule_numbers,
              std::uint32_t state_limit) {
    const std::uint16_t class_count = classes.count;
    Dfa dfa;
    dfa.class_count = class_count;
    dfa.next.assign(class_count, 0);
    dfa.accept.push_back(0);

    std::unordered_map<StateSet, std::uint32_t, StateSetHash> ids;
    std::vector<const StateSet*> sets{nullptr};
    SetUnion set_union(nfa.states.size());

    auto state_of = [&](StateSet set) -> std::uint32_t {
        if (set.empty()) return 0;
        auto [it, added] = ids.try_emplace(std::move(set), static_cast<std::uint32_t>(sets.size()));
        if (!added) return it->second;
        if (sets.size() >= state_limit) {
            throw Error("more than " + std::to_string(state_limit) + " states");
        }
        sets.push_back(&it->first);
        std::uint32_t lowest = UINT32_MAX;
        for (std::uint32_t s : it->first) {
            if (nfa.states[s].accepts != 0) lowest = std::min(lowest, nfa.states[s].accepts - 1);
        }
        dfa.accept.push_back(lowest == UINT32_MAX ? 0 : rule_numbers[lowest]);
        dfa.next.resize(dfa.next.size() + class_count, 0);
        return it->second;
    };

    StateSet starts;
    for (std::uint32_t rule : active_rules) starts.push_back(nfa.rule_starts[rule]);
    dfa.start = state_of(set_union.of(starts, closures));

    std::vector<StateSet> targets(class_count);
    // Classes often lead from the same NFA states; they share one lookup.
    std::unordered_map<StateSet, std::uint32_t, StateSetHash> known_targets;
    for (std::uint32_t d = 1; d < sets.size(); ++d) {
        for (StateSet& t : targets) t.clear();
        for (std::uint32_t s : *sets[d]) {
            const NfaState& n = nfa.states[s];
            if (n.byte_set < 0) continue;
            for (std::uint16_t c : classes.classes_in_set[n.byte_set]) targets[c].push_back(n.target);
        }
        known_targets.clear();
        for (std::uint16_t c = 0; c < class_count; ++c) {
            if (targets[c].empty()) continue;
            auto known = known_targets.find(targets[c]);
            std::uint32_t next = known != known_targets.end() ? known->second
                                                              : state_of(set_union.of(targets[c], closures));
            if (known == known_targets.end()) known_targets.emplace(targets[c], next);
            dfa.next[static_cast<std::size_t>(d) * class_count + c] = next;
        }
    }
    return dfa;
}

}  // namespace lexgen
