#include "ui/shell/RememberedCredentials.h"

#include <vector>

#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/LoginInputdata.h"
#include "wire/Base64.h"
#include "wire/Crypto.h"

namespace td {
namespace {

std::string escape(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    if (c == '%') out += "%25";
    else if (c == '#') out += "%23";
    else out += c;
  }
  return out;
}

std::string unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    const std::string_view code = field.substr(i, 3);
    if (code == "%25" || code == "%23") {
      out += code == "%25" ? '%' : '#';
      i += 2;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

CredentialStore::CredentialStore(Defaults& defaults, const LoginInputdata& logindata, SecretStore& secrets)
    : defaults_(defaults), logindata_(logindata), secrets_(secrets) {}

const std::string& CredentialStore::passPhrase() const { return logindata_.presets().initialPassPhrase; }

std::string CredentialStore::joinFields(const RememberedCredentials& fields) {
  // The second piece once held the password; it stays, empty, so an entry keeps its four pieces.
  return escape(fields.userName) + "##" + escape(fields.server) + "#" + escape(fields.port);
}

std::optional<RememberedCredentials> CredentialStore::splitFields(const std::string& text) {
  std::vector<std::string_view> pieces;
  std::string_view rest = text;
  while (true) {
    const auto hash = rest.find('#');
    pieces.push_back(rest.substr(0, hash));
    if (hash == std::string_view::npos) break;
    rest.remove_prefix(hash + 1);
  }
  if (pieces.size() < 4) return std::nullopt;
  return RememberedCredentials{unescape(pieces[0]), unescape(pieces[2]), unescape(pieces[3])};
}

std::optional<RememberedCredentials> CredentialStore::load(const std::string& key) const {
  const auto entry = defaults_.stringValue(key);
  if (!entry) return std::nullopt;
  const auto cipher = Base64::decodeBase64WithString(*entry);
  const auto plain =
      cipher ? Crypto::transformData(*cipher, Crypto::kAlgorithmAES, Crypto::kDecrypt, passPhrase()) : std::nullopt;
  auto fields = plain ? splitFields(*plain) : std::nullopt;
  if (!fields) TD_LOG_WARN("Remembered login \"" + key + "\" cannot be read; the preset is shown instead");
  return fields;
}

void CredentialStore::loadPassword(const std::string& key, SecretStore::ReadDone done) {
  secrets_.readPassword(key, std::move(done));
}

void CredentialStore::store(const std::string& key, const RememberedCredentials& fields, const std::string& password,
                            SecretStore::WriteDone done) {
  const auto cipher = Crypto::transformData(joinFields(fields), Crypto::kAlgorithmAES, Crypto::kEncrypt, passPhrase());
  const auto text = cipher ? Base64::encodeBase64WithData(*cipher) : std::nullopt;
  if (!text) {
    TD_LOG_WARN("Remembered login \"" + key + "\" not stored: encryption failed");
    if (done) done(SecretStore::Status::Failed);
    return;
  }
  defaults_.setString(key, *text);
  if (const auto error = defaults_.synchronize())
    TD_LOG_WARN("Remembered login \"" + key + "\": settings not written: " + error->text);
  secrets_.writePassword(key, password, std::move(done));
}

void CredentialStore::remove(const std::string& key) {
  defaults_.removeObject(key);
  if (const auto error = defaults_.synchronize())
    TD_LOG_WARN("Remembered login \"" + key + "\": settings not written: " + error->text);
  secrets_.removePassword(key);
}

}  // namespace td
