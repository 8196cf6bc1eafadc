#pragma once
// A sandboxed JavaScript heap (Duktape) that runs script texts written in
// GBK. Script texts may come from the network, so the heap is shut off from
// the outside and kept on a leash:
//   - no host functions: nothing but the standard built-ins (the "Duktape"
//     object is removed too), so a script can reach nothing outside its heap;
//   - every run has a time limit; a script that runs past it is stopped with
//     an uncatchable error and the run fails;
//   - the heap's memory is capped; an allocation past the cap fails inside
//     the engine as an ordinary script error;
//   - every call into the engine is protected, no C++ exception passes
//     through it, and an internal fatal error ends the process with a message
//     instead of aborting silently.
// An Engine is used on one thread at a time.
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct duk_hthread;

namespace script {

struct EngineLimits {
  // Wall-clock time one run (one call of run or eval_*) may take.
  std::chrono::milliseconds time_limit{2000};
  // Bytes the heap may hold at once.
  std::size_t memory_limit = 64u * 1024u * 1024u;
};

// Accounting shared with the engine's allocator and time-out hook.
struct HeapBudget {
  std::size_t memory_limit = 0;
  std::size_t memory_used = 0;
  std::chrono::steady_clock::time_point deadline{};
  bool deadline_armed = false;
};

class Engine {
 public:
  // A fresh heap; nullptr when it cannot be created.
  static std::shared_ptr<Engine> create(const EngineLimits& limits = {});

  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();

  // Runs a script as global code for its side effects (its "var"
  // declarations become permanent globals). False when it does not compile,
  // raises, runs out of time or out of memory.
  bool run(std::string_view gbk_script);

  // Runs a script and converts its completion value; nullopt on failure.
  // Text: undefined and null give the empty text, other values their
  // ToString; the UTF-16 result comes back as GBK with "?" for characters
  // GBK lacks, cut at its first NUL. Number: ToNumber, NaN gives 0.
  // Logical: ToBoolean.
  std::optional<std::string> eval_text(std::string_view gbk_script);
  std::optional<double> eval_number(std::string_view gbk_script);
  std::optional<bool> eval_logical(std::string_view gbk_script);

  // Bytes the heap holds now.
  std::size_t memory_used() const { return budget_.memory_used; }

 private:
  enum class Result { none, text, number, logical };

  explicit Engine(const EngineLimits& limits);
  bool open();
  // Leaves the converted value on the value stack when it returns true.
  bool evaluate(std::string_view gbk_script, Result kind);
  void pop_result();

  EngineLimits limits_;
  HeapBudget budget_;
  duk_hthread* heap_ = nullptr;
};

}  // namespace script
