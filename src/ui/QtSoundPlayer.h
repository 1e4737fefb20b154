#pragma once
// Plays a named sound through Qt Multimedia: "<name>.wav" from the application's sounds folder,
// else from the system's sounds folder. Silent for a name without a file and on a machine without
// an audio output. Main thread only.

#include <QObject>
#include <QStringList>
#include <map>
#include <string>

class QSoundEffect;

namespace td {

class QtSoundPlayer : public QObject {
  Q_OBJECT
 public:
  // Folders searched in order; the default is the application's sounds folder (under
  // Resources::directory()), then the system's /usr/share/sounds.
  explicit QtSoundPlayer(QStringList folders = defaultFolders(), QObject* parent = nullptr);
  static QStringList defaultFolders();

  // The file a name plays, or an empty text.
  QString soundFile(const std::string& name) const;
  void play(const std::string& name);

 private:
  QStringList folders_;
  std::map<QString, QSoundEffect*> effects_;
  bool warnedNoDevice_ = false;
};

}  // namespace td
