#include "platform/Defaults.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>

namespace td {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

DefaultsError systemError(int code, const std::string& what) {
  return DefaultsError{"Defaults", code, what + ": " + std::strerror(code)};
}

// ---- Base64 (standard alphabet, padded) ----

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string encodeBase64(const Bytes& in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8) | in[i + 2];
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i + 1 == in.size()) {
    const unsigned v = unsigned{in[i]} << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == in.size()) {
    const unsigned v = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::optional<Bytes> decodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::array<int, 256> value{};
  value.fill(-1);
  for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = i;
  Bytes out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int pad = 0;
    if (last && text[i + 3] == '=') pad = text[i + 2] == '=' ? 2 : 1;
    unsigned v = 0;
    for (size_t j = 0; j < 4; ++j) {
      int d = 0;
      if (j < 4 - static_cast<size_t>(pad)) {
        d = value[static_cast<unsigned char>(text[i + j])];
        if (d < 0) return std::nullopt;
      }
      v = (v << 6) | static_cast<unsigned>(d);
    }
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    if (pad < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    if (pad < 1) out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

// ---- JSON form of the values ----

json toJson(const Defaults::Value& value) {
  struct Visitor {
    json operator()(bool v) const { return v; }
    json operator()(std::int64_t v) const { return v; }
    json operator()(double v) const {
      if (std::isnan(v)) return json{{"double", "nan"}};
      if (std::isinf(v)) return json{{"double", v > 0 ? "inf" : "-inf"}};
      return v;
    }
    json operator()(const std::string& v) const { return v; }
    json operator()(const std::vector<std::string>& v) const { return v; }
    json operator()(const Bytes& v) const { return json{{"base64", encodeBase64(v)}}; }
  };
  return std::visit(Visitor{}, value);
}

std::optional<Defaults::Value> fromJson(const json& j) {
  switch (j.type()) {
    case json::value_t::boolean: return Defaults::Value{j.get<bool>()};
    case json::value_t::number_integer: return Defaults::Value{j.get<std::int64_t>()};
    case json::value_t::number_unsigned: {
      const auto u = j.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
      return Defaults::Value{static_cast<std::int64_t>(u)};
    }
    case json::value_t::number_float: return Defaults::Value{j.get<double>()};
    case json::value_t::string: return Defaults::Value{j.get<std::string>()};
    case json::value_t::array: {
      std::vector<std::string> list;
      for (const auto& e : j) {
        if (!e.is_string()) return std::nullopt;
        list.push_back(e.get<std::string>());
      }
      return Defaults::Value{std::move(list)};
    }
    case json::value_t::object: {
      if (j.size() != 1) return std::nullopt;
      if (const auto b = j.find("base64"); b != j.end() && b->is_string()) {
        auto bytes = decodeBase64(b->get_ref<const std::string&>());
        if (!bytes) return std::nullopt;
        return Defaults::Value{std::move(*bytes)};
      }
      if (const auto d = j.find("double"); d != j.end() && d->is_string()) {
        const auto& s = d->get_ref<const std::string&>();
        if (s == "nan") return Defaults::Value{std::numeric_limits<double>::quiet_NaN()};
        if (s == "inf") return Defaults::Value{std::numeric_limits<double>::infinity()};
        if (s == "-inf") return Defaults::Value{-std::numeric_limits<double>::infinity()};
      }
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

// ---- POSIX file layer ----

class PosixFileIO final : public DefaultsFileIO {
 public:
  ReadResult read(const fs::path& file) override {
    ReadResult result;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      const int e = errno;
      result.status = e == ENOENT ? ReadStatus::NotFound : ReadStatus::Failed;
      result.error = systemError(e, "cannot open " + file.string());
      return result;
    }
    char buf[16384];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        result.content.append(buf, static_cast<size_t>(n));
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        const int e = errno;
        ::close(fd);
        result.status = ReadStatus::Failed;
        result.content.clear();
        result.error = systemError(e, "cannot read " + file.string());
        return result;
      }
    }
    ::close(fd);
    return result;
  }

  std::optional<DefaultsError> writeAtomically(const fs::path& file, std::string_view content) override {
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::exists(dir, ec)) {
      fs::create_directories(dir, ec);
      if (ec) return systemError(ec.value(), "cannot create " + dir.string());
      ::chmod(dir.c_str(), 0700);
    }
    std::string tmp = (dir / ("." + file.filename().string() + ".tmp-XXXXXX")).string();
    const int fd = ::mkstemp(tmp.data());  // creates the file with mode 0600
    if (fd < 0) return systemError(errno, "cannot create a temporary file in " + dir.string());
    auto fail = [&](const std::string& what) {
      const int e = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      return systemError(e, what);
    };
    size_t done = 0;
    while (done < content.size()) {
      const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail("cannot write " + tmp);
      }
      done += static_cast<size_t>(n);
    }
    if (::fchmod(fd, 0600) != 0) return fail("cannot set the mode of " + tmp);
    if (::fsync(fd) != 0) return fail("cannot flush " + tmp);
    if (::close(fd) != 0) {
      const int e = errno;
      ::unlink(tmp.c_str());
      return systemError(e, "cannot close " + tmp);
    }
    if (::rename(tmp.c_str(), file.c_str()) != 0) {
      const int e = errno;
      ::unlink(tmp.c_str());
      return systemError(e, "cannot rename " + tmp + " to " + file.string());
    }
    // The new name is in place; flushing the directory makes the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      if (::fsync(dfd) != 0) TD_LOG_WARN("Defaults: cannot flush directory " + dir.string());
      ::close(dfd);
    }
    return std::nullopt;
  }

  std::optional<DefaultsError> rename(const fs::path& from, const fs::path& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) {
      return systemError(errno, "cannot rename " + from.string() + " to " + to.string());
    }
    return std::nullopt;
  }
};

std::string corruptSuffix() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%S", &tm);
  return buf;
}

struct NumberVisitor {
  std::optional<double> operator()(bool v) const { return v ? 1.0 : 0.0; }
  std::optional<double> operator()(std::int64_t v) const { return static_cast<double>(v); }
  std::optional<double> operator()(double v) const { return v; }
  template <typename T>
  std::optional<double> operator()(const T&) const {
    return std::nullopt;
  }
};

}  // namespace

std::shared_ptr<DefaultsFileIO> DefaultsFileIO::posix() {
  static const auto io = std::make_shared<PosixFileIO>();
  return io;
}

Defaults::Defaults(std::filesystem::path file, std::shared_ptr<DefaultsFileIO> io)
    : file_(std::move(file)), io_(std::move(io)) {
  load();
}

Defaults::~Defaults() {
  if (dirty()) synchronize();
}

std::filesystem::path Defaults::defaultDirectory() {
  // The base directory specification says to ignore a relative XDG_CONFIG_HOME.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    return fs::path(config) / "tarnwickdesk";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return fs::path(home) / ".config" / "tarnwickdesk";
  }
  return fs::path("/tmp") / "tarnwickdesk";
}

std::filesystem::path Defaults::defaultFilePath() { return defaultDirectory() / "defaults.json"; }

void Defaults::load() {
  const auto result = io_->read(file_);
  if (result.status == DefaultsFileIO::ReadStatus::NotFound) return;

  std::string problem;
  json root;
  if (result.status == DefaultsFileIO::ReadStatus::Failed) {
    problem = result.error.text;
  } else {
    root = json::parse(result.content, nullptr, false);
    if (root.is_discarded()) {
      problem = "not valid JSON";
    } else if (!root.is_object()) {
      problem = "not a JSON object";
    }
  }

  if (problem.empty()) {
    for (const auto& [key, j] : root.items()) {
      if (auto value = fromJson(j)) {
        values_.emplace(key, std::move(*value));
      } else {
        TD_LOG_WARN("Defaults: dropped entry \"" + key + "\" of unknown form in " + file_.string());
      }
    }
    return;
  }

  // Keep the damaged file for inspection; never write over it.
  const std::string base = file_.string() + ".corrupt-" + corruptSuffix();
  fs::path aside = base;
  std::error_code ec;
  for (int n = 1; fs::exists(aside, ec) && n < 1000; ++n) aside = base + "-" + std::to_string(n);
  if (const auto err = io_->rename(file_, aside)) {
    blocked_ = DefaultsError{"Defaults", err->code,
                             "settings file " + file_.string() + " is damaged and could not be moved aside: " + err->text};
    TD_LOG_ERROR("Defaults: " + blocked_->text + "; settings will not be saved in this run");
    return;
  }
  TD_LOG_ERROR("Defaults: settings file " + file_.string() + " unusable (" + problem + "); moved to " +
               aside.string() + ", starting with empty settings");
}

void Defaults::setObject(const std::string& key, Value value) {
  std::lock_guard lock(mutex_);
  values_[key] = std::move(value);
  dirty_ = true;
}

void Defaults::removeObject(const std::string& key) {
  std::lock_guard lock(mutex_);
  if (values_.erase(key) > 0) dirty_ = true;
}

std::optional<Defaults::Value> Defaults::object(const std::string& key) const {
  std::lock_guard lock(mutex_);
  const auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<bool> Defaults::boolValue(const std::string& key) const {
  const auto v = object(key);
  if (!v) return std::nullopt;
  const auto d = std::visit(NumberVisitor{}, *v);
  if (!d || std::isnan(*d)) return std::nullopt;
  return *d != 0.0;
}

std::optional<std::int64_t> Defaults::integerValue(const std::string& key) const {
  const auto v = object(key);
  if (!v) return std::nullopt;
  if (const auto* i = std::get_if<std::int64_t>(&*v)) return *i;
  const auto d = std::visit(NumberVisitor{}, *v);
  if (!d || std::isnan(*d)) return std::nullopt;
  // 2^63 is exactly representable; anything at or above it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (*d >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (*d <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(*d);
}

std::optional<double> Defaults::doubleValue(const std::string& key) const {
  const auto v = object(key);
  if (!v) return std::nullopt;
  return std::visit(NumberVisitor{}, *v);
}

std::optional<std::string> Defaults::stringValue(const std::string& key) const {
  const auto v = object(key);
  if (!v) return std::nullopt;
  if (auto* s = std::get_if<std::string>(&*v)) return std::move(*s);
  return std::nullopt;
}

std::optional<std::vector<std::string>> Defaults::stringArrayValue(const std::string& key) const {
  const auto v = object(key);
  if (!v) return std::nullopt;
  if (auto* s = std::get_if<std::vector<std::string>>(&*v)) return std::move(*s);
  return std::nullopt;
}

std::optional<Bytes> Defaults::dataValue(const std::string& key) const {
  const auto v = object(key);
  if (!v) return std::nullopt;
  if (auto* b = std::get_if<Bytes>(&*v)) return std::move(*b);
  return std::nullopt;
}

std::vector<std::string> Defaults::keys() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  out.reserve(values_.size());
  for (const auto& entry : values_) out.push_back(entry.first);
  return out;
}

bool Defaults::dirty() const {
  std::lock_guard lock(mutex_);
  return dirty_;
}

std::optional<DefaultsError> Defaults::synchronize() {
  std::lock_guard writeLock(writeMutex_);
  std::string content;
  {
    std::lock_guard lock(mutex_);
    if (blocked_) return blocked_;
    if (!dirty_) return std::nullopt;
    json root = json::object();
    for (const auto& [key, value] : values_) root[key] = toJson(value);
    content = root.dump(2, ' ', false, json::error_handler_t::replace);
    content += '\n';
    dirty_ = false;
  }
  auto error = io_->writeAtomically(file_, content);
  if (error) {
    {
      std::lock_guard lock(mutex_);
      dirty_ = true;
    }
    TD_LOG_ERROR("Defaults: settings not saved: " + error->text);
  }
  return error;
}

}  // namespace td
