#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "text/language.h"

namespace {

// The run's texts; the command line's own are English unless Chinese was asked for.
vexon::text::Translator Texts(const std::string& langFlag) {
  std::error_code ec;
  return vexon::cli::LoadTexts(langFlag, std::filesystem::current_path(ec), "vexon-cli").texts;
}

std::string Usage(const vexon::text::Translator& texts, bool withPlaces) {
  std::string out(texts(vexon::cli::kUsage));
  if (withPlaces) out += texts(vexon::cli::kPlaces);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_COLLATE, "");
  if (argc < 2) {
    std::fputs(Usage(Texts(""), false).c_str(), stderr);
    return 2;
  }
  // --lang zh|en before the command chooses the texts' language for this run.
  int first = 1;
  std::string langFlag;
  if (std::string(argv[1]) == "--lang") {
    if (argc < 4 || !vexon::text::ReadLanguageName(argv[2])) {
      std::fprintf(stderr, "vexon-cli: --lang takes zh or en, then a command\n%s", vexon::cli::kUsage);
      return 2;
    }
    langFlag = argv[2];
    first = 3;
  }
  const std::string command = argv[first];
  const std::vector<std::string> args(argv + first + 1, argv + argc);
  if (command == "--version") {
    std::printf("vexon-cli %s\n", VEXON_VERSION_TEXT);
    return 0;
  }
  if (command == "search") return vexon::cli::RunSearchCommand(args, langFlag);
  if (command == "show") return vexon::cli::RunShowCommand(args, langFlag);
  if (command == "get") return vexon::cli::RunGetCommand(args, langFlag);
  if (command == "update-check") return vexon::cli::RunUpdateCheckCommand(args, langFlag);
  if (command == "--help" || command == "-h") {
    std::fputs(Usage(Texts(langFlag), true).c_str(), stdout);
    return 0;
  }
  const vexon::text::Translator texts = Texts(langFlag);
  std::fprintf(stderr, "vexon-cli: %s\n%s", texts.Fill("unknown command '%1'", command).c_str(),
               Usage(texts, false).c_str());
  return 2;
}
