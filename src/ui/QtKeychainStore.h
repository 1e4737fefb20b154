#pragma once
// Remembered passwords in the desktop's secret service (through QtKeychain), under the service
// name "TarnwickDesk" and the mode's key. Where no secret service runs, every call reports
// Unavailable and nothing is kept.

#include <QObject>

#include "ui/shell/SecretStore.h"

namespace td {

class QtKeychainStore final : public QObject, public SecretStore {
 public:
  explicit QtKeychainStore(QObject* parent = nullptr);

  void readPassword(const std::string& key, ReadDone done) override;
  void writePassword(const std::string& key, const std::string& password, WriteDone done) override;
  void removePassword(const std::string& key) override;

 private:
  bool unavailable_ = false;  // a job found no secret service: later calls do not try again
};

}  // namespace td
