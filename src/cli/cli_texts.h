#pragma once

// vexon-cli's own texts, English at the source; a Chinese catalog translates them.
namespace vexon::cli {

inline constexpr const char* kUsage =
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
inline constexpr const char* kPlaces =
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

}  // namespace vexon::cli
