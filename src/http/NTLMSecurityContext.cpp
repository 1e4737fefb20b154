#include "http/NTLMSecurityContext.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>

namespace td {
namespace {

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

std::optional<std::string> NTLMSecurityContext::nextMessage(std::string_view challenge, std::string* error) {
  OM_uint32 minor = 0;
  gss_buffer_desc input = bufferOf(challenge);
  gss_buffer_desc output{0, nullptr};
  const OM_uint32 major =
      gss_init_sec_context(&minor, handles_->credentials, &handles_->context, handles_->target, &ntlmMechanism,
                           GSS_C_MUTUAL_FLAG | GSS_C_INTEG_FLAG, GSS_C_INDEFINITE, GSS_C_NO_CHANNEL_BINDINGS,
                           challenge.empty() ? GSS_C_NO_BUFFER : &input, nullptr, &output, nullptr, nullptr);
  std::optional<std::string> message;
  if (!GSS_ERROR(major) && output.length > 0) message.emplace(static_cast<const char*>(output.value), output.length);
  else setError(error, "NTLM message could not be made", major, minor);
  OM_uint32 ignored = 0;
  gss_release_buffer(&ignored, &output);
  return message;
}

}  // namespace td
