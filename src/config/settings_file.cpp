#include "config/settings_file.h"

#include "config/config_texts.h"
#include "config/obx_schema.h"
#include "config/settings.h"
#include "config/value_reader.h"
#include "core/account_table.h"
#include "platform/message_box.h"
#include "platform/text_file.h"

#include <algorithm>

namespace ombrix {
namespace {

std::string line(std::string_view text) {
    return std::string(text) + '\n';
}

// A value that runs to its line end: an LF inside would shift every later
// value, and byte 26 would end the file early for the text-mode reader.
std::string singleLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), kTextModeEnd, ' ');
    return text;
}

std::string flagLine(std::uint8_t flag) {
    return flag == 1 ? "=1\n" : "=0\n";
}

// Two bytes: the digits of the count, a zero byte after a single digit.
std::string accountCountBytes(std::uint32_t count) {
    std::string digits = std::to_string(std::min<std::uint32_t>(count, kMaxAccounts));
    if (digits.size() == 1)
        digits += '\0';
    return digits;
}

std::string encodeAccount(const AccountRecord& a) {
    return std::string(schema::kNameKey) + singleLine(a.name) + '\n' +
           std::string(schema::kHostKey) + singleLine(a.host) + '\n' +
           std::string(schema::kUserKey) + singleLine(a.user) + '\n' +
           std::string(schema::kPasswordKey) +
           scramblePassword(a.passwordInKeyring != 0 ? "" : a.password) + '\n' + '\n' +
           std::string(schema::kDeactivatedKey) + (a.deactivated == 1 ? "1" : "0") + '\n' +
           static_cast<char>(a.useSsl != 0 ? 1 : 0) + static_cast<char>(a.protocol == 1 ? 1 : 0) +
           '=' + singleLine(a.port) + '\n' + '\n';
}

// A stored size whose high or low byte is 26 would end the file early for the
// text-mode reader, so such a size moves by a pixel at a time until neither
// byte is 26. (10 needs no care: it is stored as CR LF and read back as 10.)
std::uint16_t storableSize(std::int32_t pixels) {
    auto size = static_cast<std::uint16_t>(std::clamp(pixels, 0, 0xFFFF));
    while ((size >> 8) == kTextModeEnd || (size & 0xFF) == kTextModeEnd)
        ++size;
    return size;
}

std::string windowBytes(const Settings& s) {
    const std::uint16_t width = storableSize(s.windowWidth);
    const std::uint16_t height = storableSize(s.windowHeight);
    return {static_cast<char>(s.windowMaximized != 0 ? 1 : 0), static_cast<char>(width >> 8),
            static_cast<char>(width & 0xFF), static_cast<char>(height >> 8),
            static_cast<char>(height & 0xFF)};
}

// The slider texts are what is stored; before the window has set them the
// numbers stand in, so a save without a window keeps the values.
std::string storedNumberText(const std::string& text, std::int32_t number) {
    return text.empty() ? std::to_string(number) : singleLine(text);
}

std::string encodeGlobals(const Settings& s) {
    return flagLine(s.numLockLed) + flagLine(s.capsLockLed) + flagLine(s.scrollLockLed) +
           flagLine(s.waveAlarm) + '=' + singleLine(s.waveFile) + '\n' + flagLine(s.speakerAlarm) +
           '=' + static_cast<char>(s.beepPattern) + '\n' + '=' +
           storedNumberText(s.checkIntervalText, s.checkInterval) + '\n' + '=' +
           storedNumberText(s.repeatSecondsText, s.repeatSeconds) + '\n' + flagLine(s.repeatAlarm) +
           flagLine(s.popupEnabled) + flagLine(s.popupAutoClose) + flagLine(s.startWithWindows) +
           flagLine(s.markAllHint) + windowBytes(s) + '\n';
}

struct StoredAccount {
    std::string name, host, user, storedPassword, port;
    std::uint8_t deactivated = 0, useSsl = 0, protocol = 0;

    bool missesText() const {
        return isFileError(name) || isFileError(host) || isFileError(user) ||
               isFileError(storedPassword);
    }
};

StoredAccount readAccount(ValueReader& reader) {
    StoredAccount a;
    a.name = reader.readValue();
    a.host = reader.readValue();
    a.user = reader.readValue();
    a.storedPassword = reader.readValue();
    a.deactivated = flagValue(reader.readValue());
    a.useSsl = reader.readByte().value_or(0);
    a.protocol = reader.readByte().value_or(0);
    a.port = reader.readValue();
    return a;
}

void storeAccount(const StoredAccount& stored, AccountRecord& a) {
    a.name = stored.name;
    a.host = stored.host;
    a.user = stored.user;
    a.password = unscramblePassword(stored.storedPassword);
    a.deactivated = stored.deactivated;
    a.useSsl = stored.useSsl;
    a.protocol = stored.protocol;
    a.port = stored.port;
}

void reportReadFailure() {
    messageBox(config_texts::iniOpenFailed());
}

// A value of the first ten globals; a missing one is reported and taken as is.
std::string readReportedValue(ValueReader& reader) {
    std::string value = reader.readValue();
    if (isFileError(value))
        reportReadFailure();
    return value;
}

// Reads the account count and the accounts. More than the table holds are
// read to keep the globals after them in place, but only 20 are kept.
void decodeAccounts(ValueReader& reader) {
    const std::string countText = reader.readValue();
    if (isFileError(countText))
        reportReadFailure();
    const std::int32_t claimed = std::max(decimalValue(countText), 0);
    accountCount = static_cast<std::uint32_t>(std::min(claimed, kMaxAccounts));
    for (std::int32_t k = 0; k < claimed; ++k) {
        if (k >= kMaxAccounts && reader.atEnd())
            break;
        const StoredAccount stored = readAccount(reader);
        if (k >= kMaxAccounts)
            continue;
        if (stored.missesText())
            reportReadFailure();
        storeAccount(stored, accounts[k]);
    }
}

void decodeGlobals(ValueReader& reader, Settings& s) {
    s.numLockLed = flagValue(readReportedValue(reader));
    s.capsLockLed = flagValue(readReportedValue(reader));
    s.scrollLockLed = flagValue(readReportedValue(reader));
    s.waveAlarm = flagValue(readReportedValue(reader));
    s.waveFile = readReportedValue(reader);
    s.speakerAlarm = flagValue(readReportedValue(reader));
    const std::string pattern = readReportedValue(reader);
    s.beepPattern = pattern.empty() ? 0 : static_cast<std::uint8_t>(pattern[0]);
    s.checkInterval = decimalValue(readReportedValue(reader));
    s.repeatSeconds = static_cast<std::uint8_t>(decimalValue(readReportedValue(reader)));
    s.repeatAlarm = flagValue(readReportedValue(reader));
    s.checkIntervalText = std::to_string(s.checkInterval);
    s.repeatSecondsText = std::to_string(s.repeatSeconds);
}

// The keys added last: silent defaults where an older file ends before them.
void decodeLaterKeys(ValueReader& reader, Settings& s) {
    const std::string popup = reader.readValue();
    s.popupEnabled = isFileError(popup) ? 1 : flagValue(popup);
    s.popupAutoClose = flagValue(reader.readValue());
    const std::string autostart = reader.readValue();
    s.startWithWindows = flagValue(autostart);
    if (isFileError(autostart))
        return;
    const std::string hint = reader.readValue();
    s.markAllHint = isFileError(hint) ? 1 : flagValue(hint);
    std::uint8_t bytes[5];
    for (std::uint8_t& byte : bytes) {
        const auto next = reader.readByte();
        if (!next)
            return; // an incomplete window size keeps the defaults
        byte = *next;
    }
    s.windowMaximized = bytes[0] != 0 ? 1 : 0;
    s.windowWidth = bytes[1] * 256 + bytes[2];
    s.windowHeight = bytes[3] * 256 + bytes[4];
}

} // namespace

std::string scramblePassword(std::string_view password) {
    std::string stored(password);
    for (char& c : stored)
        c = static_cast<char>(static_cast<std::uint8_t>(c) - schema::kPasswordShift);
    return stored;
}

std::string unscramblePassword(std::string_view stored) {
    std::string password(stored);
    for (char& c : password)
        c = static_cast<char>(static_cast<std::uint8_t>(c) + schema::kPasswordShift);
    return password;
}

std::string encodeSettingsFile() {
    std::string text = line(schema::kHeader) + line(schema::kCommentLine) + "\n\n" +
                       line(schema::kAccountCountSection) + std::string(schema::kAccountCountKey) +
                       accountCountBytes(accountCount) + "\n\n" + line(schema::kAccountsSection);
    const auto count = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t k = 0; k < count; ++k)
        text += encodeAccount(accounts[k]);
    return text + encodeGlobals(settings) + '\n' + std::string(schema::kEndSection);
}

SettingsRead decodeSettingsFile(std::string_view text) {
    ValueReader reader(text);
    if (reader.readLine() != schema::kHeader) {
        settings = wrongHeaderSettings();
        accountCount = 0;
        return SettingsRead::WrongHeader;
    }
    settings = missingFileSettings();
    decodeAccounts(reader);
    decodeGlobals(reader, settings);
    decodeLaterKeys(reader, settings);
    return SettingsRead::Loaded;
}

} // namespace ombrix
