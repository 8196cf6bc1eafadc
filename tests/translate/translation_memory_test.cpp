// The translation memory and its file, through the public interface: what
// reaches the file, what comes back after a restart, which lines of a file
// edited by hand count, and which texts reach the service.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_environment.h"
#include "translate/number_template.h"
#include "translate/translation_memory.h"

namespace {

using translate::TranslationMemory;
using Texts = std::vector<std::string>;

constexpr char kFrom[] = "auto";
constexpr char kTo[] = "zh";

// A fresh file path (Windows form) in a scratch folder of its own.
std::string fresh_memory_path(const std::string& name) {
  return test_support::to_windows_path(test_support::scratch_dir_unix(name)) + "\\" +
         translate::kTranslationMemoryFileName;
}

std::string read_bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string remembered(const TranslationMemory& memory, const std::string& text) {
  std::string translation;
  return memory.lookup(kFrom, kTo, text, &translation) ? translation : "(not held)";
}

// A service that records what it was asked and answers "<text>", or nothing
// for the texts it is told to fail.
struct RecordingService {
  std::vector<Texts> calls;
  Texts failing;

  translate::TranslationService function() {
    return [this](const Texts& texts) {
      calls.push_back(texts);
      Texts answers;
      for (const std::string& text : texts) {
        const bool fails = std::find(failing.begin(), failing.end(), text) != failing.end();
        answers.push_back(fails ? "" : "<" + text + ">");
      }
      return answers;
    };
  }
};

TEST(TranslationMemoryTest, TextsComeBackWholeAfterARestart) {
  const struct {
    std::string text;         // GBK
    std::string translation;  // GBK
    std::string in_file;      // the text's field in the file (UTF-8)
  } cases[] = {
      {"Name\tValue", "名称\t值", "Name\\tValue"},
      {"line 1\r\nline 2", "第一行\r\n第二行", "line 1\\r\\nline 2"},
      {"lone\nfeed\rreturn", "单独\n换行\r回车", "lone\\nfeed\\rreturn"},
      {"C:\\new\\table", "C:\\新\\表", "C:\\\\new\\\\table"},
      {"ends in \\", "以反斜杠结尾\\", "ends in \\\\"},
      {"打开(&O)...", "&Open...", u8"打开(&O)..."},
      {"#1 not a comment", "第1", "#1 not a comment"},
  };
  const std::string path = fresh_memory_path("memory_round_trip");
  {
    TranslationMemory memory;
    memory.open(path);
    for (const auto& c : cases) EXPECT_TRUE(memory.store(kFrom, kTo, c.text, c.translation)) << c.in_file;
  }
  const std::string file = read_bytes(path);
  EXPECT_EQ(file.substr(0, 4), "\xEF\xBB\xBF#");  // a UTF-8 mark, then the header
  for (const auto& c : cases) {
    EXPECT_NE(file.find("\r\nauto\tzh\t" + c.in_file + "\t"), std::string::npos) << c.in_file;
  }

  TranslationMemory restarted;
  const translate::MemoryLoadReport report = restarted.open(path);
  EXPECT_TRUE(report.file_read);
  EXPECT_EQ(report.entries, std::size(cases));
  EXPECT_EQ(report.lines_skipped, 0u);
  for (const auto& c : cases) EXPECT_EQ(remembered(restarted, c.text), c.translation) << c.in_file;
}

TEST(TranslationMemoryTest, SkipsLinesItCannotReadAndKeepsTheRest) {
  const struct {
    std::string line;  // as written by hand, UTF-8
    bool damaged;
  } cases[] = {
      {u8"auto\tzh\tOpen\t打开", false},
      {u8"auto\tzh\tSave\t保存\r", false},  // saved with CR LF line ends
      {"# a comment\twith a tab", false},
      {"", false},
      {"auto\tzh\tthree fields", true},
      {"auto\tzh\ta\tb\tc", true},
      {"auto\tzh\tbad \\x escape\tb", true},
      {"auto\tzh\tlone backslash \\\tb", true},
      {"auto\tzh\tbad \xFF byte\tb", true},
      {"auto\tzh\t\xB4\xF2\xBF\xAA\tsaved as GBK", true},
      {u8"auto\tzh\tsmile\t😀", true},  // no GBK form
      {std::string("auto\tzh\tzero") + '\0' + "byte\tb", true},
      {"auto\tzh\tno translation\t", true},
      {u8"auto\tzh\tOptions…\tOptions…", true},  // said nothing: the text as it was
      {u8"auto\tzh\tTwo\\r\\nlines\t两行", true},  // a translation of part of the text
  };
  std::string file;
  size_t damaged = 0;
  for (const auto& c : cases) {
    file += c.line + "\n";
    damaged += c.damaged;
  }
  // The last line has no line break: a crash tore it, and its translation
  // may be cut anywhere.
  file += u8"auto\tzh\tLast\t最";
  const std::string path = fresh_memory_path("memory_damaged");
  write_bytes(path, file);

  TranslationMemory memory;
  const translate::MemoryLoadReport report = memory.open(path);
  EXPECT_EQ(report.lines_skipped, damaged + 1);
  EXPECT_EQ(report.entries, 2u);
  EXPECT_EQ(remembered(memory, "Open"), "打开");
  EXPECT_EQ(remembered(memory, "Save"), "保存");
  EXPECT_EQ(remembered(memory, "Last"), "(not held)");
  EXPECT_EQ(remembered(memory, "three fields"), "(not held)");
  EXPECT_EQ(remembered(memory, "Options…"), "(not held)");

  // The torn line is cut off; the new entry takes its place on a line of
  // its own and survives a restart.
  EXPECT_TRUE(memory.store(kFrom, kTo, "Exit", "退出"));
  EXPECT_EQ(read_bytes(path), file.substr(0, file.rfind('\n') + 1) + u8"auto\tzh\tExit\t退出\r\n");
  TranslationMemory restarted;
  EXPECT_EQ(restarted.open(path).entries, 3u);
  EXPECT_EQ(remembered(restarted, "Exit"), "退出");
}

TEST(TranslationMemoryTest, LearnsOnlyWholeTranslationsThatChangeTheText) {
  const struct {
    std::string text;
    std::string answer;    // what the service gives
    std::string returned;  // what is written into the control
    bool learnt;
  } cases[] = {
      {"Open", "打开", "打开", true},
      {"你好", "你好", "", false},                       // already Chinese
      {"Options…", "Options…", "", false},             // given back unread
      {"Line one\r\nLine two", "第一行", "第一行", false},  // the first line only
      {"Line one\nLine two", "第一行\n第二行", "第一行\n第二行", true},
      {"Cut", "", "", false},                            // no answer
  };
  const std::string path = fresh_memory_path("memory_whole");
  TranslationMemory memory;
  memory.open(path);
  Texts texts, expected;
  for (const auto& c : cases) {
    texts.push_back(c.text);
    expected.push_back(c.returned);
  }
  const translate::TranslationService service = [&cases](const Texts& asked) {
    Texts answers;
    for (const std::string& text : asked) {
      for (const auto& c : cases) {
        if (c.text == text) answers.push_back(c.answer);
      }
    }
    return answers;
  };
  int untranslated = -1;
  EXPECT_EQ(translate::translate_with_memory(texts, memory, service, &untranslated), expected);
  EXPECT_EQ(untranslated, 1);  // only "Cut" got nothing
  EXPECT_EQ(memory.file_writes(), 1u);

  // Asked again, nothing reaches the service: what came back unchanged
  // is held for the session, though never written.
  const translate::TranslationService refusing = [](const Texts& asked) {
    ADD_FAILURE() << asked.front();
    return Texts();
  };
  EXPECT_EQ(translate::translate_with_memory({"你好", "Open"}, memory, refusing), (Texts{"", "打开"}));

  TranslationMemory restarted;
  EXPECT_EQ(restarted.open(path).lines_skipped, 0u);
  for (const auto& c : cases) {
    EXPECT_EQ(remembered(restarted, c.text), c.learnt ? c.answer : "(not held)") << c.text;
  }
}

TEST(TranslationMemoryTest, ALineWrittenByHandWinsOverTheService) {
  const std::string path = fresh_memory_path("memory_user_line");
  // The program wrote the first line; a person appended a correction.
  write_bytes(path, u8"auto\tzh\tOpen\t打开\r\nauto\tzh\tOpen\t开启\r\n");
  TranslationMemory memory;
  memory.open(path);
  RecordingService service;
  EXPECT_EQ(translate::translate_with_memory({"Open", "Save"}, memory, service.function()),
            (Texts{"开启", "<Save>"}));
  EXPECT_EQ(service.calls, std::vector<Texts>{{"Save"}});
  EXPECT_FALSE(memory.store(kFrom, kTo, "Open", "打开"));
  EXPECT_EQ(remembered(memory, "Open"), "开启");
}

TEST(TranslationMemoryTest, SendsOnlyTheMissingTextsOnceAndNothingAfterARestart) {
  const std::string path = fresh_memory_path("memory_restart");
  const Texts texts = {"Open", "Save", "Open", "", "Exit", "Cut"};
  const Texts translated = {"<Open>", "<Save>", "<Open>", "", "<Exit>", ""};
  const struct {
    const char* why;
    bool restart;                // a new memory read from the file
    std::vector<Texts> calls;    // what reaches the service
  } cases[] = {
      {"first time", true, {{"Open", "Save", "Exit", "Cut"}}},
      {"again", false, {{"Cut"}}},  // no translation came back for it: asked again
      {"after a restart", true, {{"Cut"}}},
  };
  TranslationMemory memory;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    if (c.restart) memory.open(path);
    RecordingService service;
    service.failing = {"Cut"};
    EXPECT_EQ(translate::translate_with_memory(texts, memory, service.function()), translated);
    EXPECT_EQ(service.calls, c.calls);
  }
  // A service that leaves answers out: those texts stay untranslated.
  const translate::TranslationService short_service = [](const Texts&) { return Texts{"<A>"}; };
  EXPECT_EQ(translate::translate_with_memory({"A", "B"}, memory, short_service), (Texts{"<A>", ""}));
}

TEST(NumberTemplateTest, TextsDifferingOnlyInNumbersShareOneTemplate) {
  const struct {
    const char* text;
    const char* templated;  // "" for no template
    Texts numbers;
  } cases[] = {
      {"Copying 3 of 10 files", "Copying {0} of {1} files", {"3", "10"}},
      {"Version 2.5.1 (1,024 KB)", "Version {0} ({1} KB)", {"2.5.1", "1,024"}},
      {"第3页", "第{0}页", {"3"}},
      {"Save", "", {}},          // no numbers
      {"42", "", {}},            // a number alone is data, not words
      {"12:30 - 1.5%", "", {}},  // nor are numbers with signs
      {"Item {0} of 3", "", {}},  // braces of its own: left as it is
      {"Tick 7.", "Tick {0}.", {"7"}},  // a point not followed by a digit ends the number
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const translate::NumberTemplate t = translate::number_template(c.text);
    EXPECT_EQ(t.text, c.templated);
    EXPECT_EQ(t.numbers, c.numbers);
  }
  // The numbers go back by their markers, whatever order the translation
  // puts them in; a translation that lost a marker is no translation.
  EXPECT_EQ(translate::fill_numbers("共 {1} 个，第 {0} 个", {"3", "10"}), "共 10 个，第 3 个");
  EXPECT_EQ(translate::fill_numbers("正在复制 {0} 个文件", {"3", "10"}), "");
}

TEST(NumberTemplateTest, ACounterCostsOneEntryAndOneRequest) {
  const std::string path = fresh_memory_path("memory_templates");
  TranslationMemory memory;
  memory.open(path);
  // Keeps the markers of what it is asked, like the service does.
  RecordingService service;
  const struct {
    Texts texts;
    Texts translated;
    std::vector<Texts> calls;
  } rounds[] = {
      {{"Tick 1", "Open"}, {"<Tick 1>", "<Open>"}, {{"Tick {0}", "Open"}}},
      {{"Tick 2", "Tick 10"}, {"<Tick 2>", "<Tick 10>"}, {}},
      {{"Open 3"}, {"<Open 3>"}, {{"Open {0}"}}},
  };
  for (const auto& r : rounds) {
    SCOPED_TRACE(r.texts.front());
    service.calls.clear();
    EXPECT_EQ(translate::translate_with_number_templates(r.texts, memory, service.function()),
              r.translated);
    EXPECT_EQ(service.calls, r.calls);
    EXPECT_EQ(translate::remembered_with_number_templates(r.texts, memory), r.translated);
  }
  EXPECT_EQ(memory.size(), 3u);  // "Tick {0}", "Open", "Open {0}"
  EXPECT_EQ(remembered(memory, "Tick {0}"), "<Tick {0}>");
  EXPECT_EQ(translate::remembered_with_number_templates({"Tick 99", "Close 1"}, memory),
            (Texts{"<Tick 99>", ""}));
}

TEST(NumberTemplateTest, ATranslationThatLosesAMarkerIsNeverUsed) {
  TranslationMemory memory;
  const std::string path = fresh_memory_path("memory_lost_marker");
  // A person's entry without its marker, and a service that drops them.
  write_bytes(path, u8"auto\tzh\tPage {0}\t页\r\n");
  memory.open(path);
  std::vector<Texts> calls;
  const translate::TranslationService dropping = [&calls](const Texts& texts) {
    calls.push_back(texts);
    Texts answers;
    for (const std::string& text : texts) {
      answers.push_back(text.find('{') != std::string::npos ? "lost" : "<" + text + ">");
    }
    return answers;
  };
  // Each text then travels as it stands, and is remembered so.
  EXPECT_EQ(translate::translate_with_number_templates({"Page 2", "Step 1"}, memory, dropping),
            (Texts{"<Page 2>", "<Step 1>"}));
  EXPECT_EQ(calls, (std::vector<Texts>{{"Step {0}"}, {"Page 2", "Step 1"}}));
  EXPECT_EQ(remembered(memory, "Step {0}"), "(not held)");
  EXPECT_EQ(remembered(memory, "Step 1"), "<Step 1>");
  EXPECT_EQ(translate::remembered_with_number_templates({"Page 3"}, memory), Texts{""});
}

// Harvests storing at once, in one program (two threads) or in two
// instances of it (two processes): every line arrives whole.
TEST(TranslationMemoryTest, HarvestsStoringAtOnceWriteWholeLines) {
  constexpr int kHarvests = 40;
  constexpr int kPerHarvest = 25;
  const auto harvest_many = [](TranslationMemory* memory, const std::string& prefix) {
    for (int h = 0; h < kHarvests; ++h) {
      std::vector<translate::MemoryEntry> entries;
      for (int i = 0; i < kPerHarvest; ++i) {
        const std::string text = prefix + std::to_string(h) + "." + std::to_string(i);
        entries.push_back({kFrom, kTo, text, "译" + text + std::string(40, 'x')});
      }
      memory->store_all(entries);
    }
  };
  for (const bool two_instances : {false, true}) {
    SCOPED_TRACE(two_instances ? "two instances" : "one instance");
    const std::string path = fresh_memory_path("memory_harvests");
    if (two_instances) {
      // Both wait for the same signal, so that their harvests overlap.
      const std::string event_name = "moqiao-memory-test-" + std::to_string(GetCurrentProcessId());
      const HANDLE start = CreateEventA(nullptr, TRUE, FALSE, event_name.c_str());
      ASSERT_NE(start, nullptr);
      std::vector<PROCESS_INFORMATION> peers;
      for (const char* prefix : {"one", "other"}) {
        std::string command = "\"" + test_support::to_windows_path(MEMORY_APPEND_PEER_EXE) + "\" \"" +
                              path + "\" " + event_name + " \"" + prefix + " \" " +
                              std::to_string(kHarvests) + " " + std::to_string(kPerHarvest);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION peer{};
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &peer));
        peers.push_back(peer);
      }
      Sleep(500);  // both have opened the memory and wait
      SetEvent(start);
      for (const PROCESS_INFORMATION& peer : peers) {
        EXPECT_EQ(WaitForSingleObject(peer.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(peer.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(peer.hThread);
        CloseHandle(peer.hProcess);
      }
      CloseHandle(start);
    } else {
      TranslationMemory memory;
      memory.open(path);
      std::thread one(harvest_many, &memory, "one ");
      std::thread other(harvest_many, &memory, "other ");
      one.join();
      other.join();
      EXPECT_EQ(memory.file_writes(), 2u * kHarvests);
    }

    TranslationMemory restarted;
    const translate::MemoryLoadReport report = restarted.open(path);
    EXPECT_EQ(report.entries, 2u * kHarvests * kPerHarvest);
    EXPECT_EQ(report.lines_skipped, 0u);
    EXPECT_EQ(remembered(restarted, "other 7.3"), "译other 7.3" + std::string(40, 'x'));
  }
}

}  // namespace
