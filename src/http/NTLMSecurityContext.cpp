#include "http/NTLMSecurityContext.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace td {
namespace {

// The challenge message: signature, type, target name field, flags, the server's challenge, eight
// reserved bytes and the target information field (48 bytes), then the version (8 bytes) when the
// flags say so, then the payload that the fields point into. A field is its length (2 bytes), its
// maximum length (2 bytes, which receivers ignore) and its offset from the start (4 bytes). Old
// servers send only the first 32 bytes, up to the server's challenge, which the mechanism takes when
// no target information is announced. The mechanism reads the target name only when a target type
// is flagged, and the target information only when its flag is set.
constexpr std::string_view kSignature{"NTLMSSP\0", 8};
constexpr std::uint32_t kChallengeMessage = 2;
constexpr std::size_t kTypeAt = 8, kTargetNameAt = 12, kFlagsAt = 20, kTargetInfoAt = 40, kHeaderSize = 48;
constexpr std::size_t kOldHeaderSize = 32, kVersionSize = 8;
constexpr std::uint32_t kUnicodeFlag = 0x00000001, kTargetTypeFlags = 0x00030000, kTargetInfoFlag = 0x00800000,
                        kVersionFlag = 0x02000000;

// Attribute kinds of the target information (AvId).
enum : std::uint16_t {
  kAvEnd = 0,
  kAvNetBIOSComputer = 1,
  kAvNetBIOSDomain = 2,
  kAvDNSComputer = 3,
  kAvDNSDomain = 4,
  kAvDNSTree = 5,
  kAvFlags = 6,
  kAvTimestamp = 7,
  kAvSingleHost = 8,
  kAvTargetName = 9,
  kAvChannelBindings = 10,
};

std::uint16_t le16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t le32(std::string_view bytes, std::size_t at) {
  return le16(bytes, at) | static_cast<std::uint32_t>(le16(bytes, at + 2)) << 16;
}

// The bytes of the field whose header stands at `at`; nothing when they lie outside the payload.
std::optional<std::string_view> fieldBytes(std::string_view message, std::size_t at, std::size_t payloadStart) {
  const std::size_t length = le16(message, at);
  const std::size_t offset = le32(message, at + 4);
  if (length == 0) return std::string_view();
  if (offset < payloadStart || offset > message.size() || length > message.size() - offset) return std::nullopt;
  return message.substr(offset, length);
}

// Whether an attribute of this kind may have this length: names are UTF-16, possibly empty (Samba
// sends an empty DNS domain for a host without one), the others have their fixed sizes; kinds the
// mechanism does not read may have any length.
bool attributeLengthFits(std::uint16_t kind, std::size_t length) {
  switch (kind) {
    case kAvEnd: return length == 0;
    case kAvNetBIOSComputer:
    case kAvNetBIOSDomain:
    case kAvDNSComputer:
    case kAvDNSDomain:
    case kAvDNSTree:
    case kAvTargetName: return length % 2 == 0;
    case kAvFlags: return length == 4;
    case kAvTimestamp: return length == 8;
    case kAvSingleHost: return length == 48;
    case kAvChannelBindings: return length == 16;
    default: return true;
  }
}

// The target information: attribute-value pairs (kind and length, 2 bytes each, then the value),
// each kind at most once, ended by the terminator (kind 0, no value). The mechanism stops at the
// terminator: what follows it is never read.
std::optional<std::string> targetInformationFault(std::string_view info) {
  std::vector<std::uint16_t> seen;
  std::size_t at = 0;
  while (true) {
    if (info.size() - at < 4) return "The NTLM challenge's target information ends without its terminator";
    const std::uint16_t kind = le16(info, at);
    const std::size_t length = le16(info, at + 2);
    at += 4;
    if (length > info.size() - at) return "An attribute of the NTLM challenge's target information runs past its end";
    if (std::find(seen.begin(), seen.end(), kind) != seen.end())
      return "The NTLM challenge's target information holds an attribute twice";
    seen.push_back(kind);
    if (!attributeLengthFits(kind, length))
      return "An attribute of the NTLM challenge's target information has a length its kind cannot have";
    at += length;
    if (kind == kAvEnd) return std::nullopt;
  }
}

// 1.3.6.1.4.1.311.2.2.10, the NTLM security support provider.
gss_OID_desc ntlmMechanism{10, const_cast<char*>("\x2b\x06\x01\x04\x01\x82\x37\x02\x02\x0a")};

std::string statusText(OM_uint32 status, int type) {
  std::string text;
  OM_uint32 context = 0;
  do {
    OM_uint32 minor = 0;
    gss_buffer_desc message{0, nullptr};
    if (gss_display_status(&minor, status, type, &ntlmMechanism, &context, &message) != GSS_S_COMPLETE) break;
    if (!text.empty()) text += "; ";
    text.append(static_cast<const char*>(message.value), message.length);
    gss_release_buffer(&minor, &message);
  } while (context != 0);
  return text;
}

void setError(std::string* error, const char* step, OM_uint32 major, OM_uint32 minor) {
  if (!error) return;
  *error = std::string(step) + ": " + statusText(major, GSS_C_GSS_CODE);
  if (minor != 0) *error += " (" + statusText(minor, GSS_C_MECH_CODE) + ")";
}

gss_buffer_desc bufferOf(std::string_view text) {
  return gss_buffer_desc{text.size(), const_cast<char*>(text.data())};
}

}  // namespace

struct NTLMSecurityContext::Handles {
  gss_cred_id_t credentials = GSS_C_NO_CREDENTIAL;
  gss_name_t target = GSS_C_NO_NAME;
  gss_ctx_id_t context = GSS_C_NO_CONTEXT;
  ~Handles() {
    OM_uint32 minor = 0;
    if (context != GSS_C_NO_CONTEXT) gss_delete_sec_context(&minor, &context, GSS_C_NO_BUFFER);
    if (target != GSS_C_NO_NAME) gss_release_name(&minor, &target);
    if (credentials != GSS_C_NO_CREDENTIAL) gss_release_cred(&minor, &credentials);
  }
};

bool NTLMSecurityContext::available() {
  static const bool offered = [] {
    OM_uint32 minor = 0;
    gss_OID_set mechanisms = GSS_C_NO_OID_SET;
    if (gss_indicate_mechs(&minor, &mechanisms) != GSS_S_COMPLETE) return false;
    int present = 0;
    gss_test_oid_set_member(&minor, &ntlmMechanism, mechanisms, &present);
    gss_release_oid_set(&minor, &mechanisms);
    return present != 0;
  }();
  return offered;
}

NTLMSecurityContext::NTLMSecurityContext(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
NTLMSecurityContext::~NTLMSecurityContext() = default;

std::unique_ptr<NTLMSecurityContext> NTLMSecurityContext::start(const std::string& domain, const std::string& user,
                                                                const std::string& password,
                                                                const std::string& host, std::string* error) {
  auto handles = std::make_unique<Handles>();
  OM_uint32 minor = 0;
  // The mechanism reads "DOMAIN\user" as a user of that domain.
  const std::string account = domain.empty() ? user : domain + "\\" + user;
  gss_buffer_desc accountText = bufferOf(account);
  gss_name_t name = GSS_C_NO_NAME;
  OM_uint32 major = gss_import_name(&minor, &accountText, GSS_C_NT_USER_NAME, &name);
  if (major != GSS_S_COMPLETE) {
    setError(error, "The NTLM user name was not accepted", major, minor);
    return nullptr;
  }
  gss_buffer_desc secret = bufferOf(password);
  gss_OID_set_desc mechanisms{1, &ntlmMechanism};
  major = gss_acquire_cred_with_password(&minor, name, &secret, GSS_C_INDEFINITE, &mechanisms, GSS_C_INITIATE,
                                         &handles->credentials, nullptr, nullptr);
  OM_uint32 ignored = 0;
  gss_release_name(&ignored, &name);
  if (major != GSS_S_COMPLETE) {
    setError(error, "NTLM credentials could not be made", major, minor);
    return nullptr;
  }
  const std::string service = "HTTP@" + host;
  gss_buffer_desc serviceText = bufferOf(service);
  major = gss_import_name(&minor, &serviceText, GSS_C_NT_HOSTBASED_SERVICE, &handles->target);
  if (major != GSS_S_COMPLETE) {
    setError(error, "The NTLM server name was not accepted", major, minor);
    return nullptr;
  }
  return std::unique_ptr<NTLMSecurityContext>(new NTLMSecurityContext(std::move(handles)));
}

std::optional<std::string> NTLMSecurityContext::challengeFault(std::string_view challenge) {
  if (challenge.empty()) return "The NTLM challenge is empty";
  if (challenge.size() < kOldHeaderSize) return "The NTLM challenge is shorter than its header";
  if (challenge.substr(0, kSignature.size()) != kSignature) return "The NTLM challenge lacks the NTLMSSP signature";
  if (const std::uint32_t type = le32(challenge, kTypeAt); type != kChallengeMessage)
    return "The NTLM message is of type " + std::to_string(type) + ", not a challenge";
  const std::uint32_t flags = le32(challenge, kFlagsAt);
  const std::size_t payloadStart = kHeaderSize + ((flags & kVersionFlag) ? kVersionSize : 0);
  const bool old = challenge.size() == kOldHeaderSize;
  if (!old && challenge.size() < payloadStart) return "The NTLM challenge is shorter than its header";
  if (flags & kTargetTypeFlags) {
    const auto name = fieldBytes(challenge, kTargetNameAt, payloadStart);
    if (!name) return "The NTLM challenge's target name lies outside the message";
    if (flags & kUnicodeFlag) {
      // The mechanism writes through a null pointer for an empty Unicode target name.
      if (name->empty()) return "The NTLM challenge names no target";
      if (name->size() % 2 != 0) return "The NTLM challenge's target name is not UTF-16";
    }
  }
  if (flags & kTargetInfoFlag) {
    if (old) return "The NTLM challenge announces target information but ends before its field";
    const auto info = fieldBytes(challenge, kTargetInfoAt, payloadStart);
    if (!info) return "The NTLM challenge's target information lies outside the message";
    if (!info->empty()) return targetInformationFault(*info);
  }
  return std::nullopt;
}

std::optional<std::string> NTLMSecurityContext::negotiateMessage(std::string* error) {
  if (next_ != Step::Negotiate) {
    next_ = Step::Over;
    if (error) *error = "The NTLM handshake has already begun";
    return std::nullopt;
  }
  return step(nullptr, error);
}

std::optional<std::string> NTLMSecurityContext::authenticateMessage(std::string_view challenge, std::string* error) {
  std::optional<std::string> fault;
  if (next_ != Step::Authenticate) fault = "The NTLM handshake has no challenge to answer";
  else fault = challengeFault(challenge);
  if (fault) {
    next_ = Step::Over;
    if (error) *error = std::move(*fault);
    return std::nullopt;
  }
  return step(&challenge, error);
}

std::optional<std::string> NTLMSecurityContext::step(const std::string_view* challenge, std::string* error) {
  OM_uint32 minor = 0;
  gss_buffer_desc input = bufferOf(challenge ? *challenge : std::string_view());
  gss_buffer_desc output{0, nullptr};
  // No input token only for the first step: once the context exists, the mechanism reads through a
  // missing token.
  const OM_uint32 major =
      gss_init_sec_context(&minor, handles_->credentials, &handles_->context, handles_->target, &ntlmMechanism,
                           GSS_C_MUTUAL_FLAG | GSS_C_INTEG_FLAG, GSS_C_INDEFINITE, GSS_C_NO_CHANNEL_BINDINGS,
                           challenge ? &input : GSS_C_NO_BUFFER, nullptr, &output, nullptr, nullptr);
  std::optional<std::string> message;
  if (!GSS_ERROR(major) && output.length > 0) message.emplace(static_cast<const char*>(output.value), output.length);
  else setError(error, "NTLM message could not be made", major, minor);
  OM_uint32 ignored = 0;
  gss_release_buffer(&ignored, &output);
  next_ = message && next_ == Step::Negotiate ? Step::Authenticate : Step::Over;
  return message;
}

}  // namespace td
