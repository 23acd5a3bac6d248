// The GUI program: the application object's start-up and shutdown around the message loop.
#include <QApplication>
#include <filesystem>

#include "frontend/app/quorvane_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  qv::gui::AppOptions options;
  options.programDir = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
  qv::gui::CQuorvaneApp app;
  return app.InitInstance(options);
}
