#include "translate/translation_memory.h"

#include <algorithm>
#include <unordered_set>

#include "runtime/codepage.h"
#include "runtime/system.h"
#include "translate/memory_file_append.h"
#include "translate/memory_file_format.h"
#include "translate/quick_translate.h"

namespace translate {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Line breaks: CR LF, LF or a lone CR, as the harvest cuts texts.
size_t line_breaks(const std::string& text) {
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++breaks;
    }
  }
  return breaks;
}

// One with fewer lines than its text is a translation of part of the text.
bool whole(const std::string& text, const std::string& translation) {
  return !text.empty() && !translation.empty() && line_breaks(translation) == line_breaks(text);
}

// One that changed nothing (a text already in Chinese, or one the service
// could not read) would stand for the text for good: it is held for the
// session only, so that it is not asked for again, and never written.
bool worth_writing(const std::string& text, const std::string& translation) {
  return whole(text, translation) && translation != text;
}

}  // namespace

std::string TranslationMemory::key(const std::string& from, const std::string& to,
                                   const std::string& text) {
  // A language code holds no tab, so the joined key is never ambiguous.
  std::string joined;
  joined.reserve(from.size() + to.size() + text.size() + 2);
  return joined.append(from).append(1, '\t').append(to).append(1, '\t').append(text);
}

MemoryLoadReport TranslationMemory::open(const runtime::FilePath& path) {
  MemoryLoadReport report;
  std::unordered_map<std::string, std::string> entries;
  runtime::Bytes content;
  if (runtime::read_file(path, &content)) {
    report.file_read = true;
    std::string_view rest(content);
    if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      rest.remove_prefix(kByteOrderMark.size());
    }
    entries.reserve(static_cast<size_t>(std::count(rest.begin(), rest.end(), '\n')) + 1);
    MemoryLine line;
    while (!rest.empty()) {
      const size_t end = rest.find('\n');
      // A last line without its line break was torn by a crash: what it
      // holds may be cut anywhere. The next append cuts it off.
      if (end == std::string_view::npos) {
        ++report.lines_skipped;
        break;
      }
      const std::string_view text = rest.substr(0, end);
      rest.remove_prefix(end + 1);
      bool damaged = false;
      if (read_memory_file_line(text, &line, &damaged)) {
        const std::string entry_key = key(line.from, line.to, line.text);
        // A later line for the same text wins: corrections are appended.
        // A line that keeps the text as it was says nothing, and is passed
        // over like a damaged one.
        if (worth_writing(line.text, line.translation)) {
          entries[entry_key] = std::move(line.translation);
        } else {
          ++report.lines_skipped;
        }
      } else if (damaged) {
        ++report.lines_skipped;
      }
    }
  } else if (!runtime::file_exists(path)) {
    // A new file starts with the explanation of its lines.
    append_memory_lines(path, memory_file_header(), {});
  }
  report.entries = entries.size();

  std::lock_guard<std::mutex> lock(mutex_);
  entries_ = std::move(entries);
  path_ = path;
  file_writes_ = 0;
  return report;
}

bool TranslationMemory::lookup(const std::string& from, const std::string& to,
                               const std::string& text, std::string* translation) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = entries_.find(key(from, to, text));
  if (found == entries_.end()) return false;
  *translation = found->second;
  return true;
}

bool TranslationMemory::store(const std::string& from, const std::string& to,
                              const std::string& text, const std::string& translation) {
  return store_all({{from, to, text, translation}}) == 1;
}

size_t TranslationMemory::store_all(const std::vector<MemoryEntry>& entries) {
  std::string lines;
  runtime::FilePath path;
  size_t taken = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const MemoryEntry& entry : entries) {
      if (!whole(entry.text, entry.translation)) continue;
      if (!entries_.emplace(key(entry.from, entry.to, entry.text), entry.translation).second) {
        continue;
      }
      ++taken;
      // A text with no UTF-8 form stays in memory only.
      if (!path_.empty() && worth_writing(entry.text, entry.translation)) {
        lines += memory_file_line({entry.from, entry.to, entry.text, entry.translation});
      }
    }
    path = path_;
  }
  // Lookups need not wait for the disk; appends go one after the other.
  if (!lines.empty()) {
    std::lock_guard<std::mutex> lock(file_mutex_);
    append_memory_lines(path, memory_file_header(), lines);
    std::lock_guard<std::mutex> count_lock(mutex_);
    ++file_writes_;
  }
  return taken;
}

size_t TranslationMemory::file_writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return file_writes_;
}

size_t TranslationMemory::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

runtime::FilePath TranslationMemory::path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

std::vector<std::string> translate_with_memory(const std::vector<std::string>& texts,
                                               TranslationMemory& memory,
                                               const TranslationService& service,
                                               int* untranslated) {
  if (untranslated) *untranslated = 0;
  std::vector<std::string> translations(texts.size());
  std::vector<std::string> missing;
  std::unordered_set<std::string> asked;
  for (size_t i = 0; i < texts.size(); ++i) {
    // An empty text has only the empty translation; the service refuses it.
    if (texts[i].empty()) continue;
    if (memory.lookup(kInterfaceSourceLanguage, kInterfaceTargetLanguage, texts[i],
                      &translations[i])) {
      // Known to come back as it is: nothing to write.
      if (translations[i] == texts[i]) translations[i].clear();
      continue;
    }
    if (asked.insert(texts[i]).second) missing.push_back(texts[i]);
  }
  if (missing.empty() || !service) return translations;

  const std::vector<std::string> answers = service(missing);
  std::unordered_map<std::string, std::string> answered;
  std::vector<MemoryEntry> learnt;
  for (size_t i = 0; i < missing.size() && i < answers.size(); ++i) {
    if (answers[i].empty()) continue;
    // Given back as it was: nothing to write, and nothing to learn.
    answered.emplace(missing[i], answers[i] == missing[i] ? std::string() : answers[i]);
    learnt.push_back({kInterfaceSourceLanguage, kInterfaceTargetLanguage, missing[i], answers[i]});
  }
  memory.store_all(learnt);
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].empty() || !translations[i].empty()) continue;
    const auto found = answered.find(texts[i]);
    if (found != answered.end()) {
      translations[i] = found->second;
    } else if (untranslated) {
      ++*untranslated;
    }
  }
  return translations;
}

namespace {

bool g_program_memory_opened = false;

// Never destroyed, like the memory it guards.
std::mutex& program_memory_mutex() {
  static std::mutex* const mutex = new std::mutex;
  return *mutex;
}

// Never destroyed: a harvest or preview still running while the process
// ends may look texts up or store them after static objects are gone.
TranslationMemory& program_memory_object() {
  static TranslationMemory* const memory = new TranslationMemory;
  return *memory;
}

// Opens the program's memory once; path is asked for only then.
bool open_program_memory_once(const std::function<runtime::FilePath()>& path, MemoryLoadReport* report) {
  std::lock_guard<std::mutex> lock(program_memory_mutex());
  if (g_program_memory_opened) return false;
  const MemoryLoadReport loaded = program_memory_object().open(path());
  if (report) *report = loaded;
  g_program_memory_opened = true;
  return true;
}

}  // namespace

bool open_program_translation_memory(const runtime::FilePath& path, MemoryLoadReport* report) {
  return open_program_memory_once([&path] { return path; }, report);
}

runtime::FilePath program_translation_memory_path() {
  return runtime::beside_program(runtime::FilePath(kTranslationMemoryFileName).wide());
}

TranslationMemory& program_translation_memory() {
  open_program_memory_once(program_translation_memory_path, nullptr);
  return program_memory_object();
}

}  // namespace translate
