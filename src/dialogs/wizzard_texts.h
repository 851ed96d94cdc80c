#pragma once
// The new-account wizard's questions, hints and messages, step by step.

#include "core/language.h"

#include <string>

namespace ombrix::wizard_texts {

inline std::string stepTitle(int step) {
    return std::string(Text("Schritt ", "step ")) + std::to_string(step + 1) + " / 6";
}

inline const char* addressQuestion() {
    return Text("Geben Sie Ihre Emailadresse ein:", "please enter your email address:");
}
inline const char* addressMissing() {
    return Text("Bitte geben sie ihre Emailadresse ein !", "Please enter your mail address !");
}

inline const char* protocolQuestion() {
    return Text("Mit welchem Protokoll arbeitet Ihre Emailadresse?",
                "Which type of protocol does your emailaddress use?");
}
inline const char* protocolHint() {
    return Text("Wenn Sie sich nicht sicher sind, so wählen Sie POP3.\n\nEs wird von den meisten "
                "Emailanbietern unterstützt. Für Adressen von iCloud (@icloud.com) wählen Sie "
                "jedoch IMAP.",
                "If you dont know what to choose, select POP3.\n\nIt is supported by almost every "
                "mailprovider. Users of iCloud mail (@icloud.com) should choose IMAP.");
}

inline const char* sslQuestion() {
    return Text("Erfordert Ihre Emailadresse eine SSL Verschlüsselung?",
                "Does your mailaddress need SSL encyption?");
}
inline const char* sslHint() {
    return Text("Wenn Sie sich nicht sicher sind, so wählen Sie Nein.\n\nNur wenige Emailadressen "
                "erfordern eine SSL Verschlüsselung, zum Beispiel die von iCloud.",
                "If you dont know what to choose, select No.\n\nOnly a few mailaddresses need SSL "
                "encryption, for example those of iCloud.");
}
inline const char* noAnswer() {
    return Text("Nein", "No");
}
inline const char* yesAnswer() {
    return Text("Ja", "Yes");
}

inline const char* serverQuestion() {
    return Text("Geben sie nun den Mailserver der Emailadresse ein:",
                "Please enter the name of the mailserver:");
}
inline std::string serverHint(bool imap) {
    if (imap)
        return Text("Den Namen des Mailservers bekommen sie von ihrem Emailprovider,\nbei iCloud "
                    "lautet er zum Beispiel imap.mail.me.com",
                    "The name of the mailserver is given by your mailprovider,\nfor iCloud mail "
                    "it is imap.mail.me.com");
    return Text("Den Namen des Mailservers bekommen sie von ihrem Emailprovider,\nbei GMX lautet "
                "er zum Beispiel pop.gmx.net, bei WEB.DE pop3.web.de",
                "The name of the mailserver is given by your mailprovider,\nmostly it looks like "
                "pop.yourprovider.com");
}
inline const char* serverMissing() {
    return Text("Bitte geben sie den Namen der Emailservers an !",
                "please enter the name of your mailserver !");
}

inline const char* userQuestion() {
    return Text("Geben sie nun den Benutzernamen ein:", "Please enter the username:");
}
inline const char* userHint() {
    return Text("In vielen Fällen ist der Benutzername gleich der Emailadresse. Den Benutzernamen "
                "erhalten sie von ihrem Emailprovider.",
                "In many cases, the username is same as the name of the emailaddress.");
}
inline const char* userMissing() {
    return Text("Bitte geben sie den Benutzernamen des Accounts ein.",
                "Please enter the username !");
}

inline const char* passwordQuestion() {
    return Text("Geben sie nun das Passwort ein:", "Please enter your password:");
}
inline const char* passwordMissing() {
    return Text("Bitte geben sie das Passwort ein !", "Enter your password !");
}

inline const char* accountAdded() {
    return Text("Ihr Emailaccount wurde zur Überprüfung eingerichtet !",
                "OK, account successfully added !");
}

} // namespace ombrix::wizard_texts
