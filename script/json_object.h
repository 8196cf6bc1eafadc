#pragma once
// A JSON document kept inside a JavaScript engine and read and changed by
// path. Paths are script expressions relative to the document: "['a'][0].b",
// "a.b[2]", "" (the whole document) or "da..." (absolute). Every operation
// builds a short script and has the engine run it; any failure inside the
// engine ends as the empty value of the result type (empty text, 0, false).
//
// Texts are GBK. Backslashes written with set_text are stored as U+2400 and
// turned back into backslashes by every read, so a stored "\u4e2d" comes out
// of to_text as that escape.
//
// Copies share one engine and so one document, until one of them parses.
// An object is used on the thread that created it.
#include <memory>
#include <string>
#include <string_view>

#include "runtime/array.h"
#include "script/engine.h"

namespace script {

// Codes of get_type.
enum JsonType : int {
  kJsonUnknown = -1,  // anything else, or a path that cannot be evaluated
  kJsonNull = 0,      // null or undefined, a missing member included
  kJsonBoolean = 1,
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
};

class JsonObject {
 public:
  // Creates an engine holding an empty object.
  JsonObject();
  // Copies share the engine (and the document) of the original.
  JsonObject(const JsonObject&) = default;
  JsonObject& operator=(const JsonObject&) = default;
  JsonObject(JsonObject&&) noexcept = default;
  JsonObject& operator=(JsonObject&&) noexcept = default;
  ~JsonObject() = default;

  // A second reference to the same engine.
  JsonObject copy() const;

  // Replaces this object's engine by a new one holding an empty object.
  // False (and no engine) when the engine cannot be made.
  bool create_engine();

  // Evaluates text as a script expression (JSON or any expression) in a fresh
  // engine and keeps the value as the document. True when the evaluation
  // succeeded and its value is neither null nor undefined. Without an engine
  // nothing is tried. Copies made before keep the old document.
  bool parse(std::string_view text);

  // The document becomes an empty object.
  bool clear();

  // The whole document as compact JSON; "null" after a failed parse, empty
  // when the document is undefined.
  std::string to_text() const;

  // is_json false: stores value as a string. is_json true: value (empty means
  // "{}") is evaluated; onto an existing member it is merged member by
  // member, otherwise it replaces the member. Returns the assigned value as
  // a logical, not whether it worked.
  bool set_text(std::string_view path, std::string_view value, bool is_json = false);
  // Assigns the value of a script expression.
  bool set_expression(std::string_view path, std::string_view expression);

  // Rewrites path into an absolute expression; true when it names a value
  // that is neither null nor undefined.
  bool resolve_path(std::string& path) const;

  // One of JsonType.
  int get_type(std::string_view path) const;
  // as_json false: the value's text (a string without quotes); as_json true:
  // its JSON text.
  std::string get_text(std::string_view path, bool as_json = false) const;
  // Names of an object's members (an empty array for anything else);
  // returns their count.
  int get_member_names(runtime::Array<std::string>& names, std::string_view path) const;
  // An array's length, 0 for anything else.
  int get_count(std::string_view path) const;
  // An independent copy of the value at path, in a new engine.
  JsonObject get_object(std::string_view path) const;

  // Pushes value (a string unless is_json) onto the array at path, making
  // the member an array first when it is not one. True after a push.
  bool append_item(std::string_view value, std::string_view path, bool is_json = false);
  // Indices are zero-based.
  JsonObject get_item_object(int index, std::string_view path) const;
  std::string get_item_text(int index, std::string_view path, bool as_json = false) const;
  bool set_item(int index, std::string_view path, std::string_view value, bool is_json = false);
  bool remove_item(int index, std::string_view path);

  // True when the member no longer exists.
  bool remove_member(std::string_view path);

  bool set_number(std::string_view path, double number);
  // 0 when the value is missing or not a number.
  double get_number(std::string_view path) const;
  std::string get_json_text(std::string_view path) const;

  // The engine (shared with the copies); null when none could be made.
  std::shared_ptr<Engine> get_engine() const { return engine_; }
  const std::string& var_name() const { return var_name_; }

 private:
  struct NoEngine {};
  explicit JsonObject(NoEngine);

  bool parse_in_new_engine(std::string_view text);
  // The path after resolve_path.
  std::string absolute(std::string_view path) const;
  std::string serialised(const std::string& expression) const;
  std::string eval_text(const std::string& script) const;
  double eval_number(const std::string& script) const;
  bool eval_logical(const std::string& script) const;
  bool run(const std::string& script) const;

  std::string var_name_;
  std::shared_ptr<Engine> engine_;
};

}  // namespace script
