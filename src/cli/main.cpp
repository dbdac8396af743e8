#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "text/language.h"

namespace {

constexpr const char* kUsage =
    "usage: vexon-cli [--lang zh|en] COMMAND ...\n"
    "       vexon-cli search [--baidu-host HOST[:PORT]] [--yahoo-host HOST[:PORT]]\n"
    "                        [--archive-url URL] [--sources baidu,yahoo,archive]\n"
    "                        [--types LIST] [--date FILTER] [--size FILTER] [--max N]\n"
    "                        [--save FILE] [--] WORDS...\n"
    "       vexon-cli show FILE\n"
    "       vexon-cli get [--to FULL_PATH | --dir DIR] [--speed KBPS] [--jobs N]\n"
    "                     [-i FILE|-] [--verbose] [--sha1 HEX | --md5 HEX] [--] URL...\n"
    "       vexon-cli update-check [--site URL] [--exe PATH]\n"
    "       vexon-cli --version | --help\n";
constexpr const char* kPlaces =
    "\nvexon-cli works in the current directory: it reads the settings file vudez.ini\n"
    "there, and get downloads into its download folder (else Downloads/ there) unless\n"
    "--to or --dir says otherwise.\n"
    "(The desktop program started from the menu keeps its files under\n"
    "$XDG_DATA_HOME/vexon; run vexon-cli in that folder to share them.)\n"
    "get -i reads one URL a line from FILE (- for standard input; blank lines and\n"
    "lines starting with # are skipped), each optionally followed by sha1=HEX or\n"
    "md5=HEX; --sha1 and --md5 apply to the URL after them. A file whose bytes do not\n"
    "hash to its digest fails and is kept. Files it fetches join the downloaded-files log.\n"
    "search prints an eighth field: the service's digest of the file (sha1=HEX), or nothing.\n"
    "On a terminal get shows one line per running download and an overall line;\n"
    "elsewhere one line per finished file, and with --verbose every step.\n";

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_COLLATE, "");
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // --lang zh|en before the command chooses the texts' language for this run.
  int first = 1;
  std::string langFlag;
  if (std::string(argv[1]) == "--lang") {
    if (argc < 4 || !vexon::text::ReadLanguageName(argv[2])) {
      std::fprintf(stderr, "vexon-cli: --lang takes zh or en, then a command\n%s", kUsage);
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
  if (command == "show") return vexon::cli::RunShowCommand(args);
  if (command == "get") return vexon::cli::RunGetCommand(args, langFlag);
  if (command == "update-check") return vexon::cli::RunUpdateCheckCommand(args);
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    std::fputs(kPlaces, stdout);
    return 0;
  }
  std::fprintf(stderr, "vexon-cli: unknown command '%s'\n%s", command.c_str(), kUsage);
  return 2;
}
