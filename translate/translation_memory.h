#pragma once
// Translations the program has received, kept so that the same text is never
// sent to the service twice, also after a restart. They live in memory and in
// a UTF-8 text file next to the program that people may edit: one
// translation per line,
//
//   source language <TAB> target language <TAB> text <TAB> translation
//
// with \t, \n, \r and \\ standing for a tab, a line feed, a carriage return
// and a backslash inside the texts, and lines starting with "#" as comments.
// The file is read once, when the memory is opened; when a text appears on
// several lines the last one wins, so a correction appended by hand wins
// over what the service said. A line that cannot be read (wrong number of
// fields, a bad escape, invalid UTF-8, a text without a GBK form), a last
// line without a line break (torn by a crash) and a line whose translation
// equals its text are skipped. The translations of one harvest are appended
// together in a single write and flush; appends of several program
// instances never mix.
//
// Texts in the interface are GBK. All members are safe to call from several
// threads at once.
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/file_path.h"

namespace translate {

// The file's name, next to the program.
inline constexpr char kTranslationMemoryFileName[] = "moqiao-memory.txt";

// The languages of the interface translation: detected source, Chinese.
inline constexpr char kInterfaceSourceLanguage[] = "auto";
inline constexpr char kInterfaceTargetLanguage[] = "zh";

struct MemoryLoadReport {
  bool file_read = false;    // the file existed and was read
  size_t entries = 0;        // distinct texts held after reading
  size_t lines_skipped = 0;  // damaged or foreign lines
};

// One translation: languages, text and translation (GBK).
struct MemoryEntry {
  std::string from;
  std::string to;
  std::string text;
  std::string translation;
};

class TranslationMemory {
 public:
  // An empty memory without a file: it remembers for the life of the object.
  TranslationMemory() = default;
  TranslationMemory(const TranslationMemory&) = delete;
  TranslationMemory& operator=(const TranslationMemory&) = delete;

  // Reads the file at path into memory, creating it with its
  // explanatory header when it does not exist, and appends every later
  // translation to it. A file that cannot be read or created leaves the
  // memory working without one. Replaces what the memory held.
  MemoryLoadReport open(const runtime::FilePath& path);

  // True, with the translation, when the text is held for these languages.
  bool lookup(const std::string& from, const std::string& to, const std::string& text,
              std::string* translation) const;

  // Holds the translation and appends it to the file. A text already held
  // keeps its translation (one from the file, possibly corrected by a
  // person, wins over the service): false then, and when the text or the
  // translation is empty or their numbers of lines differ (a translation of
  // part of the text). A translation equal to its text is held for the
  // life of the object, so that it is not asked for again, but never
  // written to the file.
  bool store(const std::string& from, const std::string& to, const std::string& text,
             const std::string& translation);
  // store for many entries at once, appended in one write; returns how many
  // were taken.
  size_t store_all(const std::vector<MemoryEntry>& entries);

  size_t size() const;
  runtime::FilePath path() const;
  // Writes made to the file since it was opened.
  size_t file_writes() const;

 private:
  static std::string key(const std::string& from, const std::string& to, const std::string& text);

  mutable std::mutex mutex_;  // entries_ and path_
  std::mutex file_mutex_;     // one append at a time
  std::unordered_map<std::string, std::string> entries_;
  runtime::FilePath path_;  // empty: no file
  size_t file_writes_ = 0;
};

// Translation through the memory: looks each text up (interface languages),
// sends only the texts not held to service, each distinct text once and in
// their first order, stores the translations that come back (in one write)
// and returns one translation per text, in order ("" where there is none).
// service receives the missing texts and returns their translations in the
// same order; results it leaves out count as empty. It is not called when
// every text is held. An empty text is never sent (its translation is
// empty). A translation equal to its text (a text already in Chinese) is
// never returned: "" stands for it, and it is not counted in
// *untranslated, which receives the number of texts (repeats included)
// for which service gave nothing.
using TranslationService = std::function<std::vector<std::string>(const std::vector<std::string>&)>;
std::vector<std::string> translate_with_memory(const std::vector<std::string>& texts,
                                               TranslationMemory& memory,
                                               const TranslationService& service,
                                               int* untranslated = nullptr);

// The program's own memory, in program_translation_memory_path() (the file
// next to the program). Opened on first use; open_program_translation_memory
// opens it at a chosen moment (start-up) or from another file, and returns
// false when it was opened already.
runtime::FilePath program_translation_memory_path();
TranslationMemory& program_translation_memory();
bool open_program_translation_memory(const runtime::FilePath& path, MemoryLoadReport* report = nullptr);

}  // namespace translate
