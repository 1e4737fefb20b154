#pragma once
// Wires the banner library and the named sounds to Qt: the banners' timers on the application's
// main queue, the banner windows, the sound player. Called once by the application after its
// QApplication and its main queue exist.

#include <QObject>
#include <functional>
#include <string>

namespace td {

class Defaults;
class MainQueue;

struct QtBannerOptions {
  // The main queue of the application; null means MainQueue::instance() at the time of each banner.
  MainQueue* queue = nullptr;
  // The "SoundKey" setting, read on every named sound (true: sounds off); see soundKeyOf().
  std::function<bool()> soundKey;
  // The application's localised texts ("Close", "Show"); the key itself where empty.
  std::function<std::string(const std::string&)> localizedString;
  std::string applicationName = "TarnwickDesk";
};

// Reads "SoundKey" from the user defaults (false when absent); the store must outlive the reader.
std::function<bool()> soundKeyOf(const Defaults& defaults);

// The sound player becomes a child of owner (the application object). When the application's
// event loop ends, both centres let go of their banners, so that no window outlives it.
void installQtBanners(QObject* owner, QtBannerOptions options);

// Both centres let go of their banners, closing their windows: for an application that goes
// without its event loop ending (its owner's destruction), while the window system still stands.
void releaseQtBanners();

}  // namespace td
