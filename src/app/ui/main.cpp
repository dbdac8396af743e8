#include <QApplication>
#include <QDialog>
#include <QString>

#include <cstring>
#include <iostream>

namespace {

constexpr const char* kWindowTitle = "维松Mp3";

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before QApplication exists, so it works without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "vexon " << VEXON_VERSION_TEXT << '\n';
      return 0;
    }
  }
  QApplication app(argc, argv);
  // A placeholder: an empty window until the main window is built on this base.
  QDialog window;
  window.setWindowTitle(QString::fromUtf8(kWindowTitle));
  window.show();
  return app.exec();
}
