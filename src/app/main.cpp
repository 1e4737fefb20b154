// TarnwickDesk: the dealing client. No command-line options of its own; Qt's are accepted.

#include <QApplication>
#include <exception>

#include "app/Application.h"
#include "platform/BuildInfo.h"
#include "platform/Log.h"

int main(int argc, char** argv) {
  td::log::openFile(td::log::defaultFilePath());
  try {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TarnwickDesk"));
    QApplication::setApplicationDisplayName(QStringLiteral("TarnwickDesk"));
    QApplication::setApplicationVersion(QString::fromStdString(td::BuildInfo::productVersion()));
    td::Application application{td::Application::Options{}};
    application.start();
    const int result = QApplication::exec();
    TD_LOG_INFO("TarnwickDesk ends");
    return result;
  } catch (const std::exception& e) {
    TD_LOG_ERROR(std::string("TarnwickDesk ends after an unexpected error: ") + e.what());
  } catch (...) {
    TD_LOG_ERROR("TarnwickDesk ends after an unexpected error");
  }
  return 1;
}
