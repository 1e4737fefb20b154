#pragma once
// The exception the HTTP engine raises on misuse (a request queue given something that is not a
// request) and on broken cache folders. Nothing else in the engine throws.

#include <stdexcept>
#include <string>

namespace td {

class HTTPEngineException : public std::runtime_error {
 public:
  HTTPEngineException(std::string name, const std::string& reason) : std::runtime_error(reason), name_(std::move(name)) {}
  const std::string& name() const { return name_; }
  const char* reason() const { return what(); }

 private:
  std::string name_;
};

}  // namespace td
