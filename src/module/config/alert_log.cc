#include "module/config/alert_log.h"

#include <cstdio>

#include "platform/rtl/codepage.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/errors.h"
#include "platform/rtl/format.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/sysutils.h"

namespace pevf {

namespace {

std::string LogFolderUnder(const std::string& root) {
  return pellor::IncludeTrailingPathDelimiter(root) + "Log/";
}

// Appends one line to a file, creating it when missing. The file is closed
// whatever happens.
bool AppendLine(const std::string& fileName, const std::string& line) {
  std::FILE* file = std::fopen(fileName.c_str(), "ab");
  if (file == nullptr) return false;
  std::string bytes = line + "\r\n";
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  bool closed = std::fclose(file) == 0;
  return written && closed;
}

std::string SafeFileNamePart(std::string_view name) {
  std::string result(name);
  for (char& ch : result) {
    if (ch == '/' || ch == '\\') ch = '_';
  }
  return result;
}

}  // namespace

std::string GetRootPath() {
  try {
    std::string root = pellor::ReadPellorRegistryValue("ClientPath").value_or("");
    if (root.empty()) root = pellor::ReadPellorRegistryValue("ServerPath").value_or("");
    return pellor::NormalizePath(root);
  } catch (...) {
    return std::string();
  }
}

std::string GetLogRoot() {
  try {
    std::string root = GetRootPath();
    if (root.empty()) root = pellor::TempFolder();
    if (!root.empty()) return root;
  } catch (...) {
  }
  return "/tmp";
}

bool WriteAlertLog(std::string_view name, std::string_view message, char rotation) {
  try {
    std::string root = GetRootPath();
    if (root.empty()) root = pellor::ExtractFilePath(pellor::HostProgramFileName());
    std::string folder = LogFolderUnder(root);
    if (!pellor::ForceDirectories(folder)) return false;

    pellor::TDateTime now = pellor::Now();
    std::string stamp = pellor::DateToStr8(now);  // YYYYMMDD
    if (rotation == 'M') stamp.resize(6);
    if (rotation == 'Y') stamp.resize(4);
    std::string fileName = folder + "Alert_" + SafeFileNamePart(name) + "_" + stamp;
    if (name.find('.') == std::string_view::npos) fileName += ".log";

    std::string line = "[" + pellor::FormatDateTime("yyyy/mm/dd hh:nn:ss:zzz", now) + "] ";
    line.append(message);
    return AppendLine(fileName, line);
  } catch (...) {
    return false;
  }
}

bool WriteGeneratorLog(std::string_view line) {
  try {
    std::string folder = LogFolderUnder(GetLogRoot());
    if (!pellor::ForceDirectories(folder)) return false;
    pellor::TDateTime now = pellor::Now();
    std::string fileName =
        folder + "Alert_VelmoraGenerator_" + pellor::DateToStr8(now) + ".log";
    const pellor::FormatSettings& settings = pellor::CurrentFormatSettings();
    std::string stampPattern = settings.shortDateFormat + " " + settings.longTimeFormat;
    std::string text = "[" + pellor::FormatDateTime(stampPattern, now) + "] ";
    text.append(line);
    return AppendLine(fileName, text);
  } catch (...) {
    return false;
  }
}

void LogException(const std::exception* error, std::string_view location,
                  std::string_view programmerText) {
  try {
    static const std::string kRule = "----------------------------------";
    std::string header = kRule;
    if (!pellor::Trim(location).empty()) {
      header += " on " + std::string(location) + " ";
    }
    WriteGeneratorLog(header + kRule);

    if (error != nullptr) {
      static const std::string kMessageHeading = pellor::Cp936("讯息信息:");
      WriteGeneratorLog(kMessageHeading);
      std::string message = error->what();
      const int lines = 1;  // one error line for every class we know
      if (dynamic_cast<const pellor::EDatabaseError*>(error) != nullptr) {
        WriteGeneratorLog(pellor::Format("EDBEngineError Error %.2d: Code: %d, Message: %s",
                                         {1, 0, message}));
      } else if (auto* os = dynamic_cast<const pellor::EOSError*>(error)) {
        WriteGeneratorLog(pellor::Format("EWin32Error Error %.2d: Code: %d, Message: %s",
                                         {1, os->Code(), message}));
      } else if (auto* io = dynamic_cast<const pellor::EInOutError*>(error)) {
        WriteGeneratorLog(pellor::Format("EInOutError Error %.2d: Code: %d, Message: %s",
                                         {1, io->Code(), message}));
      } else {
        auto* own = dynamic_cast<const pellor::Exception*>(error);
        std::string className = own != nullptr ? own->ClassName() : "Exception";
        WriteGeneratorLog(pellor::Format("Exception is %s\r\nMessage %.2d: ", {className, 1}) +
                          message);
      }
      WriteGeneratorLog(pellor::Format("ErrorMessage Count: %d", {lines}));
    }

    if (!pellor::Trim(programmerText).empty()) {
      WriteGeneratorLog("Programer Message: " + std::string(programmerText));
    }
  } catch (...) {
  }
}

}  // namespace pevf
