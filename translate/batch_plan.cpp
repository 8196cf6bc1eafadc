#include "translate/batch_plan.h"

#include "translate/encodings.h"

namespace translate {
namespace {

// Spaces, tabs and the full-width space (A1 A1) only: nothing a service
// could translate, and a line it might drop from its answer.
bool is_blank(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') continue;
    if (c == '\xA1' && i + 1 < line.size() && line[i + 1] == '\xA1') {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

// Packs lines into queries, filling the open one first.
class QueryPacker {
 public:
  QueryPacker(const std::vector<TextLines>& texts, size_t max_bytes)
      : texts_(texts), max_bytes_(max_bytes) {
    for (const TextLines& text : texts) {
      std::vector<size_t> sizes;
      for (const size_t line : text.sent) sizes.push_back(gbk_to_utf8(text.lines[line]).size());
      line_bytes_.push_back(std::move(sizes));
    }
  }

  void add_text(size_t text) {
    const size_t count = texts_[text].sent.size();
    if (count == 0) return;
    const size_t whole = run_bytes(text, 0, count);
    if (!fits(whole)) {
      if (whole <= max_bytes_) {
        close_query();
      } else {
        for (size_t k = 0; k < count; ++k) add_run(text, k, 1);  // cut between lines
        return;
      }
    }
    add_run(text, 0, count);
  }

  std::vector<Query> finish() {
    close_query();
    return std::move(queries_);
  }

 private:
  // UTF-8 bytes of the run's lines joined by "\n".
  size_t run_bytes(size_t text, size_t first, size_t count) const {
    size_t bytes = count - 1;
    for (size_t k = first; k < first + count; ++k) bytes += line_bytes_[text][k];
    return bytes;
  }

  // Whether a run of that many bytes still fits into the open query.
  bool fits(size_t bytes) const {
    if (open_.empty()) return true;  // an empty query takes anything
    return open_bytes_ + 1 + bytes <= max_bytes_;
  }

  void add_run(size_t text, size_t first, size_t count) {
    const size_t bytes = run_bytes(text, first, count);
    if (!fits(bytes)) close_query();
    open_bytes_ += (open_.empty() ? 0 : 1) + bytes;
    if (!open_.empty() && open_.back().text == text && open_.back().first + open_.back().count == first) {
      open_.back().count += count;
    } else {
      open_.push_back({text, first, count});
    }
  }

  void close_query() {
    if (!open_.empty()) queries_.push_back(std::move(open_));
    open_.clear();
    open_bytes_ = 0;
  }

  const std::vector<TextLines>& texts_;
  const size_t max_bytes_;
  std::vector<std::vector<size_t>> line_bytes_;  // UTF-8 size of each sent line
  std::vector<Query> queries_;
  Query open_;
  size_t open_bytes_ = 0;
};

}  // namespace

TextLines split_text_lines(const std::string& text) {
  TextLines split;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    const size_t length = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    split.lines.push_back(text.substr(start, i - start));
    split.breaks.push_back(text.substr(i, length));
    i += length - 1;
    start = i + 1;
  }
  split.lines.push_back(text.substr(start));
  for (size_t i = 0; i < split.lines.size(); ++i) {
    if (!is_blank(split.lines[i])) split.sent.push_back(i);
  }
  return split;
}

std::string join_translated_lines(const TextLines& text,
                                  const std::vector<std::string>& translations) {
  std::vector<std::string> lines = text.lines;
  for (size_t k = 0; k < text.sent.size() && k < translations.size(); ++k) {
    lines[text.sent[k]] = translations[k];
  }
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    joined += lines[i];
    if (i < text.breaks.size()) joined += text.breaks[i];
  }
  return joined;
}

std::vector<Query> plan_queries(const std::vector<TextLines>& texts,
                                const std::vector<size_t>& order, size_t max_bytes) {
  QueryPacker packer(texts, max_bytes);
  for (const size_t text : order) packer.add_text(text);
  return packer.finish();
}

std::vector<std::string> query_lines(const std::vector<TextLines>& texts, const Query& query) {
  std::vector<std::string> lines;
  for (const QueryPiece& piece : query) {
    const TextLines& text = texts[piece.text];
    for (size_t k = piece.first; k < piece.first + piece.count; ++k) {
      lines.push_back(text.lines[text.sent[k]]);
    }
  }
  return lines;
}

}  // namespace translate
