#pragma once
// The encrypted envelope of the TCP session: a message of type 76 whose field 27 carries the Base64
// text of the AES-256-CBC cipher text of a whole plain frame, keyed by the pass phrase (`SecurityKey`).
// The first request of a connection (login, demo user creation) adds 1153=2 and 1132=2.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace td {

class Envelope {
 public:
  // Encrypts a plain frame under a pass phrase; nothing when encryption fails.
  using Cipher = std::function<std::optional<std::string>(std::string_view plainFrame, std::string_view passPhrase)>;

  // The cipher of the envelope: AES-256-CBC (algorithm 0) of Crypto.
  static std::optional<std::string> encrypt(std::string_view plainFrame, std::string_view passPhrase);

  // Appends the envelope body (10=76, 27=<Base64>, and on an initial request 1153=2, 1132=2, each
  // field ended by 0x03) to `body`. False, with `body` unchanged, when encryption yields nothing.
  // An empty `cipher` means encrypt().
  static bool writeBody(std::string_view plainFrame, std::string_view passPhrase, bool isInitialRequest,
                        std::string& body, const Cipher& cipher = {});
};

}  // namespace td
