// Another instance of the program, as far as the translation memory goes:
// opens the memory at a file, waits for the starting signal, then stores
// harvests of new translations into it one after the other.
//   memory_append_peer.exe <file> <start event> <prefix> <harvests> <texts per harvest>
// Exits with 0 when every harvest was written in one write.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "translate/translation_memory.h"

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  const std::string prefix = argv[3];
  const int harvests = std::atoi(argv[4]);
  const int per_harvest = std::atoi(argv[5]);
  translate::TranslationMemory memory;
  memory.open(argv[1]);
  const HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
  if (!start || WaitForSingleObject(start, 30000) != WAIT_OBJECT_0) return 3;
  CloseHandle(start);
  for (int h = 0; h < harvests; ++h) {
    std::vector<translate::MemoryEntry> entries;
    for (int i = 0; i < per_harvest; ++i) {
      const std::string text = prefix + std::to_string(h) + "." + std::to_string(i);
      entries.push_back({translate::kInterfaceSourceLanguage, translate::kInterfaceTargetLanguage,
                         text, "译" + text + std::string(40, 'x')});
    }
    memory.store_all(entries);
  }
  return memory.file_writes() == static_cast<size_t>(harvests) ? 0 : 1;
}
