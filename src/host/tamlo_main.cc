// tamlo: the host shell that loads a program module and runs its program.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "host/host_run.h"
#include "host/script_parser.h"
#include "host/site_init.h"

namespace {

constexpr const char kUsage[] =
    "usage: tamlo [options]\n"
    "       tamlo init [--site DIR] [--modules DIR]\n"
    "\n"
    "Loads a program module, starts its program through the module's controller,\n"
    "shows it until it is closed and prints its result.\n"
    "\n"
    "  --program CODE     program code (default PEVF07); the module lib<CODE>C.so is\n"
    "                     looked for in the package folders of the client profile:\n"
    "                     section \"WorkDLLPath\" of PellorC.ini in the ClientPath that\n"
    "                     the settings store names (PELLOR_REGISTRY, else\n"
    "                     /etc/pellor/registry.ini); without that section ClientPath/C_PKG/\n"
    "  --module PATH      load this module file instead\n"
    "  --user ID          user ID of the start-up parameters\n"
    "  --company ID       company ID\n"
    "  --database NAME    database name\n"
    "  --condition TEXT   start condition handed to the program before it starts\n"
    "  --action N         start action (0 normal start, 1 add, 3 edit, 5 print ...)\n"
    "  --rights N         rights bit set (decimal or 0x...; default 0xFF, all rights)\n"
    "  --modal            show the program modally (default: modeless)\n"
    "  --script FILE      drive the program with the steps of a script (UTF-8; \"-\" reads\n"
    "                     standard input): keys, typing, clicks, pages, grid cells,\n"
    "                     dialog answers, JSON snapshots and expectations (README.md)\n"
    "  --help             this text\n"
    "\n"
    "The program runs headless: message dialogs are printed and take their default\n"
    "answer (or the script's), and a program window that does not close by itself is\n"
    "closed as a user would close it once the script, if any, has ended. Each event\n"
    "of the program is printed (\"event 256 created\" ...), then \"result code N\" and\n"
    "the result value.\n"
    "\n"
    "Work-center manager: the program gets the object the class factory creates for\n"
    "\"TamloWorkCenter.Manager\" (registered in the process or in the settings store's\n"
    "class table), else the suite's own manager for the --user and --company given,\n"
    "whose ExecWork starts other programs in this tamlo, beside the first.\n"
    "\n"
    "tamlo init sets up a working site, or completes one: it only adds what is\n"
    "missing and keeps every file and value that exists, and says which is which.\n"
    "  --site DIR         the site folder (default: the current folder). It gets the\n"
    "                     settings store registry.ini (unless PELLOR_REGISTRY names\n"
    "                     another file) with ClientPath DIR/client/, ServerPath\n"
    "                     DIR/server/ and ProfileType 0; the client root with\n"
    "                     PellorC.ini, Log/, c_Data/ and MultiLanguage/CHS/; the server\n"
    "                     root with PellorS.ini (MainDBType SQLITE), Log/ and the\n"
    "                     database pellor.db with its seed data. It then prints the\n"
    "                     export PELLOR_REGISTRY=... line the shell needs.\n"
    "  --modules DIR      the package folder PellorC.ini names (default: lib/ beside\n"
    "                     the folder of the tamlo executable)\n"
    "\n"
    "Exit codes:\n"
    "  0  the program ran and closed\n"
    "  1  an error of the host itself\n"
    "  2  wrong usage\n"
    "  3  module not found or not loadable\n"
    "  4  the module has no GetController, or it gave no controller\n"
    "  5  the program raised an error while starting (Initialize); the text is printed\n"
    "  6  the program refused its start parameters (Initialize returned -1)\n"
    "  7  the program raised an error while conditioned, started or shown\n"
    "  8  the script cannot be read, or one of its steps failed; the message names\n"
    "     the script's FILE:LINE\n";

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  // Decimal, or hexadecimal with 0x (rights are bit sets); never octal, so
  // that a leading zero means nothing.
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  long long parsed = std::strtoll(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

// Reads and parses the whole script before the program starts, so that a
// script with a typing error runs nothing.
int LoadScript(const std::string& fileName, std::optional<tamlo::Script>& script) {
  std::stringstream text;
  std::string shownName = fileName;
  if (fileName == "-") {
    shownName = "stdin";
    text << std::cin.rdbuf();
  } else {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "tamlo: cannot read the script %s: %s\n", fileName.c_str(),
                   std::strerror(errno));
      return tamlo::kExitScriptFailed;
    }
    text << in.rdbuf();
  }
  try {
    script = tamlo::ParseScript(text.str(), shownName);
  } catch (const tamlo::ScriptError& error) {
    std::fprintf(stderr, "tamlo: %s\n", error.what());
    return tamlo::kExitScriptFailed;
  }
  return tamlo::kExitOk;
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "tamlo: %s\n(tamlo --help lists the options)\n", problem.c_str());
  return tamlo::kExitUsage;
}

int Init(int argc, char** argv) {
  tamlo::InitOptions options;
  for (int i = 2; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return tamlo::kExitOk;
    }
    if (arg != "--site" && arg != "--modules") {
      return Usage("unknown option of init " + std::string(arg));
    }
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
      return Usage("option " + std::string(arg) + " needs a folder");
    }
    (arg == "--site" ? options.site : options.modulesDir) = argv[++i];
  }
  try {
    tamlo::InitSite(options, stdout);
    return tamlo::kExitOk;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "tamlo init: %s\n", error.what());
  }
  return tamlo::kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "init") return Init(argc, argv);
  tamlo::HostOptions options;
  std::string scriptFile;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return tamlo::kExitOk;
    }
    if (arg == "--modal") {
      options.modal = true;
      continue;
    }
    static constexpr std::string_view kValued[] = {"--program", "--module",    "--user",
                                                   "--company", "--database", "--condition",
                                                   "--action",  "--rights",   "--script"};
    bool valued = false;
    for (std::string_view name : kValued) valued = valued || arg == name;
    if (!valued) return Usage("unknown option " + std::string(arg));
    if (i + 1 >= argc) return Usage("option " + std::string(arg) + " needs a value");
    std::string value = argv[++i];
    if (arg == "--program") {
      if (value.empty() || value.find('/') != std::string::npos) {
        return Usage("--program needs a program code, not a path (use --module for a file)");
      }
      options.programCode = value;
    } else if (arg == "--module") {
      options.modulePath = value;
    } else if (arg == "--user") {
      options.user = value;
    } else if (arg == "--company") {
      options.company = value;
    } else if (arg == "--database") {
      options.database = value;
    } else if (arg == "--condition") {
      options.condition = value;
    } else if (arg == "--action") {
      long long n = 0;
      if (!ParseInteger(value, INT32_MIN, INT32_MAX, n)) return Usage("--action needs an integer");
      options.action = static_cast<int32_t>(n);
    } else if (arg == "--script") {
      if (value.empty()) return Usage("--script needs a file (- for standard input)");
      scriptFile = value;
    } else if (arg == "--rights") {
      long long n = 0;
      if (!ParseInteger(value, 0, UINT32_MAX, n)) return Usage("--rights needs a non-negative integer");
      options.rights = static_cast<uint32_t>(n);
    }
  }
  if (!scriptFile.empty()) {
    int loaded = LoadScript(scriptFile, options.script);
    if (loaded != tamlo::kExitOk) return loaded;
  }
  try {
    return tamlo::RunProgram(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tamlo: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "tamlo: unknown error\n");
  }
  return tamlo::kExitFailed;
}
