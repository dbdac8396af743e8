#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/owner_channel.h"
#include "app/prompter.h"
#include "download/download_as_dialog.h"

namespace vexon::download::testing {

// Records every message box; answers as scripted, else declines (Cancel, No).
class FakePrompter final : public app::Prompter {
 public:
  struct Shown {
    std::string text;
    app::MessageIcon icon;
    app::MessageButtons buttons;
  };
  app::MessageResult Show(const std::string& text, app::MessageIcon icon, app::MessageButtons buttons) override {
    shown.push_back({text, icon, buttons});
    if (!answers.empty()) {
      const app::MessageResult answer = answers.front();
      answers.pop_front();
      return answer;
    }
    if (buttons == app::MessageButtons::kOkCancel) return app::MessageResult::kCancel;
    return buttons == app::MessageButtons::kYesNo ? app::MessageResult::kNo : app::MessageResult::kOk;
  }
  std::vector<Shown> shown;
  std::deque<app::MessageResult> answers;
};

// Records what each showing presented and plays the user from a script; an
// unscripted showing is cancelled.
class FakeDownloadAs final : public DownloadAsDialog {
 public:
  using Step = std::function<bool(DownloadAsForm&)>;
  bool Show(DownloadAsForm& form) override {
    showings.push_back(form);
    if (script.empty()) return false;
    Step step = std::move(script.front());
    script.pop_front();
    return step(form);
  }
  std::vector<DownloadAsForm> showings;  // copies as each showing opened
  std::deque<Step> script;
};

inline FakeDownloadAs::Step TypeAndAccept(std::string name) {
  return [name](DownloadAsForm& form) {
    form.TypeName(name);
    return form.Accept() == DownloadAsForm::AcceptResult::kAccepted;
  };
}

// Lets no worker report: the test thread alone drives the controller.
class RefusingChannel final : public app::OwnerChannel {
 public:
  bool Send(app::Msg, const std::function<void()>&) override { return false; }
};

}  // namespace vexon::download::testing
