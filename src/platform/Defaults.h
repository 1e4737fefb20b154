#pragma once
// The user defaults: typed settings under text keys, kept in one JSON file per OS user,
// by default $XDG_CONFIG_HOME/tarnwickdesk/defaults.json (~/.config/tarnwickdesk/ when it is unset
// or not an absolute path).
//
// Writing: a setter changes the value in memory and marks the store dirty; it does NOT write the
// file. synchronize() writes at once (callers that must have a value on disk now call it right after
// the setter). The destructor writes a dirty store as well.
//
// The file is replaced atomically: the new content goes to a temporary file in the same directory,
// which is flushed to disk (fsync), given mode 0600 and renamed over the old file; then the directory
// is flushed. A crash or a failed write at any point leaves the previous file whole.
//
// File format: one JSON object, key -> value. bool, integer and double are JSON booleans and
// numbers (a double is always written with a fraction or exponent, so it reads back as a double),
// text is a JSON string, a list of texts a JSON array of strings. Two values are tagged objects:
// bytes are {"base64": "<standard Base64 with padding>"}, and a double that JSON cannot hold (NaN,
// infinities) is {"double": "nan" | "inf" | "-inf"}. Text that is not valid UTF-8 is written with
// U+FFFD in place of the broken bytes.
//
// Reading: a file that cannot be read or parsed, or whose top level is not an object, is renamed
// aside as "<file>.corrupt-<yyyyMMddTHHmmss>" with a log line, and the store starts empty. A single
// entry of an unknown shape is dropped with a log line; the other entries are kept. Should the
// damaged file not move aside, the store never writes in this run (synchronize() reports why), so
// the damaged file is not replaced unseen.
//
// Thread safety: every member may be called from any thread. Setters never wait for the disk.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace td {

using Bytes = std::vector<std::uint8_t>;

struct DefaultsError {
  std::string domain = "Defaults";
  int code = 0;  // errno where the system gave one
  std::string text;
};

// The file layer under the store; tests replace it to make reads or writes fail on purpose.
class DefaultsFileIO {
 public:
  enum class ReadStatus { Ok, NotFound, Failed };
  struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    std::string content;
    DefaultsError error;
  };

  virtual ~DefaultsFileIO() = default;
  virtual ReadResult read(const std::filesystem::path& file) = 0;
  // Creates the directory when needed (mode 0700) and replaces the file atomically with mode 0600.
  virtual std::optional<DefaultsError> writeAtomically(const std::filesystem::path& file,
                                                       std::string_view content) = 0;
  virtual std::optional<DefaultsError> rename(const std::filesystem::path& from,
                                              const std::filesystem::path& to) = 0;

  // The POSIX implementation described above.
  static std::shared_ptr<DefaultsFileIO> posix();
};

class Defaults {
 public:
  using Value = std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>, Bytes>;

  // Loads file at once (see "Reading" above).
  explicit Defaults(std::filesystem::path file, std::shared_ptr<DefaultsFileIO> io = DefaultsFileIO::posix());
  ~Defaults();
  Defaults(const Defaults&) = delete;
  Defaults& operator=(const Defaults&) = delete;

  // $XDG_CONFIG_HOME/tarnwickdesk (or ~/.config/tarnwickdesk) and the default file in it.
  static std::filesystem::path defaultDirectory();
  static std::filesystem::path defaultFilePath();

  const std::filesystem::path& file() const { return file_; }

  // Setters: in memory, marking the store dirty.
  void setObject(const std::string& key, Value value);
  void setBool(const std::string& key, bool value) { setObject(key, value); }
  void setInteger(const std::string& key, std::int64_t value) { setObject(key, value); }
  void setDouble(const std::string& key, double value) { setObject(key, value); }
  void setString(const std::string& key, std::string value) { setObject(key, std::move(value)); }
  void setStringArray(const std::string& key, std::vector<std::string> value) { setObject(key, std::move(value)); }
  void setData(const std::string& key, Bytes value) { setObject(key, std::move(value)); }
  void removeObject(const std::string& key);

  // Typed reads: nullopt when the key is absent or holds another type. Numbers convert among
  // themselves (bool <-> integer <-> double; a double read as integer is truncated toward zero,
  // saturating at the integer range; NaN gives nullopt).
  std::optional<Value> object(const std::string& key) const;
  std::optional<bool> boolValue(const std::string& key) const;
  std::optional<std::int64_t> integerValue(const std::string& key) const;
  std::optional<double> doubleValue(const std::string& key) const;
  std::optional<std::string> stringValue(const std::string& key) const;
  std::optional<std::vector<std::string>> stringArrayValue(const std::string& key) const;
  std::optional<Bytes> dataValue(const std::string& key) const;

  // The usual defaults for an absent key: false, 0, 0.0.
  bool boolForKey(const std::string& key) const { return boolValue(key).value_or(false); }
  std::int64_t integerForKey(const std::string& key) const { return integerValue(key).value_or(0); }
  double doubleForKey(const std::string& key) const { return doubleValue(key).value_or(0.0); }

  std::vector<std::string> keys() const;
  bool dirty() const;

  // Writes the store now if it changed since the last write. On failure the store stays dirty, the
  // previous file is untouched, and the error comes back (and is logged).
  std::optional<DefaultsError> synchronize();

 private:
  void load();

  const std::filesystem::path file_;
  const std::shared_ptr<DefaultsFileIO> io_;
  std::mutex writeMutex_;  // orders whole writes; taken before mutex_
  mutable std::mutex mutex_;
  std::map<std::string, Value> values_;
  bool dirty_ = false;
  std::optional<DefaultsError> blocked_;  // set when a damaged file could not be moved aside
};

}  // namespace td
