#include "long_statements.h"

#include <algorithm>
#include <stdexcept>

namespace long_statements {

namespace {

std::string WithoutSeparators(std::string statement) {
    statement.erase(std::remove(statement.begin(), statement.end(), ';'), statement.end());
    return statement;
}

}  // namespace

std::string JoinedStatements(const std::vector<std::string>& statements, std::size_t size) {
    std::vector<std::string> pieces;
    for (const std::string& statement : statements) {
        std::string piece = WithoutSeparators(statement);
        if (!piece.empty()) pieces.push_back(std::move(piece) + '\n');
    }
    if (pieces.empty()) throw std::runtime_error("no statement to join");

    std::string text;
    text.reserve(size);
    for (std::size_t next = 0; text.size() < size; next = (next + 1) % pieces.size())
        text.append(pieces[next], 0, size - text.size());
    return text;
}

std::string Enclosed(const std::string& open, const std::string& close, std::size_t size) {
    if (open.size() + close.size() > size) throw std::invalid_argument("enclosure longer than size");
    static const std::string kFiller = "the quick brown fox 42 jumps over the lazy dog 7 times ";
    std::string text = open;
    text.reserve(size);
    const std::size_t body_end = size - close.size();
    while (text.size() < body_end) text.append(kFiller, 0, body_end - text.size());
    return text + close;
}

std::string OneByteWords(std::size_t size) {
    std::string text(size, ',');
    for (std::size_t i = 0; i < size; i += 2) text[i] = 'a';
    return text;
}

}  // namespace long_statements
