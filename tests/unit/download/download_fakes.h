#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/owner_channel.h"
#include "core/prompter.h"
#include "download/download_as_dialog.h"

namespace vexon::download::testing {

// Records every message box; answers as scripted, else declines (Cancel, No).
class FakePrompter final : public core::Prompter {
 public:
  struct Shown {
    std::string text;
    core::MessageIcon icon;
    core::MessageButtons buttons;
  };
  core::MessageResult Show(const std::string& text, core::MessageIcon icon, core::MessageButtons buttons) override {
    shown.push_back({text, icon, buttons});
    if (!answers.empty()) {
      const core::MessageResult answer = answers.front();
      answers.pop_front();
      return answer;
    }
    if (buttons == core::MessageButtons::kOkCancel) return core::MessageResult::kCancel;
    return buttons == core::MessageButtons::kYesNo ? core::MessageResult::kNo : core::MessageResult::kOk;
  }
  std::vector<Shown> shown;
  std::deque<core::MessageResult> answers;
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
class RefusingChannel final : public core::OwnerChannel {
 public:
  bool Send(core::Msg, const std::function<void()>&) override { return false; }
  void Post(core::Msg, std::function<void()>) override {}
};

}  // namespace vexon::download::testing
