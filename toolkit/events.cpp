#include "toolkit/events.h"

namespace toolkit {

std::vector<const EventHandler*> find_handlers(const EventTable& table, const std::string& source,
                                               EventKind kind) {
  std::vector<const EventHandler*> found;
  for (const EventBinding& binding : table) {
    if (binding.kind == kind && binding.source == source && binding.handler) {
      found.push_back(&binding.handler);
    }
  }
  return found;
}

}  // namespace toolkit
