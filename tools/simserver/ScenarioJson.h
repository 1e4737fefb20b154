#pragma once
// Reading the records of a JSON scenario (Scenario.cpp, ChatScenario.cpp): a wrong type throws,
// and the scenario's reading reports the exception's text.

#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace td::sim::scenario_json {

// Reads `key` into `out` when present and not null; a value of the wrong type throws nlohmann's
// type_error.
template <class T>
void get(const nlohmann::json& j, const char* key, T& out) {
  if (auto it = j.find(key); it != j.end() && !it->is_null()) out = it->get<T>();
}

// The array under `key`, an empty one when absent or null; anything else throws, its text
// beginning with `context`.
inline const nlohmann::json& arrayAt(const nlohmann::json& j, const char* key, std::string_view context = {}) {
  static const nlohmann::json empty = nlohmann::json::array();
  const auto it = j.find(key);
  if (it == j.end() || it->is_null()) return empty;
  if (!it->is_array()) throw std::runtime_error(std::string(context) + "\"" + key + "\" is not an array");
  return *it;
}

}  // namespace td::sim::scenario_json
