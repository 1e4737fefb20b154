#include "ui/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include "platform/Log.h"
#include "platform/Resources.h"

namespace td {

QtSoundPlayer::QtSoundPlayer(QStringList folders, QObject* parent) : QObject(parent), folders_(std::move(folders)) {}

QStringList QtSoundPlayer::defaultFolders() {
  const QString resources = QString::fromStdString((Resources::directory() / "sounds").string());
  return {resources, QStringLiteral("/usr/share/sounds")};
}

QString QtSoundPlayer::soundFile(const std::string& name) const {
  const QString file = QString::fromStdString(name);
  // A name is a plain file name: no folders, no way out of the sound folders.
  if (file.isEmpty() || file.contains('/') || file.startsWith('.')) return {};
  for (const QString& folder : folders_) {
    const QFileInfo info(QDir(folder).filePath(file + ".wav"));
    if (info.isFile() && info.isReadable()) return info.absoluteFilePath();
  }
  return {};
}

void QtSoundPlayer::play(const std::string& name) {
  const QString file = soundFile(name);
  if (file.isEmpty()) {
    TD_LOG_DEBUG("sound '" + name + "' not found");
    return;
  }
  if (QMediaDevices::audioOutputs().isEmpty()) {
    if (!warnedNoDevice_) TD_LOG_INFO("no audio output: sounds are not played");
    warnedNoDevice_ = true;
    return;
  }
  QSoundEffect*& effect = effects_[file];
  if (!effect) {
    effect = new QSoundEffect(this);
    effect->setSource(QUrl::fromLocalFile(file));
  }
  effect->stop();
  effect->play();
}

}  // namespace td
