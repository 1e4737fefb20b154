#include "wire/Envelope.h"

#include "wire/Base64.h"
#include "wire/Crypto.h"
#include "wire/Separators.h"

namespace td {

std::optional<std::string> Envelope::encrypt(std::string_view plainFrame, std::string_view passPhrase) {
  return Crypto::transformData(plainFrame, Crypto::kAlgorithmAES, Crypto::kEncrypt, passPhrase);
}

bool Envelope::writeBody(std::string_view plainFrame, std::string_view passPhrase, bool isInitialRequest,
                         std::string& body, const Cipher& cipher) {
  const std::optional<std::string> cipherText = cipher ? cipher(plainFrame, passPhrase) : encrypt(plainFrame, passPhrase);
  if (!cipherText) return false;
  const std::optional<std::string> text = Base64::encodeBase64WithData(*cipherText);
  if (!text) return false;
  body.append("10=76");
  body.push_back(MessageTagSeperator);
  body.append("27=");
  body.append(*text);
  body.push_back(MessageTagSeperator);
  if (isInitialRequest) {
    body.append("1153=2");
    body.push_back(MessageTagSeperator);
    body.append("1132=2");
    body.push_back(MessageTagSeperator);
  }
  return true;
}

}  // namespace td
