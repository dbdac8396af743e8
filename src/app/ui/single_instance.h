#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace vexon::app::ui {

// One running program per user and start-up directory. The first start listens on
// a local socket; a later start connects to it, which asks the first to come to
// the front, and then ends.
class SingleInstance final : public QObject {
  Q_OBJECT

 public:
  // The socket name for a user and a start-up directory.
  static QString KeyFor(const QString& user, const QString& startDir);

  explicit SingleInstance(QString key, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when another start already runs and has been asked to come forward.
  bool NotifyRunning();
  // Starts listening; false when the socket cannot be made.
  bool Listen();

 signals:
  void ActivationRequested();

 private:
  QString key_;
  std::unique_ptr<QLocalServer> server_;
};

// The user's login name for the socket key.
QString CurrentUserName();

}  // namespace vexon::app::ui
