// Statements of a given size that stress one part of the scanner each: a
// long run of ordinary words, or one word that never ends (a string, a
// comment, a dollar-quoted body), or as many words as bytes allow.
#ifndef SPLTWD_LONG_STATEMENTS_H
#define SPLTWD_LONG_STATEMENTS_H

#include <cstddef>
#include <string>
#include <vector>

namespace long_statements {

// The statements joined into one text of exactly `size` bytes, repeated as
// often as needed, with every ";" removed.  They are joined by line ends:
// a statement may end in a "--" or "#" comment, and a line end keeps that
// comment from swallowing the statements after it.  Throws when no
// statement has any byte left once its ";" are removed.
std::string JoinedStatements(const std::vector<std::string>& statements, std::size_t size);

// `open` + plain text + `close`, `size` bytes in all.  The text is words,
// digits and blanks, so it never closes a quote, a comment or a dollar tag.
std::string Enclosed(const std::string& open, const std::string& close, std::size_t size);

// "a,a,a,...": one-byte words, `size` bytes in all.
std::string OneByteWords(std::size_t size);

}  // namespace long_statements

#endif  // SPLTWD_LONG_STATEMENTS_H
