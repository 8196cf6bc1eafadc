#pragma once
// How a batch of texts is cut into the service's queries and put together
// again: each text is cut at its line breaks, the lines worth sending are
// packed into queries of limited size, and the translated lines are put
// back between the text's own breaks.
#include <cstddef>
#include <string>
#include <vector>

namespace translate {

// One text cut at its line breaks (CR LF, LF or a lone CR).
struct TextLines {
  std::vector<std::string> lines;   // GBK, without the breaks
  std::vector<std::string> breaks;  // breaks[i] follows lines[i]; one fewer than lines
  std::vector<size_t> sent;         // indices of the lines that hold more than spaces
};

TextLines split_text_lines(const std::string& text);

// The text again, with translations[k] in place of line sent[k]; the other
// lines and every break stay as they were.
std::string join_translated_lines(const TextLines& text,
                                  const std::vector<std::string>& translations);

// A run of one text's sent lines inside a query: sent[first] … sent[first + count - 1].
struct QueryPiece {
  size_t text = 0;
  size_t first = 0;
  size_t count = 0;
};
using Query = std::vector<QueryPiece>;

// Packs the sent lines of the texts named in order (indices into texts),
// in that order, into queries whose lines joined by "\n" take at most
// max_bytes of UTF-8. A text stays in one query whenever it fits into one; a
// longer text is cut between lines, and a single line longer than max_bytes
// makes a query of its own.
std::vector<Query> plan_queries(const std::vector<TextLines>& texts,
                                const std::vector<size_t>& order, size_t max_bytes);

// The lines of a query, in order (GBK).
std::vector<std::string> query_lines(const std::vector<TextLines>& texts, const Query& query);

}  // namespace translate
