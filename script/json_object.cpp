#include "script/json_object.h"

#include <cmath>
#include <limits>

#include "runtime/text.h"
#include "script/json_preamble.h"

namespace script {
namespace {

// Every text read ends with this: the U+2400 characters that stand for
// backslashes stored by set_text become backslashes again.
constexpr char kReadBack[] = R"(.replace(str_reg, '\\'))";

std::string index_text(int index) { return std::to_string(index); }

// The value as the body of a single-quoted script string.
std::string quoted_script_string(std::string_view value) {
  std::string text = runtime::replace(value, "\\", "\\\\");
  text = runtime::replace(text, "'", "\\'");
  text = runtime::replace(text, "\"", "\\\"");
  text = runtime::replace(text, "\r", "\\r");
  return runtime::replace(text, "\n", "\\n");
}

// A value for set_item and append_item: script text as it is, or a plain
// text wrapped in single quotes without any escaping.
std::string item_value(std::string_view value, bool is_json) {
  if (is_json) return std::string(value);
  return "'" + std::string(value) + "'";
}

std::string number_literal(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
  return runtime::double_to_text(number);
}

int type_code(const std::string& tag) {
  if (tag == "[object String]") return kJsonString;
  if (tag == "[object Array]") return kJsonArray;
  if (tag == "[object Object]") return kJsonObject;
  if (tag == "[object Number]") return kJsonNumber;
  if (tag == "[object Boolean]") return kJsonBoolean;
  return kJsonUnknown;
}

int truncated_int(double value) {
  const double whole = std::trunc(value);
  if (whole >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  if (whole <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(whole);
}

}  // namespace

JsonObject::JsonObject() : var_name_("da") { create_engine(); }

JsonObject::JsonObject(NoEngine) : var_name_("da") {}

JsonObject JsonObject::copy() const { return *this; }

bool JsonObject::create_engine() {
  engine_ = Engine::create();
  if (!engine_) return false;
  const bool ready =
      engine_->run(kJsonPreamble) &&
      engine_->run("var " + var_name_ +
                   " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
  if (!ready) engine_.reset();
  return ready;
}

bool JsonObject::parse(std::string_view text) {
  if (!engine_) return false;
  return parse_in_new_engine(text);
}

bool JsonObject::parse_in_new_engine(std::string_view text) {
  engine_.reset();
  if (!create_engine()) return false;
  const std::string forget = "var " + var_name_ + " = null";
  run(forget);
  // The line break keeps a trailing line comment in the text from swallowing
  // the closing parenthesis.
  if (!run("var " + var_name_ + " = eval(" + std::string(text) + "\n)")) {
    // Whatever the text assigned before it failed is not a parse result.
    run(forget);
    return false;
  }
  return eval_logical(var_name_ + " != null");
}

bool JsonObject::clear() { return eval_logical(var_name_ + " = {}"); }

std::string JsonObject::to_text() const { return serialised(var_name_); }

bool JsonObject::set_text(std::string_view path, std::string_view value, bool is_json) {
  std::string target(path);
  const bool exists = resolve_path(target);
  if (is_json) {
    const std::string source = value.empty() ? std::string("{}") : std::string(value);
    if (exists) return eval_logical(target + " = get__extend(" + target + ", " + source + ")");
    return eval_logical(target + " = eval(" + source + ")");
  }
  return eval_logical(target + " = '" + quoted_script_string(value) +
                      R"('.replace(/\\/g, str_Code))");
}

bool JsonObject::set_expression(std::string_view path, std::string_view expression) {
  return eval_logical(absolute(path) + " = eval(" + std::string(expression) + ")");
}

bool JsonObject::resolve_path(std::string& path) const {
  if (path.compare(0, var_name_.size(), var_name_) == 0 && eval_logical(path + " != null")) {
    return true;
  }
  if (path.empty()) {
    path = var_name_;
  } else if (path[0] == '[') {
    path = var_name_ + path;
  } else {
    path = var_name_ + "." + path;
  }
  return eval_logical(path + " != null");
}

int JsonObject::get_type(std::string_view path) const {
  const std::string target = absolute(path);
  if (eval_logical(target + " == null")) return kJsonNull;
  return type_code(eval_text("Object.prototype.toString.call(" + target + ")"));
}

std::string JsonObject::get_text(std::string_view path, bool as_json) const {
  const std::string target = absolute(path);
  if (as_json) return serialised(target);
  return eval_text(target + ".toString()" + kReadBack);
}

int JsonObject::get_member_names(runtime::Array<std::string>& names,
                                 std::string_view path) const {
  names = runtime::split(eval_text("get__name_All(" + absolute(path) + ")"), "\r\n");
  return names.count();
}

int JsonObject::get_count(std::string_view path) const {
  return truncated_int(eval_number("get__count(" + absolute(path) + ")"));
}

JsonObject JsonObject::get_object(std::string_view path) const {
  JsonObject value{NoEngine{}};
  value.parse_in_new_engine(serialised(absolute(path)));
  return value;
}

bool JsonObject::append_item(std::string_view value, std::string_view path, bool is_json) {
  const std::string target = absolute(path);
  return eval_logical("if (Object.prototype.toString.call(" + target +
                      ") != '[object Array]') { " + target + " = new Array() } " + target +
                      ".push(" + item_value(value, is_json) + ")");
}

JsonObject JsonObject::get_item_object(int index, std::string_view path) const {
  JsonObject value{NoEngine{}};
  value.parse_in_new_engine(serialised(absolute(path) + "[" + index_text(index) + "]"));
  return value;
}

std::string JsonObject::get_item_text(int index, std::string_view path, bool as_json) const {
  const std::string item = absolute(path) + "[" + index_text(index) + "]";
  if (as_json) return serialised(item);
  return eval_text(item + kReadBack);
}

bool JsonObject::set_item(int index, std::string_view path, std::string_view value,
                          bool is_json) {
  return eval_logical(absolute(path) + "[" + index_text(index) + "] = " +
                      item_value(value, is_json));
}

bool JsonObject::remove_item(int index, std::string_view path) {
  return run(absolute(path) + ".splice(" + index_text(index) + ", 1)");
}

bool JsonObject::remove_member(std::string_view path) {
  return eval_logical("delete " + absolute(path));
}

bool JsonObject::set_number(std::string_view path, double number) {
  return eval_logical(absolute(path) + " = " + number_literal(number));
}

double JsonObject::get_number(std::string_view path) const {
  return eval_number(absolute(path));
}

std::string JsonObject::get_json_text(std::string_view path) const {
  return serialised(absolute(path));
}

std::string JsonObject::absolute(std::string_view path) const {
  std::string target(path);
  resolve_path(target);
  return target;
}

std::string JsonObject::serialised(const std::string& expression) const {
  return eval_text("JSON.stringify(" + expression + ")" + kReadBack);
}

std::string JsonObject::eval_text(const std::string& script) const {
  if (!engine_) return {};
  return engine_->eval_text(script).value_or(std::string());
}

double JsonObject::eval_number(const std::string& script) const {
  if (!engine_) return 0.0;
  return engine_->eval_number(script).value_or(0.0);
}

bool JsonObject::eval_logical(const std::string& script) const {
  if (!engine_) return false;
  return engine_->eval_logical(script).value_or(false);
}

bool JsonObject::run(const std::string& script) const {
  if (!engine_) return false;
  return engine_->run(script);
}

}  // namespace script
