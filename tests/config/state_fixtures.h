#pragma once
// The three state files of a small installation, written out by hand from
// their byte layouts: two accounts, the second deactivated, three cached
// mails. Shared by the config tests and the command-line tests.

#include <string>

namespace ombrix::test {

using namespace std::string_literals;

// obx.dat as it lies on disk (CR LF line ends). Account 0: POP3 with SSL,
// password "pa=ss" (stored three lower: "m^:pp"). Account 1: IMAP without
// SSL, deactivated, a Latin-1 name, password "ab" (stored "^_").
inline std::string settingsFixture() {
    return "*** Ombrix Version 2.5 ini file\r\n"
           "*** Do not edit these lines, change the settings in the program instead.\r\n"
           "\r\n"
           "\r\n"
           "[NumberofAccounts]\r\n"
           "Number=2\0\r\n"
           "\r\n"
           "[Accounts]\r\n"
           "name =me@example.org\r\n"
           "host =pop.example.org\r\n"
           "user =me\r\n"
           "pass =m^:pp\r\n"
           "\r\n"
           "deac=0\r\n"
           "\x01\x00=995\r\n"
           "\r\n"
           "name =B\xFCro\r\n"
           "host =imap.example.net\r\n"
           "user =office\r\n"
           "pass =^_\r\n"
           "\r\n"
           "deac=1\r\n"
           "\x00\x01=143\r\n"
           "\r\n"
           "=0\r\n"
           "=1\r\n"
           "=1\r\n"
           "=1\r\n"
           "=/home/u/mail.wav\r\n"
           "=1\r\n"
           "=\x04\r\n"
           "=15\r\n"
           "=60\r\n"
           "=1\r\n"
           "=1\r\n"
           "=0\r\n"
           "=1\r\n"
           "=0\r\n"
           "\x01\x03\x20\x02\x58\r\n" // maximized, 800 x 600
           "\r\n"
           "[EndIni]"s;
}

// obx.msf for the accounts above: two mails in account 0, one in account 1.
inline std::string mailListFixture() {
    return
        // account 0: count 2, separator
        "\x00\x02"
        "\x00"
        // mail 0: from, subject, date, preview "hi" stored as "ij"
        "\x00\x00\x00\x03"
        "ann"
        "\x00\x00\x00\x02"
        "Hi"
        "\x00\x00\x00\x02"
        "d1"
        "\x00\x00\x00\x02"
        "ij"
        // month 3, day 7, year 2006, position 0, uid "U1\r\n", marker, size 1234
        "\x03\x07"
        "\x07\xD6"
        "\x00\x00"
        "\x00\x00\x00\x04"
        "U1\r\n"
        "S="
        "\x00\x00\x04\xD2"
        // mail 1: from "bob", empty subject, date and preview
        "\x00\x00\x00\x03"
        "bob"
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        // month 12, day 31, year 1999, position 1, uid "U2\r\n", size 70000
        "\x0C\x1F"
        "\x07\xCF"
        "\x00\x01"
        "\x00\x00\x00\x04"
        "U2\r\n"
        "S="
        "\x00\x01\x11\x70"
        // account 0: empty uidValidity and uidNext
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        // account 1: one mail from "carl" with a tab in its subject, uid "77"
        "\x00\x01"
        "\x00"
        "\x00\x00\x00\x04"
        "carl"
        "\x00\x00\x00\x03"
        "a\tb"
        "\x00\x00\x00\x00"
        "\x00\x00\x00\x00"
        "\x01\x02"
        "\x07\xE8"
        "\x00\x00"
        "\x00\x00\x00\x02"
        "77"
        "S="
        "\x00\x00\x00\x0A"
        // account 1: uidValidity "5", uidNext "42"
        "\x00\x00\x00\x01"
        "5"
        "\x00\x00\x00\x02"
        "42"s;
}

// Where account 0's part of the mail list fixture ends.
inline constexpr std::size_t kFirstAccountListEnd = 3 + 45 + 39 + 8;

// obx.rd: account 0's mails read and unread, account 1's mail unread.
inline std::string readFlagFixture() {
    return "\x01\x00\x00"s;
}

} // namespace ombrix::test
