#pragma once
// Levelled, thread-safe log lines. Every layer logs through here; a line goes to stderr (when the
// level passes the threshold) and to the log file under $XDG_STATE_HOME/tarnwickdesk/.

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

// Opens (or re-opens) the log file; without a call, lines go to stderr only.
// Returns false with a line on stderr when the file cannot be opened.
bool openFile(const std::string& path);
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
