#pragma once
// The script text every JsonObject engine starts with: the three helper
// functions the object's operations call, and the JSON library adjustments
// (compact stringify with the full escape set, Date.toJSON without
// milliseconds, the toJSONString/parseJSON wrappers).

namespace script {

extern const char kJsonPreamble[];

}  // namespace script
