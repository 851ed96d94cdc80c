#include "check/account_rules.h"

#include "check/account_table.h"
#include "check/language.h"

namespace ombrix {

std::string defaultPort(bool imap, bool ssl) {
    if (imap)
        return ssl ? "993" : "143";
    return ssl ? "995" : "110";
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

const char* lineBreakText(AccountField field) {
    switch (field) {
    case AccountField::Address:
        return Text("Die Emailadresse darf keinen Zeilenumbruch enthalten !",
                    "The mail address must not contain a line break !");
    case AccountField::Server:
        return Text("Der Name des Mailservers darf keinen Zeilenumbruch enthalten !",
                    "The name of the mailserver must not contain a line break !");
    case AccountField::User:
        return Text("Der Benutzername darf keinen Zeilenumbruch enthalten !",
                    "The username must not contain a line break !");
    case AccountField::Password:
        break;
    }
    return Text("Das Passwort darf keinen Zeilenumbruch enthalten !",
                "The password must not contain a line break !");
}

const char* accountLimitText() {
    return Text("Limit von Emailaccounts erreicht",
                "You have reached the limits of accounts, sorry");
}

std::optional<AccountField> fieldWithLineBreak(const NewAccount& account) {
    if (hasLineBreak(account.name))
        return AccountField::Address;
    if (hasLineBreak(account.host))
        return AccountField::Server;
    if (hasLineBreak(account.user))
        return AccountField::User;
    if (hasLineBreak(account.password))
        return AccountField::Password;
    return std::nullopt;
}

int appendAccount(const NewAccount& account) {
    if (accountCount >= kMaxAccounts)
        return -1;
    const int index = int(accountCount++);
    AccountRecord& slot = accounts[index];
    slot.errorFlag = 0;
    slot.name = account.name;
    slot.host = account.host;
    slot.user = account.user;
    slot.password = account.password;
    slot.port = account.port;
    slot.useSsl = account.ssl ? 1 : 0;
    slot.protocol = account.imap ? 1 : 0;
    return index;
}

} // namespace ombrix
