#pragma once
// A request that posts a form: named text values and named file parts, written as an
// "application/x-www-form-urlencoded" or a "multipart/form-data" body when the body is built.

#include <string>
#include <variant>
#include <vector>

#include "http/ASIHTTPRequest.h"

namespace td {

enum ASIPostFormat { ASIMultipartFormDataPostFormat = 0, ASIURLEncodedPostFormat = 1 };

class ASIFormDataRequest : public ASIHTTPRequest {
 public:
  using Ptr = std::shared_ptr<ASIFormDataRequest>;

  struct PostValue {
    std::string key;
    std::string value;
  };
  struct FilePart {
    std::string key;
    std::string fileName;
    std::string contentType;
    // A path (read when the body is built) or the bytes themselves.
    std::variant<std::string, std::string> data;
    bool isPath() const { return data.index() == 0; }
  };

  static Ptr requestWithURL(const URL& url);
  ASIHTTPRequest::Ptr copy() const override;

  void addPostValue(const std::string& value, const std::string& key);
  void setPostValue(const std::string& value, const std::string& key);
  void addFile(const std::string& path, const std::string& key);
  void addFile(const std::string& path, std::optional<std::string> fileName, std::optional<std::string> contentType,
               const std::string& key);
  void setFile(const std::string& path, const std::string& key);
  void setFile(const std::string& path, std::optional<std::string> fileName, std::optional<std::string> contentType,
               const std::string& key);
  void addData(const std::string& data, const std::string& key);
  void addData(const std::string& data, std::optional<std::string> fileName, std::optional<std::string> contentType,
               const std::string& key);
  void setData(const std::string& data, const std::string& key);
  void setData(const std::string& data, std::optional<std::string> fileName, std::optional<std::string> contentType,
               const std::string& key);

  void buildPostBody() override;
  // Percent escapes in the request's string encoding of everything a URL cannot hold and of
  // :/?#[]@!$ &'()*+,;="<>%{}|\^~` ; "" when the text cannot be written in that encoding.
  std::string encodeURL(const std::string& text) const;

  ASI_PROPERTY(std::vector<PostValue>, postData, setPostData);
  ASI_PROPERTY(std::vector<FilePart>, fileData, setFileData);
  ASI_PROPERTY(int, postFormat, setPostFormat) = ASIURLEncodedPostFormat;
  ASI_PROPERTY(std::string, stringEncoding, setStringEncoding) = "UTF-8";

 protected:
  explicit ASIFormDataRequest(const URL& url);

 private:
  void buildMultipartFormDataPostBody();
  void buildURLEncodedPostBody();
  void appendPostString(const std::string& text);
  void addPart(FilePart part);
  bool hasValuesOrFiles_ = false;
};

}  // namespace td
