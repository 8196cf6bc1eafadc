#include "translate/translation_memory.h"

#include <windows.h>

#include <algorithm>
#include <unordered_set>

#include "platform/unique_handle.h"
#include "runtime/codepage.h"
#include "runtime/system.h"
#include "translate/memory_file_format.h"
#include "translate/quick_translate.h"

namespace translate {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Opens the file for appending, creating it when it is missing. Only
// FILE_APPEND_DATA is asked for, so every write lands at the end of the file
// even when another program appended meanwhile. Others may read, write and
// replace the file while it is open.
platform::FileHandle open_for_append(const runtime::FilePath& path, bool* created) {
  platform::FileHandle file(CreateFileW(
      path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL, nullptr));
  *created = file && GetLastError() != ERROR_ALREADY_EXISTS;
  return file;
}

// True when the file is empty or its last byte ends a line: a line typed by
// hand without a final line break must not swallow the next entry.
bool ends_with_line_break(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart == 0) return true;
  LARGE_INTEGER last{};
  last.QuadPart = -1;
  char byte = 0;
  DWORD read = 0;
  if (!SetFilePointerEx(file, last, nullptr, FILE_END) ||
      !ReadFile(file, &byte, 1, &read, nullptr) || read != 1) {
    return true;
  }
  return byte == '\n';
}

// One whole write, then the system's buffers are flushed: a crash of the
// program (or of the system) right after loses nothing that was written.
bool write_whole(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(file);
}

bool append_to_file(const runtime::FilePath& path, const std::string& line) {
  bool created = false;
  const platform::FileHandle file = open_for_append(path, &created);
  if (!file) return false;
  std::string bytes;
  if (created) {
    bytes = memory_file_header();
  } else if (!ends_with_line_break(file.get())) {
    bytes = "\r\n";
  }
  return write_whole(file.get(), bytes + line);
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
      const std::string_view text = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      bool damaged = false;
      if (read_memory_file_line(text, &line, &damaged)) {
        // A later line for the same text wins: corrections are appended.
        entries[key(line.from, line.to, line.text)] = std::move(line.translation);
      } else if (damaged) {
        ++report.lines_skipped;
      }
    }
  } else if (!runtime::file_exists(path)) {
    // A new file starts with the explanation of its lines.
    bool created = false;
    const platform::FileHandle file = open_for_append(path, &created);
    if (file && created) write_whole(file.get(), memory_file_header());
  }
  report.entries = entries.size();

  std::lock_guard<std::mutex> lock(mutex_);
  entries_ = std::move(entries);
  path_ = path;
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
  if (text.empty() || translation.empty()) return false;
  runtime::FilePath path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!entries_.emplace(key(from, to, text), translation).second) return false;
    path = path_;
  }
  // Lookups need not wait for the disk; appends go one after the other.
  if (!path.empty()) {
    // A text with no UTF-8 form stays in memory only.
    const std::string line = memory_file_line({from, to, text, translation});
    std::lock_guard<std::mutex> lock(file_mutex_);
    if (!line.empty()) append_to_file(path, line);
  }
  return true;
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
                                               const TranslationService& service) {
  std::vector<std::string> translations(texts.size());
  std::vector<std::string> missing;
  std::unordered_set<std::string> asked;
  for (size_t i = 0; i < texts.size(); ++i) {
    // An empty text has only the empty translation; the service refuses it.
    if (texts[i].empty()) continue;
    if (memory.lookup(kInterfaceSourceLanguage, kInterfaceTargetLanguage, texts[i],
                      &translations[i])) {
      continue;
    }
    if (asked.insert(texts[i]).second) missing.push_back(texts[i]);
  }
  if (missing.empty() || !service) return translations;

  const std::vector<std::string> answers = service(missing);
  std::unordered_map<std::string, std::string> answered;
  for (size_t i = 0; i < missing.size() && i < answers.size(); ++i) {
    if (answers[i].empty()) continue;
    memory.store(kInterfaceSourceLanguage, kInterfaceTargetLanguage, missing[i], answers[i]);
    answered.emplace(missing[i], answers[i]);
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    if (!translations[i].empty()) continue;
    const auto found = answered.find(texts[i]);
    if (found != answered.end()) translations[i] = found->second;
  }
  return translations;
}

namespace {

std::mutex g_program_memory_mutex;
bool g_program_memory_opened = false;

TranslationMemory& program_memory_object() {
  static TranslationMemory memory;
  return memory;
}

// Opens the program's memory once; path is asked for only then.
bool open_program_memory_once(const std::function<runtime::FilePath()>& path, MemoryLoadReport* report) {
  std::lock_guard<std::mutex> lock(g_program_memory_mutex);
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

std::string remembered_quick_translate(const std::string& gbk_text) {
  return translate_with_memory({gbk_text}, program_translation_memory(),
                               [](const std::vector<std::string>& texts) {
                                 std::string translation;
                                 try_quick_translate(texts.front(), &translation);
                                 return std::vector<std::string>{translation};
                               })
      .front();
}

}  // namespace translate
