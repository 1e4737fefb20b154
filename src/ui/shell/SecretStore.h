#pragma once
// Where remembered passwords are kept: the desktop's secret service in the application
// (QtKeychainStore), an in-memory fake in tests. Reads and writes finish later, on the main thread.

#include <functional>
#include <string>

namespace td {

class SecretStore {
 public:
  enum class Status {
    Ok,
    NotFound,     // nothing stored under the key
    Unavailable,  // no secret service runs on this machine
    Failed,       // the service refused or failed
  };
  using ReadDone = std::function<void(Status, const std::string& secret)>;
  using WriteDone = std::function<void(Status)>;

  virtual ~SecretStore() = default;
  virtual void readPassword(const std::string& key, ReadDone done) = 0;
  virtual void writePassword(const std::string& key, const std::string& password, WriteDone done) = 0;
  virtual void removePassword(const std::string& key) = 0;
};

}  // namespace td
