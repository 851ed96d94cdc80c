// Timing of the MIME parser on 10000 generated fetched mails of a few KB each
// (POP3 status line, a realistic header, plain, quoted-printable and multipart
// bodies with a base64 attachment). Prints the best and median of several
// rounds; asserts nothing.

#include "mime/message_part.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMails = 10000;
constexpr int kRounds = 7;

std::string header(int index, std::mt19937& random) {
    const char* subjects[] = {"Quarterly report", "=?ISO-8859-1?Q?Caf=E9_cr=E8me_recipe?=",
                              "=?UTF-8?B?R3LDvMOfZSBhdXMgQmVybGlu?=",
                              "Re: a rather long subject line that is folded\r\n over two lines"};
    const char* senders[] = {"\"Alice\" <alice@example.org>", "=?UTF-8?Q?J=C3=BCrgen?= <j@x.de>",
                             "bob@example.net"};
    std::string text = "+OK " + std::to_string(2000 + index) + " octets\r\n";
    for (int hop = 0; hop < 4; ++hop)
        text += "Received: from relay" + std::to_string(hop) +
                ".example.net (relay.example.net [192.0.2.1])\r\n\tby mx.example.org with ESMTPS "
                "id " +
                std::to_string(random()) + ";\r\n\tTue, 18 Jan 2005 10:00:00 +0100\r\n";
    text += "Message-ID: <" + std::to_string(random()) + "@example.org>\r\n";
    text += "Date: Tue, 18 Jan 2005 10:00:00 +0100\r\n";
    text += std::string("From: ") + senders[random() % 3] + "\r\n";
    text += "To: carol@example.org\r\n";
    text += std::string("Subject: ") + subjects[random() % 4] + "\r\n";
    text += "MIME-Version: 1.0\r\n";
    return text;
}

std::string plainBody() {
    std::string body;
    for (int line = 0; line < 40; ++line)
        body += "This is line " + std::to_string(line) + " of a plain text mail body here.\r\n";
    return "Content-Type: text/plain; charset=us-ascii\r\n\r\n" + body;
}

std::string quotedPrintableBody() {
    std::string body;
    for (int line = 0; line < 40; ++line)
        body += "Gr=C3=BC=C3=9Fe aus M=C3=BCnchen, Zeile " + std::to_string(line) +
                " mit einem weichen =\r\nUmbruch.\r\n";
    return "Content-Type: text/plain; charset=utf-8\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           body;
}

std::string multipartBody() {
    std::string attachment;
    for (int line = 0; line < 30; ++line)
        attachment +=
            "JVBERi0xLjQKJcfsj6IKNSAwIG9iago8PC9MZW5ndGggNiAwIFIvRmlsdGVyIC9GbGF0ZURl\r\n";
    return "Content-Type: multipart/mixed; boundary=\"=_outer_4711\"\r\n\r\n"
           "This is a multi-part message in MIME format.\r\n"
           "--=_outer_4711\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n"
           "--inner\r\nContent-Type: text/plain\r\n\r\nHello,\r\nsee the attachment.\r\n"
           "--inner\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable"
           "\r\n\r\n<p>Hello,<br>see the attachment.</p>=\r\n\r\n--inner--\r\n"
           "--=_outer_4711\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           attachment + "--=_outer_4711--\r\n";
}

std::vector<std::string> generateMails() {
    std::mt19937 random(4711);
    std::vector<std::string> mails;
    mails.reserve(kMails);
    for (int i = 0; i < kMails; ++i) {
        std::string body = i % 3 == 0   ? plainBody()
                           : i % 3 == 1 ? quotedPrintableBody()
                                        : multipartBody();
        mails.push_back(header(i, random) + body + ".\r\n");
    }
    return mails;
}

} // namespace

int main() {
    const std::vector<std::string> mails = generateMails();
    std::size_t octets = 0;
    for (const std::string& mail : mails)
        octets += mail.size();

    std::vector<double> ms;
    std::size_t checksum = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        for (const std::string& mail : mails) {
            ombrix::MessagePart part;
            checksum += static_cast<std::size_t>(part.load(mail));
            checksum += part.getSubject().value_or("").size() + part.children.size();
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const double best = ms.front();
    std::printf("mime_bench: %d mails, %.0f KB average, %.1f MB in all\n", kMails,
                static_cast<double>(octets) / kMails / 1024.0, static_cast<double>(octets) / 1e6);
    std::printf("parse all: best %.1f ms, median %.1f ms (%.2f us per mail, %.0f MB/s)\n", best,
                ms[ms.size() / 2], best * 1000.0 / kMails,
                static_cast<double>(octets) / 1e3 / best);
    std::printf("(checksum %zu)\n", checksum);
    return 0;
}
