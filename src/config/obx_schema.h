#pragma once
// Every fixed piece of the three state files in one place: file names, the
// lines of obx.dat that carry no value, its keys, and the byte constants of
// the scrambled fields. Readers and writers take them from here only.

#include <cstdint>
#include <string_view>

namespace ombrix::schema {

inline constexpr std::string_view kSettingsFileName = "obx.dat";
inline constexpr std::string_view kMailListFileName = "obx.msf";
inline constexpr std::string_view kReadFlagFileName = "obx.rd";

// obx.dat, line by line. The comment line must never hold an equals sign:
// the reader skips everything up to the first one.
inline constexpr std::string_view kHeader = "*** Ombrix Version 2.5 ini file";
inline constexpr std::string_view kCommentLine =
    "*** Do not edit these lines, change the settings in the program instead.";
inline constexpr std::string_view kAccountCountSection = "[NumberofAccounts]";
inline constexpr std::string_view kAccountCountKey = "Number=";
inline constexpr std::string_view kAccountsSection = "[Accounts]";
inline constexpr std::string_view kNameKey = "name =";
inline constexpr std::string_view kHostKey = "host =";
inline constexpr std::string_view kUserKey = "user =";
inline constexpr std::string_view kPasswordKey = "pass =";
inline constexpr std::string_view kDeactivatedKey = "deac=";
inline constexpr std::string_view kEndSection = "[EndIni]";

// What readValue gives when the file ends before a value's line end.
inline constexpr std::string_view kFileError = "FILEERROR";

// Each password byte is stored this much lower (mod 256). Small, so that
// every printable character stays clear of the bytes text mode treats
// specially (0, LF and the end-of-file byte 26).
inline constexpr std::uint8_t kPasswordShift = 3;

// obx.msf: every byte of a body preview is stored one higher (mod 256).
inline constexpr std::uint8_t kPreviewShift = 1;
inline constexpr std::string_view kSizeMarker = "S=";
inline constexpr std::uint8_t kMailCountSeparator = 0;

} // namespace ombrix::schema
