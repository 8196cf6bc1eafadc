#include "platform/resource.h"

#include <windows.h>

namespace platform {

std::string resource_bytes(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);  // not freed: resources live as long as the module
  const DWORD size = SizeofResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return std::string(static_cast<const char*>(data), size);
}

}  // namespace platform
