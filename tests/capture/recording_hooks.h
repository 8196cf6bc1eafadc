#pragma once
// Harvest hooks for tests: a fake translator given as a function, and a
// record of everything the harvest told the program around it. Safe to use
// from several harvest threads at once.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/harvest.h"
#include "runtime/text.h"

namespace capture_test {

struct Record {
  std::mutex mutex;
  std::vector<std::string> translated;  // texts handed to the translator, in order
  std::vector<std::string> shown;
  std::vector<std::string> statuses;
  std::vector<HWND> captured;
  std::vector<std::size_t> batches;  // sizes of the calls of translate_texts

  std::vector<std::string> translated_copy() {
    std::lock_guard<std::mutex> lock(mutex);
    return translated;
  }
  std::vector<std::string> statuses_copy() {
    std::lock_guard<std::mutex> lock(mutex);
    return statuses;
  }
};

using Translator = std::function<std::string(const std::string&)>;

// The two orders of a harvest: each control read, translated and written in
// turn through translate, or all read, translated in one translate_texts
// call, then written.
enum class Path { kOneByOne, kAllAtOnce };
inline const Path kPaths[] = {Path::kOneByOne, Path::kAllAtOnce};
inline const char* path_name(Path path) {
  return path == Path::kOneByOne ? "one by one" : "all at once";
}

inline std::string upper_case(const std::string& text) { return runtime::to_upper_ascii(text); }

// Hooks that record into record and translate with translator, text by
// text or all at once.
inline capture::HarvestHooks recording_hooks(const std::shared_ptr<Record>& record,
                                             Translator translator,
                                             Path path = Path::kOneByOne) {
  capture::HarvestHooks hooks;
  if (path == Path::kOneByOne) {
    hooks.translate = [record, translator](const std::string& text) {
      {
        std::lock_guard<std::mutex> lock(record->mutex);
        record->translated.push_back(text);
      }
      return translator(text);
    };
  } else {
    hooks.translate_texts = [record, translator](const std::vector<std::string>& texts) {
      {
        std::lock_guard<std::mutex> lock(record->mutex);
        record->batches.push_back(texts.size());
        record->translated.insert(record->translated.end(), texts.begin(), texts.end());
      }
      std::vector<std::string> translations;
      for (const std::string& text : texts) translations.push_back(translator(text));
      return translations;
    };
  }
  hooks.show_text = [record](const std::string& text) {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->shown.push_back(text);
  };
  hooks.set_status = [record](const std::string& text) {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->statuses.push_back(text);
  };
  hooks.store_captured_window = [record](HWND window) {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->captured.push_back(window);
  };
  return hooks;
}

}  // namespace capture_test
