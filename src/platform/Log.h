#pragma once
// Levelled, thread-safe log lines. Every layer logs through here. A line that passes the threshold
// goes to the log file under $XDG_STATE_HOME/tarnwickdesk/ and, when it is a warning or an error,
// to stderr as well; without an open log file every line goes to stderr.
//
// Each line is "yyyy-MM-dd HH:mm:ss.SSS LEVEL text" in local time. The log file is rotated as
// logrotate does: when a line would take it past its size limit (10 MiB), "<name>.2" becomes
// "<name>.3", "<name>.1" becomes "<name>.2", the file becomes "<name>.1" and a new file is begun;
// three old files are kept and the oldest goes. A line is never split between two files.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace td::log {

enum class Level { Debug = 0, Info = 1, Warning = 2, Error = 3, Off = 4 };

// Lines below the threshold are dropped before formatting; the default is Info.
void setLevel(Level level);
Level level();
inline bool enabled(Level l) { return l >= level() && level() != Level::Off; }

// Writes one line. Safe from any thread; lines never interleave.
void write(Level level, std::string_view text);

// Tests capture lines here instead of stderr and the file; pass an empty function to restore.
using Sink = std::function<void(Level, std::string_view)>;
void setSink(Sink sink);

struct Rotation {
  std::uint64_t maxBytes = 10 * 1024 * 1024;  // a file is rotated before it would grow past this
  int keep = 3;                               // old files kept (<name>.1 is the newest)
};

// Opens (or re-opens) the log file for appending, in place of the one open; without a call, lines
// go to stderr only. Returns false with a line on stderr when the file cannot be opened (the file
// open before, if any, stays open).
bool openFile(const std::string& path, Rotation rotation = {});
// Closes the log file; from then on every line goes to stderr.
void closeFile();
// $XDG_STATE_HOME/tarnwickdesk/tarnwickdesk.log (or ~/.local/state/...).
std::string defaultFilePath();

// Masks the values of the password tags (18, 103, 104) in a wire body or a decoded frame:
// "18=secret" becomes "18=******". Fields are ended by 0x03 (or by the end of the text).
std::string maskSecrets(std::string_view body);

}  // namespace td::log

// Convenience forms; the text is only built when the level is enabled.
#define TD_LOG(lvl, expr)                                         \
  do {                                                            \
    if (::td::log::enabled(lvl)) ::td::log::write((lvl), (expr)); \
  } while (0)
#define TD_LOG_DEBUG(expr) TD_LOG(::td::log::Level::Debug, expr)
#define TD_LOG_INFO(expr) TD_LOG(::td::log::Level::Info, expr)
#define TD_LOG_WARN(expr) TD_LOG(::td::log::Level::Warning, expr)
#define TD_LOG_ERROR(expr) TD_LOG(::td::log::Level::Error, expr)
