#include "script/engine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "duktape.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"
#include "runtime/text.h"
#include "script/cesu8.h"

// Called by the engine's executor every few hundred instructions (the build
// switches the hook on in duk_config.h). Non-zero stops the running script
// with an error that scripts cannot catch.
extern "C" int moqiao_duktape_timeout_check(void* udata) {
  const auto* budget = static_cast<const script::HeapBudget*>(udata);
  if (budget == nullptr || !budget->deadline_armed) return 0;
  return std::chrono::steady_clock::now() >= budget->deadline ? 1 : 0;
}

namespace script {
namespace {

// Every block carries its size in front so that the budget can be kept
// without asking the C runtime.
constexpr std::size_t kHeaderSize = alignof(std::max_align_t) > sizeof(std::size_t)
                                        ? alignof(std::max_align_t)
                                        : sizeof(std::size_t);

std::size_t& block_size(void* base) { return *static_cast<std::size_t*>(base); }

void* to_user(void* base) { return static_cast<char*>(base) + kHeaderSize; }

void* to_base(void* user) { return static_cast<char*>(user) - kHeaderSize; }

bool fits(const HeapBudget& budget, std::size_t released, std::size_t wanted) {
  const std::size_t used = budget.memory_used - released;
  return wanted <= budget.memory_limit && used <= budget.memory_limit - wanted;
}

// A null result makes the engine collect garbage and try again, then fail
// the allocation with a script error.
void* budget_alloc(void* udata, duk_size_t size) {
  auto* budget = static_cast<HeapBudget*>(udata);
  if (size == 0 || !fits(*budget, 0, size)) return nullptr;
  void* base = std::malloc(kHeaderSize + size);
  if (base == nullptr) return nullptr;
  block_size(base) = size;
  budget->memory_used += size;
  return to_user(base);
}

void budget_free(void* udata, void* pointer) {
  if (pointer == nullptr) return;
  auto* budget = static_cast<HeapBudget*>(udata);
  void* base = to_base(pointer);
  budget->memory_used -= block_size(base);
  std::free(base);
}

void* budget_realloc(void* udata, void* pointer, duk_size_t size) {
  if (pointer == nullptr) return budget_alloc(udata, size);
  if (size == 0) {
    budget_free(udata, pointer);
    return nullptr;
  }
  auto* budget = static_cast<HeapBudget*>(udata);
  void* base = to_base(pointer);
  const std::size_t old_size = block_size(base);
  if (!fits(*budget, old_size, size)) return nullptr;
  void* grown = std::realloc(base, kHeaderSize + size);
  if (grown == nullptr) return nullptr;
  block_size(grown) = size;
  budget->memory_used = budget->memory_used - old_size + size;
  return to_user(grown);
}

// Reached only by an error outside every protected call, which this file
// never makes, or by an internal failure of the engine.
void engine_fatal(void* /*udata*/, const char* /*message*/) {
  runtime::stop_with_runtime_error("脚本引擎内部错误");
}

struct EvaluationRequest {
  const char* source;
  std::size_t length;
  int kind;
};

enum ResultKind { kNone, kText, kNumber, kLogical };

// [ ] -> [ result ]. Runs inside duk_safe_call: errors unwind to it, so only
// plain data lives in this frame.
duk_ret_t evaluate_protected(duk_context* ctx, void* udata) {
  const auto* request = static_cast<const EvaluationRequest*>(udata);
  duk_compile_lstring(ctx, 0, request->source, request->length);  // [ program ]
  duk_call(ctx, 0);                                                // [ value ]
  switch (request->kind) {
    case kText:
      if (duk_is_null_or_undefined(ctx, -1)) {
        duk_pop(ctx);
        duk_push_string(ctx, "");
      } else {
        duk_to_string(ctx, -1);  // may call a script's toString
      }
      break;
    case kNumber:
      duk_to_number(ctx, -1);
      break;
    case kLogical:
      duk_to_boolean(ctx, -1);
      break;
    default:
      duk_pop(ctx);
      duk_push_undefined(ctx);
      break;
  }
  return 1;
}

// [ ] -> [ undefined ]. Takes away the engine's own "Duktape" object, the
// one built-in that is not part of the language.
duk_ret_t remove_engine_object(duk_context* ctx, void* /*udata*/) {
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "Duktape");
  duk_pop(ctx);
  duk_push_undefined(ctx);
  return 1;
}

}  // namespace

std::shared_ptr<Engine> Engine::create(const EngineLimits& limits) {
  std::shared_ptr<Engine> engine(new Engine(limits));
  if (!engine->open()) return nullptr;
  return engine;
}

Engine::Engine(const EngineLimits& limits) : limits_(limits) {
  budget_.memory_limit = limits.memory_limit;
}

Engine::~Engine() {
  if (heap_ != nullptr) {
    budget_.deadline_armed = false;
    duk_destroy_heap(heap_);
  }
}

bool Engine::open() {
  heap_ = duk_create_heap(budget_alloc, budget_realloc, budget_free, &budget_, engine_fatal);
  if (heap_ == nullptr) return false;
  const bool removed = duk_safe_call(heap_, remove_engine_object, nullptr, 0, 1) == DUK_EXEC_SUCCESS;
  pop_result();
  return removed;
}

bool Engine::evaluate(std::string_view gbk_script, Result kind) {
  if (heap_ == nullptr) return false;
  const std::string source = cesu8_from_utf16(runtime::widen(gbk_script));
  EvaluationRequest request{source.data(), source.size(), kNone};
  switch (kind) {
    case Result::text: request.kind = kText; break;
    case Result::number: request.kind = kNumber; break;
    case Result::logical: request.kind = kLogical; break;
    case Result::none: break;
  }
  budget_.deadline = std::chrono::steady_clock::now() + limits_.time_limit;
  budget_.deadline_armed = true;
  const duk_int_t status = duk_safe_call(heap_, evaluate_protected, &request, 0, 1);
  budget_.deadline_armed = false;
  if (status != DUK_EXEC_SUCCESS) {
    pop_result();
    return false;
  }
  return true;
}

void Engine::pop_result() { duk_pop(heap_); }

bool Engine::run(std::string_view gbk_script) {
  if (!evaluate(gbk_script, Result::none)) return false;
  pop_result();
  return true;
}

std::optional<std::string> Engine::eval_text(std::string_view gbk_script) {
  if (!evaluate(gbk_script, Result::text)) return std::nullopt;
  duk_size_t length = 0;
  const char* bytes = duk_get_lstring(heap_, -1, &length);
  std::wstring wide = utf16_from_cesu8(std::string_view(bytes, length));
  pop_result();
  return runtime::text_from_bytes(runtime::narrow(wide));
}

std::optional<double> Engine::eval_number(std::string_view gbk_script) {
  if (!evaluate(gbk_script, Result::number)) return std::nullopt;
  const double value = duk_get_number(heap_, -1);
  pop_result();
  return std::isnan(value) ? 0.0 : value;
}

std::optional<bool> Engine::eval_logical(std::string_view gbk_script) {
  if (!evaluate(gbk_script, Result::logical)) return std::nullopt;
  const bool value = duk_get_boolean(heap_, -1) != 0;
  pop_result();
  return value;
}

}  // namespace script
