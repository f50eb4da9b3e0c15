// The process's surroundings: its command line, environment, temporary
// directory, file-name queries and locale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spinstall::platform {

// The process's arguments, element 0 being the program path; empty when the
// command line cannot be split.
std::vector<std::wstring> CommandLineArguments();

// The value of an environment variable; the name is matched without regard to
// case. False when the variable is not set.
bool GetEnvironmentValue(const std::wstring& name, std::wstring& value);
// Sets an environment variable for this process and the programs it starts.
bool SetEnvironmentValue(const std::wstring& name, const std::wstring& value);

// The temporary directory, ending in a separator, as read into a buffer of
// `bufferChars` characters: returns its length when it fits, the size needed
// when it does not, 0 on failure. `dir` is set only when it fits.
std::uint32_t QueryTempPath(std::uint32_t bufferChars, std::wstring& dir);

enum class PathState { Exists, AccessDenied, Missing };
// What a file-attribute query on `path` says; a link counts as existing
// whatever it points to.
PathState QueryPath(const std::wstring& path);

// The full path of `path` resolved against the current directory, as read into
// a buffer of `bufferChars` characters: returns its length when it fits, the
// size needed when it does not, 0 on failure. `full` is set only when it fits.
std::uint32_t QueryFullPath(const std::wstring& path, std::uint32_t bufferChars,
                            std::wstring& full);

bool DeleteFileAt(const std::wstring& path);

// What the system's temporary directory is made of after TMP, in the order
// QueryTempPath takes them: on Windows TEMP, USERPROFILE (the ones set and not
// empty) and the Windows directory (GetTempPathW's remarks); on the host
// TMPDIR (set and not empty) and "/tmp/". QueryTempPath answers the first one
// set whether it exists or not; these are the ones to try when it does not.
std::vector<std::wstring> TempPathSources();

// The directory separator and the characters after which a path's file name
// begins.
extern const wchar_t kSeparator;
extern const wchar_t* const kNameStarters;

// Locale identifiers: the thread's locale steers which catalogue language is
// loaded. 1024 stands for the user's default locale.
inline constexpr std::uint32_t kLocaleUserDefault = 1024;
bool SetThreadLocale(std::uint32_t locale);
std::uint32_t ThreadLocale();
std::uint16_t UserDefaultLanguage();

}  // namespace spinstall::platform
