#include "core/account_rules.h"

#include "core/account_table.h"
#include "core/language.h"

#include <algorithm>
#include <utility>

namespace ombrix {

std::string defaultPort(bool imap, bool ssl) {
    if (imap)
        return ssl ? "993" : "143";
    return ssl ? "995" : "110";
}

bool hasControlCharacter(std::string_view text) {
    return std::ranges::any_of(text, [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 32 || byte == 127;
    });
}

const char* controlCharacterText(AccountField field) {
    switch (field) {
    case AccountField::Address:
        return Text("Die Emailadresse darf keinen Zeilenumbruch und kein anderes Steuerzeichen "
                    "enthalten !",
                    "The mail address must not contain a line break or other control "
                    "character !");
    case AccountField::Server:
        return Text("Der Name des Mailservers darf keinen Zeilenumbruch und kein anderes "
                    "Steuerzeichen enthalten !",
                    "The name of the mailserver must not contain a line break or other control "
                    "character !");
    case AccountField::User:
        return Text("Der Benutzername darf keinen Zeilenumbruch und kein anderes Steuerzeichen "
                    "enthalten !",
                    "The username must not contain a line break or other control character !");
    case AccountField::Port:
        return Text("Der Port darf keinen Zeilenumbruch und kein anderes Steuerzeichen "
                    "enthalten !",
                    "The port must not contain a line break or other control character !");
    case AccountField::Password:
        break;
    }
    return Text("Das Passwort darf keinen Zeilenumbruch und kein anderes Steuerzeichen enthalten !",
                "The password must not contain a line break or other control character !");
}

const char* accountLimitText() {
    return Text("Limit von Emailaccounts erreicht",
                "You have reached the limits of accounts, sorry");
}

std::optional<AccountField> fieldWithControlCharacter(const NewAccount& account) {
    const std::pair<const std::string*, AccountField> fields[] = {
        {&account.name, AccountField::Address},
        {&account.host, AccountField::Server},
        {&account.user, AccountField::User},
        {&account.password, AccountField::Password},
        {&account.port, AccountField::Port}};
    for (const auto& [text, field] : fields)
        if (hasControlCharacter(*text))
            return field;
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
