#pragma once
// How a refused server certificate is put to the user, on the command line and
// in the certificate dialog alike, in both languages.

#include "core/language.h"
#include "net/certificate_faults.h"

#include <string>

namespace ombrix::certificate_texts {

inline const char* server() {
    return Text("Server", "Server");
}
inline const char* reason() {
    return Text("Grund", "Reason");
}
// The TLS library names the reason in English; the ones a user meets with a
// home or company server are said in German as well.
inline std::string reasonText(const std::string& libraryReason) {
    struct Said {
        const char* library;
        const char* german;
    };
    static constexpr Said kSaid[] = {
        {"self-signed certificate", "selbst signiertes Zertifikat"},
        {"self-signed certificate in certificate chain",
         "selbst signiertes Zertifikat in der Zertifikatskette"},
        {"unable to get local issuer certificate", "Aussteller des Zertifikats unbekannt"},
        {"unable to get issuer certificate", "Aussteller des Zertifikats unbekannt"},
        {"unable to verify the first certificate", "Zertifikat nicht überprüfbar"},
        {"certificate has expired", "Zertifikat abgelaufen"},
        {"certificate is not yet valid", "Zertifikat noch nicht gültig"},
        {"hostname mismatch", "Servername passt nicht zum Zertifikat"},
    };
    for (const Said& said : kSaid) {
        if (libraryReason == said.library)
            return Text(said.german, said.library);
    }
    return libraryReason;
}
inline const char* faults() {
    return Text("Mängel", "Faults");
}
// One fault of certificate_faults.h, as the user reads it.
inline std::string faultText(const std::string& fault) {
    struct Said {
        const char* name;
        const char* german;
        const char* english;
    };
    static constexpr Said kSaid[] = {
        {kFaultSelfSigned, "selbst signiert", "self-signed"},
        {kFaultUnknownIssuer, "Aussteller unbekannt", "unknown issuer"},
        {kFaultNameMismatch, "Servername passt nicht", "name mismatch"},
        {kFaultExpired, "abgelaufen", "expired"},
        {kFaultNotYetValid, "noch nicht gültig", "not yet valid"},
    };
    for (const Said& said : kSaid) {
        if (fault == said.name)
            return Text(said.german, said.english);
    }
    return fault;
}
inline std::string faultsText(const CertificateFaults& faults) {
    std::string text;
    for (const std::string& fault : faults)
        text += (text.empty() ? "" : ", ") + faultText(fault);
    return text;
}
inline const char* newFaults() {
    return Text("Das akzeptierte Zertifikat zeigt einen Mangel, den Sie nicht akzeptiert haben.",
                "The accepted certificate shows a fault you have not accepted.");
}
inline const char* subject() {
    return Text("Ausgestellt für", "Subject");
}
inline const char* issuer() {
    return Text("Ausgestellt von", "Issuer");
}
inline const char* validFrom() {
    return Text("Gültig ab", "Valid from");
}
inline const char* validUntil() {
    return Text("Gültig bis", "Valid until");
}
inline const char* fingerprint() {
    return Text("SHA-256-Fingerabdruck", "SHA-256 fingerprint");
}
inline const char* pinnedFingerprint() {
    return Text("Bisher akzeptiert", "Accepted before");
}
inline const char* presentedFingerprint() {
    return Text("Jetzt vorgelegt", "Presented now");
}
inline const char* notVerified() {
    return Text("Das Zertifikat des Servers lässt sich nicht überprüfen. Vergleichen Sie den "
                "Fingerabdruck mit dem, den der Betreiber des Servers nennt.",
                "The server's certificate cannot be verified. Compare its fingerprint with the "
                "one the server's administrator gives.");
}
inline const char* changed() {
    return Text("Der Server zeigt nicht mehr das Zertifikat, das Sie akzeptiert haben.",
                "The server no longer presents the certificate you accepted.");
}
inline const char* acceptPermanently() {
    return Text("Dauerhaft akzeptieren", "Accept permanently");
}
inline const char* reject() {
    return Text("Ablehnen", "Reject");
}
inline const char* title() {
    return Text("Zertifikat des Servers", "Server certificate");
}
inline const char* checkCertificateEntry() {
    return Text("Zertifikat prüfen…", "Check certificate…");
}

} // namespace ombrix::certificate_texts
