#include "http/ASIFormDataRequest.h"

#include <sys/stat.h>

#include <algorithm>

#include "http/HTTPUtilities.h"

namespace td {
namespace {

// A field or file name as a quoted value of Content-Disposition: a quote in it would end the value
// early, so it is written "%22", as browsers write it. (Line breaks are refused before this.)
std::string dispositionValue(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '"') out += "%22";
    else out.push_back(c);
  }
  return out;
}

}  // namespace

ASIFormDataRequest::ASIFormDataRequest(const URL& url) : ASIHTTPRequest(url) { setRequestMethod("POST"); }

ASIFormDataRequest::Ptr ASIFormDataRequest::requestWithURL(const URL& url) { return Ptr(new ASIFormDataRequest(url)); }

ASIHTTPRequest::Ptr ASIFormDataRequest::copy() const {
  Ptr other(new ASIFormDataRequest(url()));
  copySettingsInto(*other);
  other->setPostData(postData());
  other->setFileData(fileData());
  other->setPostFormat(postFormat());
  other->setStringEncoding(stringEncoding());
  other->setRequestMethod(requestMethod());
  std::lock_guard lock(cancelledLock());
  other->hasValuesOrFiles_ = hasValuesOrFiles_;
  return other;
}

void ASIFormDataRequest::addPostValue(const std::string& value, const std::string& key) {
  std::lock_guard lock(cancelledLock());
  postData_.push_back(PostValue{key, value});
  hasValuesOrFiles_ = true;
}

void ASIFormDataRequest::setPostValue(const std::string& value, const std::string& key) {
  std::lock_guard lock(cancelledLock());
  std::erase_if(postData_, [&](const PostValue& v) { return v.key == key; });
  addPostValue(value, key);
}

void ASIFormDataRequest::addPart(FilePart part) {
  std::lock_guard lock(cancelledLock());
  fileData_.push_back(std::move(part));
  hasValuesOrFiles_ = true;
}

void ASIFormDataRequest::addFile(const std::string& path, const std::string& key) {
  addFile(path, std::nullopt, std::nullopt, key);
}

void ASIFormDataRequest::addFile(const std::string& path, std::optional<std::string> fileName,
                                 std::optional<std::string> contentType, const std::string& key) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType, "No file exists at " + path));
  if (!fileName) {
    const auto slash = path.rfind('/');
    fileName = slash == std::string::npos ? path : path.substr(slash + 1);
  }
  if (!contentType) contentType = mimeTypeForFileAtPath(path);
  addPart(FilePart{key, *fileName, contentType.value_or("application/octet-stream"),
                   std::variant<std::string, std::string>(std::in_place_index<0>, path)});
}

void ASIFormDataRequest::setFile(const std::string& path, const std::string& key) { setFile(path, std::nullopt, std::nullopt, key); }

void ASIFormDataRequest::setFile(const std::string& path, std::optional<std::string> fileName,
                                 std::optional<std::string> contentType, const std::string& key) {
  {
    std::lock_guard lock(cancelledLock());
    std::erase_if(fileData_, [&](const FilePart& p) { return p.key == key; });
  }
  addFile(path, std::move(fileName), std::move(contentType), key);
}

void ASIFormDataRequest::addData(const std::string& data, const std::string& key) {
  addData(data, std::string("file"), std::nullopt, key);
}

void ASIFormDataRequest::addData(const std::string& data, std::optional<std::string> fileName,
                                 std::optional<std::string> contentType, const std::string& key) {
  addPart(FilePart{key, fileName.value_or("file"), contentType.value_or("application/octet-stream"),
                   std::variant<std::string, std::string>(std::in_place_index<1>, data)});
}

void ASIFormDataRequest::setData(const std::string& data, const std::string& key) {
  setData(data, std::string("file"), std::nullopt, key);
}

void ASIFormDataRequest::setData(const std::string& data, std::optional<std::string> fileName,
                                 std::optional<std::string> contentType, const std::string& key) {
  {
    std::lock_guard lock(cancelledLock());
    std::erase_if(fileData_, [&](const FilePart& p) { return p.key == key; });
  }
  addData(data, std::move(fileName), std::move(contentType), key);
}

std::string ASIFormDataRequest::encodeURL(const std::string& text) const {
  const auto bytes = encodeText(text, stringEncoding());
  if (!bytes) return "";
  auto plain = [](unsigned char c) {
    constexpr std::string_view reserved = ":/?#[]@!$ &'()*+,;=\"<>%{}|\\^~`";
    return c > 0x20 && c < 0x7f && reserved.find(static_cast<char>(c)) == std::string_view::npos;
  };
  return percentEncode(*bytes, plain);
}

void ASIFormDataRequest::appendPostString(const std::string& text) {
  appendPostData(encodeText(text, stringEncoding()).value_or(""));
}

void ASIFormDataRequest::buildPostBody() {
  std::lock_guard lock(cancelledLock());
  if (haveBuiltPostBody()) return;
  // A line break in a name would end a part's head and start lines the caller never wrote.
  auto refuse = [&](const char* what, const std::string& text) {
    if (!holdsLineBreakOrNul(text)) return false;
    failWithError(HTTPError::request(ASIInternalErrorWhileBuildingRequestType,
                                     std::string("The ") + what + " " + quotedWithVisibleBreaks(text) +
                                         " contains a line break or NUL character"));
    return true;
  };
  for (const PostValue& value : postData_)
    if (refuse("form field name", value.key)) return;
  for (const FilePart& part : fileData_)
    if (refuse("form field name", part.key) || refuse("file name", part.fileName) ||
        refuse("content type", part.contentType))
      return;
  if (!hasValuesOrFiles_) {
    ASIHTTPRequest::buildPostBody();
    return;
  }
  if (!fileData_.empty()) setShouldStreamPostDataFromDisk(true);
  if (postFormat_ == ASIURLEncodedPostFormat) buildURLEncodedPostBody();
  else buildMultipartFormDataPostBody();
  ASIHTTPRequest::buildPostBody();
}

void ASIFormDataRequest::buildURLEncodedPostBody() {
  std::lock_guard lock(cancelledLock());
  if (!fileData_.empty()) {
    postFormat_ = ASIMultipartFormDataPostFormat;
    buildMultipartFormDataPostBody();
    return;
  }
  const std::string charset = toLower(ianaCharsetName(stringEncoding_).value_or(stringEncoding_));
  addRequestHeader("Content-Type", "application/x-www-form-urlencoded; charset=" + charset);
  for (std::size_t i = 0; i < postData_.size(); ++i) {
    appendPostString(encodeURL(postData_[i].key) + "=" + encodeURL(postData_[i].value) +
                     (i + 1 < postData_.size() ? "&" : ""));
  }
}

void ASIFormDataRequest::buildMultipartFormDataPostBody() {
  std::lock_guard lock(cancelledLock());
  const std::string boundary = "0xKhTmLbOuNdArY-" + globallyUniqueString();
  const std::string charset = toLower(ianaCharsetName(stringEncoding_).value_or(stringEncoding_));
  addRequestHeader("Content-Type", "multipart/form-data; charset=" + charset + "; boundary=" + boundary);
  appendPostString("--" + boundary + "\r\n");
  const std::string separator = "\r\n--" + boundary + "\r\n";
  for (std::size_t i = 0; i < postData_.size(); ++i) {
    appendPostString("Content-Disposition: form-data; name=\"" + dispositionValue(postData_[i].key) + "\"\r\n\r\n");
    appendPostString(postData_[i].value);
    if (i + 1 < postData_.size() || !fileData_.empty()) appendPostString(separator);
  }
  for (std::size_t i = 0; i < fileData_.size(); ++i) {
    const FilePart& part = fileData_[i];
    appendPostString("Content-Disposition: form-data; name=\"" + dispositionValue(part.key) + "\"; filename=\"" +
                     dispositionValue(part.fileName) + "\"\r\n");
    appendPostString("Content-Type: " + part.contentType + "\r\n\r\n");
    if (part.isPath()) appendPostDataFromFile(std::get<0>(part.data));
    else appendPostData(std::get<1>(part.data));
    if (i + 1 < fileData_.size()) appendPostString(separator);
  }
  appendPostString("\r\n--" + boundary + "--\r\n");
}

}  // namespace td
