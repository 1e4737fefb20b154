#include "ui/QtKeychainStore.h"

#include <qt6keychain/keychain.h>

#include "platform/Log.h"

namespace td {
namespace {

constexpr const char* kService = "TarnwickDesk";

SecretStore::Status statusOf(QKeychain::Error error) {
  switch (error) {
    case QKeychain::NoError: return SecretStore::Status::Ok;
    case QKeychain::EntryNotFound: return SecretStore::Status::NotFound;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented: return SecretStore::Status::Unavailable;
    default: return SecretStore::Status::Failed;
  }
}

}  // namespace

QtKeychainStore::QtKeychainStore(QObject* parent) : QObject(parent) {}

void QtKeychainStore::readPassword(const std::string& key, ReadDone done) {
  if (unavailable_) {
    if (done) done(Status::Unavailable, {});
    return;
  }
  auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kService), this);
  job->setAutoDelete(true);
  job->setKey(QString::fromStdString(key));
  connect(job, &QKeychain::Job::finished, this, [this, done = std::move(done)](QKeychain::Job* finished) {
    const Status status = statusOf(finished->error());
    if (status == Status::Unavailable) unavailable_ = true;
    if (status == Status::Failed) TD_LOG_WARN("Secret store: " + finished->errorString().toStdString());
    const auto* read = static_cast<QKeychain::ReadPasswordJob*>(finished);
    if (done) done(status, status == Status::Ok ? read->textData().toStdString() : std::string());
  });
  job->start();
}

void QtKeychainStore::writePassword(const std::string& key, const std::string& password, WriteDone done) {
  if (unavailable_) {
    if (done) done(Status::Unavailable);
    return;
  }
  auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kService), this);
  job->setAutoDelete(true);
  job->setKey(QString::fromStdString(key));
  job->setTextData(QString::fromStdString(password));
  connect(job, &QKeychain::Job::finished, this, [this, done = std::move(done)](QKeychain::Job* finished) {
    const Status status = statusOf(finished->error());
    if (status == Status::Unavailable) unavailable_ = true;
    if (status == Status::Failed) TD_LOG_WARN("Secret store: " + finished->errorString().toStdString());
    if (done) done(status);
  });
  job->start();
}

void QtKeychainStore::removePassword(const std::string& key) {
  if (unavailable_) return;
  auto* job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kService), this);
  job->setAutoDelete(true);
  job->setKey(QString::fromStdString(key));
  job->start();
}

}  // namespace td
