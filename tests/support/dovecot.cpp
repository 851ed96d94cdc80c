#include "support/dovecot.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace ombrix::test {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result = split(text, '\n');
    if (!result.empty() && result.back().empty())
        result.pop_back();
    return result;
}

std::map<std::string, std::string> readEnvFile(const fs::path& file) {
    std::map<std::string, std::string> values;
    for (const std::string& line : lines(readFile(file))) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

bool processAlive(const fs::path& pidFile) {
    const std::string text = readFile(pidFile);
    const long pid = std::strtol(text.c_str(), nullptr, 10);
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::string shellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs one of the repository's scripts and returns its standard output.
std::string runScript(const std::string& script, const std::vector<std::string>& args) {
    std::string command = shellQuote(std::string(OMBRIX_SCRIPTS_DIR) + "/" + script);
    for (const std::string& arg : args)
        command += " " + shellQuote(arg);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(command + " failed (status " + std::to_string(status) + ")");
    return output;
}

std::string unescape(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char code = field[++i];
        out += code == 't' ? '\t' : code == 'r' ? '\r' : code == 'n' ? '\n' : code;
    }
    return out;
}

// Rows of a manifest, each field by its column name from the "#" header line.
std::vector<ManifestMail> parseManifest(const std::string& text) {
    std::vector<std::string> columns;
    std::vector<ManifestMail> mails;
    for (const std::string& line : lines(text)) {
        if (line.starts_with("#")) {
            columns = split(line.substr(1), '\t');
            continue;
        }
        const std::vector<std::string> fields = split(line, '\t');
        if (fields.size() != columns.size())
            throw std::runtime_error("manifest row with " + std::to_string(fields.size()) +
                                     " fields, header has " + std::to_string(columns.size()));
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < fields.size(); ++i)
            row[columns[i]] = unescape(fields[i]);
        ManifestMail mail;
        mail.index = std::stoi(row.at("index"));
        mail.messageId = row.at("message_id");
        mail.file = row.at("file");
        mail.size = std::stoll(row.at("size"));
        mail.bodyLines = std::stoi(row.at("body_lines"));
        mail.day = std::stoi(row.at("day"));
        mail.month = std::stoi(row.at("month"));
        mail.year = std::stoi(row.at("year"));
        mail.date = row.at("date");
        mail.from = row.at("from");
        mail.subject = row.at("subject");
        mail.fromDisplay = row.at("from_display");
        mail.subjectDisplay = row.at("subject_display");
        mails.push_back(std::move(mail));
    }
    return mails;
}

// "uidvalidity V uidnext N messages M", then "SEQ UID SIZE UIDL MESSAGE-ID" rows.
MailboxListing parseListing(const std::string& text) {
    MailboxListing listing;
    const std::vector<std::string> rows = lines(text);
    if (rows.empty())
        throw std::runtime_error("empty mailbox listing");
    const std::vector<std::string> head = split(rows[0], '\t');
    if (head.size() < 4 || head[0] != "uidvalidity" || head[2] != "uidnext")
        throw std::runtime_error("unexpected listing header: " + rows[0]);
    listing.uidValidity = static_cast<std::uint32_t>(std::stoul(head[1]));
    listing.uidNext = static_cast<std::uint32_t>(std::stoul(head[3]));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> f = split(rows[i], '\t');
        if (f.size() != 5)
            throw std::runtime_error("unexpected listing row: " + rows[i]);
        listing.mails.push_back({std::stoi(f[0]), static_cast<std::uint32_t>(std::stoul(f[1])),
                                 std::stoll(f[2]), f[3], f[4]});
    }
    return listing;
}

} // namespace

const std::string& DovecotServer::password(const std::string& user) const {
    const auto found = passwords.find(user);
    if (found == passwords.end())
        throw std::runtime_error("no test user " + user);
    return found->second;
}

DovecotLookup findDovecot() {
    const char* dirValue = std::getenv("OMBRIX_DOVECOT_DIR");
    if (!dirValue || !*dirValue)
        return {std::nullopt, "OMBRIX_DOVECOT_DIR is not set; run the test through ctest, "
                              "whose fixture starts the server"};
    const fs::path dir = dirValue;
    if (fs::exists(dir / "unavailable"))
        return {std::nullopt, readFile(dir / "unavailable")};
    if (!fs::exists(dir / "server.env"))
        return {std::nullopt, "no server was started in " + dir.string()};
    const std::map<std::string, std::string> env = readEnvFile(dir / "server.env");
    const auto value = [&env](const std::string& key) {
        const auto found = env.find(key);
        if (found == env.end())
            throw std::runtime_error("server.env lacks " + key);
        return found->second;
    };
    if (!processAlive(fs::path(value("BASE_DIR")) / "master.pid"))
        return {std::nullopt, "the server of " + dir.string() + " is not running"};
    DovecotServer server;
    server.dir = dir.string();
    server.host = value("HOST");
    server.pop3Port = std::stoi(value("POP3_PORT"));
    server.imapPort = std::stoi(value("IMAP_PORT"));
    server.pop3sPort = std::stoi(value("POP3S_PORT"));
    server.imapsPort = std::stoi(value("IMAPS_PORT"));
    server.caFile = value("CA_FILE");
    server.untrustedCaFile = value("UNTRUSTED_CA_FILE");
    for (const std::string& line : lines(readFile(value("USERS_FILE")))) {
        const auto tab = line.find('\t');
        if (tab != std::string::npos)
            server.passwords[line.substr(0, tab)] = line.substr(tab + 1);
    }
    server.oauthSecret = readFile(value("OAUTH_SECRET_FILE"));
    server.oauthUsers = split(value("OAUTH_USERS"), ',');
    return {std::move(server), ""};
}

std::vector<ManifestMail> fillMailbox(const DovecotServer& server, const std::string& user,
                                      int count, const std::string& seed) {
    runScript("mailbox-tool", {server.dir, user, "fill", std::to_string(count), seed});
    return readManifest(server, user);
}

std::string renewCertificate(const DovecotServer& server) {
    std::string fingerprint = runScript("dovecot-test-server", {"renew-certificate", server.dir});
    while (!fingerprint.empty() && (fingerprint.back() == '\n' || fingerprint.back() == '\r'))
        fingerprint.pop_back();
    return fingerprint;
}

std::string serverCertificateFile(const DovecotServer& server) {
    return (fs::path(server.dir) / "tls" / "server.pem").string();
}

ManifestMail addMail(const DovecotServer& server, const std::string& user,
                     const std::string& seed) {
    runScript("mailbox-tool", {server.dir, user, "add", seed});
    const std::vector<ManifestMail> rows = readManifest(server, user);
    if (rows.empty())
        throw std::runtime_error("the manifest of " + user + " has no rows after adding a mail");
    return rows.back();
}

void deleteMails(const DovecotServer& server, const std::string& user,
                 const std::vector<int>& sequences) {
    std::vector<std::string> args{server.dir, user, "delete"};
    for (int sequence : sequences)
        args.push_back(std::to_string(sequence));
    runScript("mailbox-tool", args);
}

void markDeleted(const DovecotServer& server, const std::string& user,
                 const std::vector<int>& sequences) {
    std::vector<std::string> args{server.dir, user, "mark-deleted"};
    for (int sequence : sequences)
        args.push_back(std::to_string(sequence));
    runScript("mailbox-tool", args);
}

void setSeen(const DovecotServer& server, const std::string& user,
             const std::vector<int>& sequences, bool seen) {
    std::vector<std::string> args{server.dir, user, seen ? "seen" : "unseen"};
    for (int sequence : sequences)
        args.push_back(std::to_string(sequence));
    runScript("mailbox-tool", args);
}

void recreateMailbox(const DovecotServer& server, const std::string& user) {
    runScript("mailbox-tool", {server.dir, user, "recreate"});
}

MailboxListing listMailbox(const DovecotServer& server, const std::string& user) {
    return parseListing(runScript("mailbox-tool", {server.dir, user, "list"}));
}

std::vector<std::uint32_t> seenUids(const DovecotServer& server, const std::string& user) {
    std::vector<std::uint32_t> uids;
    for (const std::string& line :
         lines(runScript("mailbox-tool", {server.dir, user, "seen-uids"})))
        if (!line.empty())
            uids.push_back(static_cast<std::uint32_t>(std::stoul(line)));
    std::ranges::sort(uids);
    return uids;
}

std::vector<ManifestMail> readManifest(const DovecotServer& server, const std::string& user) {
    return parseManifest(readFile(fs::path(server.dir) / "manifests" / (user + ".tsv")));
}

void DovecotTest::SetUp() {
    DovecotLookup lookup = findDovecot();
    if (lookup.server) {
        server_ = std::move(lookup.server);
        return;
    }
    const char* ci = std::getenv("CI");
    if (ci && *ci)
        FAIL() << "CI is set and the test Dovecot is missing: " << lookup.whyNot;
    std::cerr << "\n**********************************************************************\n"
              << "DOVECOT TEST SKIPPED: " << lookup.whyNot
              << "\n**********************************************************************\n";
    GTEST_SKIP() << "no test Dovecot: " << lookup.whyNot;
}

} // namespace ombrix::test
