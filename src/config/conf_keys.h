#pragma once
// Every key of ombrix.conf, the program's own settings beside obx.dat. The
// file is lines of KEY=VALUE (config/program_conf.h); keys that belong to an
// account read FIELD/protocol/port/host/user (config/account_conf_key.h),
// where FIELD is one of the per-account names below.

namespace ombrix {

// --- Program-wide -----------------------------------------------------------

// "on" or "off": new mail announced through the desktop's notifications.
inline constexpr const char* kConfDesktopNotification = "desktopNotification";
// "on" or "off": a watcher per IMAP account that announces new mail at once.
inline constexpr const char* kConfIdle = "idle";
// "auto" (the default): passwords in the desktop keyring where one answers;
// "file": always in obx.dat.
inline constexpr const char* kConfPasswordStore = "passwordStore";
// "yes" once the keyring has answered for every empty password of an older
// directory (see config/keyring_marks.h).
inline constexpr const char* kConfKeyringPasswordsMarked = "keyringPasswordsMarked";
// Client ids and secrets of the OAuth presets, where the user has his own.
inline constexpr const char* kConfGoogleClientId = "oauthGoogleClientId";
inline constexpr const char* kConfGoogleClientSecret = "oauthGoogleClientSecret";
inline constexpr const char* kConfMicrosoftClientId = "oauthMicrosoftClientId";
inline constexpr const char* kConfMicrosoftClientSecret = "oauthMicrosoftClientSecret";

// --- Per account ------------------------------------------------------------

// How new mail is announced: "silent" or "wave" (config/account_alert.h).
inline constexpr const char* kConfAlert = "alert";
inline constexpr const char* kConfAlertWave = "alertWave";
// "off" where the read state does not follow the server, or marks made here
// do not reach it (config/read_state_switches.h).
inline constexpr const char* kConfReadFromServer = "readFromServer";
inline constexpr const char* kConfReadToServer = "readToServer";
// Marks still to be sent to the server (mark/pending_marks.h).
inline constexpr const char* kConfPendingMarks = "pendingMarks";
// "UIDVALIDITY MODSEQ" of the last committed list (config/highest_modseqs.h).
inline constexpr const char* kConfHighestModseq = "highestModseq";
// "yes": the account's password is in the keyring (config/keyring_marks.h).
inline constexpr const char* kConfKeyringPassword = "keyringPassword";
// "pending": a keyring item still to be removed (config/keyring_removals.h).
inline constexpr const char* kConfKeyringRemoval = "keyringRemoval";
// An OAuth 2.0 sign-in (config/oauth_sign_ins.h): the provider, the custom
// provider's addresses and client, the scope, and the refresh token where no
// keyring keeps it.
inline constexpr const char* kConfOAuthProvider = "oauthProvider";
inline constexpr const char* kConfOAuthAuthorizationUrl = "oauthAuthorizationUrl";
inline constexpr const char* kConfOAuthTokenUrl = "oauthTokenUrl";
inline constexpr const char* kConfOAuthDeviceUrl = "oauthDeviceUrl";
inline constexpr const char* kConfOAuthClientId = "oauthClientId";
inline constexpr const char* kConfOAuthClientSecret = "oauthClientSecret";
inline constexpr const char* kConfOAuthScope = "oauthScope";
inline constexpr const char* kConfOAuthRefreshToken = "oauthRefreshToken";

} // namespace ombrix
