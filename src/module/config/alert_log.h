// The alert logs: where errors that must not disturb the user are written.
//
// Logs live in the "Log" folder under the installation root, which the
// settings store announces ("ClientPath", else "ServerPath" of
// "Software\QRN\Pellor"). Each log is a text file of lines
// "[date time] message" ending in CR LF, the form the suite's log readers
// expect. None of these routines ever raises: a failure only makes the
// writers answer false.
#ifndef PEVF_CONFIG_ALERT_LOG_H_
#define PEVF_CONFIG_ALERT_LOG_H_

#include <exception>
#include <string>
#include <string_view>

namespace pevf {

// The installation root: "ClientPath" of the settings store, else
// "ServerPath", else empty. Backslashes are turned into "/".
std::string GetRootPath();

// As GetRootPath; else the temporary folder; "/tmp" when that is empty or
// anything fails (the Linux stand-in for "C:\Temp").
std::string GetLogRoot();

// Appends "[yyyy/mm/dd hh:nn:ss:zzz] message" (the user's date and time
// separators) to root/Log/Alert_<name>_<stamp>, with ".log" added when the
// name holds no full stop. Without a root the folder of the running program
// is used. The stamp follows the rotation letter: 'M' "YYYYMM", 'Y' "YYYY",
// 'D' and anything else "YYYYMMDD". Path delimiters in the name become "_",
// so a name can never reach outside the folder. False when the folder or
// the file cannot be written.
bool WriteAlertLog(std::string_view name, std::string_view message, char rotation);

// Appends "[short date long time] line" to
// <log root>/Log/Alert_VelmoraGenerator_YYYYMMDD.log.
bool WriteGeneratorLog(std::string_view line);

// Writes a caught error to the generator log: a rule line with the location,
// the error's class and message (database, system and file errors with their
// codes), and the programmer's note. `error` may be null, then only the rule
// line and the note are written. A database error counts as one engine
// error with code 0, since the platform's database error carries no list of
// engine errors.
void LogException(const std::exception* error, std::string_view location,
                  std::string_view programmerText);

}  // namespace pevf

#endif  // PEVF_CONFIG_ALERT_LOG_H_
