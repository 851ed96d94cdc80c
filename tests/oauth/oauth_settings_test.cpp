// Which provider an account signs in with, where that is kept in ombrix.conf,
// and where each provider's client id comes from.

#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/state_store.h"
#include "core/access_tokens.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "oauth/providers.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix::oauth {
namespace {

TEST(ProviderPresetTest, NamesThePresetOfAServerWhateverItsCase) {
    EXPECT_EQ(presetForHost("imap.gmail.com"), kGoogle);
    EXPECT_EQ(presetForHost("POP.GMAIL.COM"), kGoogle);
    EXPECT_EQ(presetForHost("outlook.office365.com"), kMicrosoft);
    EXPECT_EQ(presetForHost("Outlook.Office365.com"), kMicrosoft);
    EXPECT_EQ(presetForHost("imap.gmail.com.evil.example"), "");
    EXPECT_EQ(presetForHost("mail.example.org"), "");
    EXPECT_EQ(presetForHost(""), "");
}

TEST(ProviderSettingsTest, AMissingClientIdNamesTheKeyToSet) {
    const ProgramConf empty;
    for (const auto& [provider, key] :
         {std::pair{kGoogle, kConfGoogleClientId}, std::pair{kMicrosoft, kConfMicrosoftClientId}}) {
        const ProviderLookup lookup = providerSettings({provider, {}}, "imap", empty);
        if (lookup.settings) // a build that brought its own client id
            continue;
        EXPECT_NE(lookup.failure.find(key), std::string::npos) << lookup.failure;
        EXPECT_NE(lookup.failure.find("ombrix.conf"), std::string::npos);
    }
    EXPECT_FALSE(providerSettings({"yahoo", {}}, "imap", empty).settings);
    EXPECT_FALSE(providerSettings({kCustom, {}}, "imap", empty).settings);
    const ProviderLookup noClient = providerSettings(
        {kCustom, {"https://id.example/auth", "https://id.example/token", "", "", "", "mail"}},
        "imap", empty);
    EXPECT_EQ(noClient.failure, "The custom OAuth sign-in has no client id.");
}

TEST(ProviderSettingsTest, PresetsTakeTheirClientFromOmbrixConfAndTheScopeFromTheProtocol) {
    ProgramConf conf;
    conf.set(kConfGoogleClientId, "g-id");
    conf.set(kConfGoogleClientSecret, "g-desktop-secret");
    conf.set(kConfMicrosoftClientId, "m-id");
    const auto google = providerSettings({kGoogle, {}}, "pop3", conf).settings;
    ASSERT_TRUE(google);
    EXPECT_EQ(google->clientId, "g-id");
    EXPECT_EQ(google->clientSecret, "g-desktop-secret");
    EXPECT_EQ(google->scope, "https://mail.google.com/");
    EXPECT_EQ(google->tokenUrl, "https://oauth2.googleapis.com/token");
    EXPECT_TRUE(google->deviceUrl.empty());

    const auto imap = providerSettings({kMicrosoft, {}}, "imap", conf).settings;
    const auto pop = providerSettings({kMicrosoft, {}}, "pop3", conf).settings;
    ASSERT_TRUE(imap && pop);
    EXPECT_EQ(imap->scope, "https://outlook.office.com/IMAP.AccessAsUser.All offline_access");
    EXPECT_EQ(pop->scope, "https://outlook.office.com/POP.AccessAsUser.All offline_access");
    EXPECT_EQ(imap->clientSecret, ""); // a public client
    EXPECT_EQ(imap->deviceUrl, "https://login.microsoftonline.com/common/oauth2/v2.0/devicecode");

    CustomProvider typed{
        "https://id.example/auth", "https://id.example/token", "", "c-id", "", "mail"};
    const auto custom = providerSettings({kCustom, typed}, "imap", conf).settings;
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->clientId, "c-id");
    EXPECT_EQ(custom->tokenUrl, "https://id.example/token");
}

SecretKey awkwardAccount() {
    return {"imap.example.org", "me / you=1%\xC3\xA9", "imap", 993};
}

TEST(OAuthSignInConfTest, KeysHoldNoByteThatWouldBreakTheirLine) {
    EXPECT_EQ(oauthConfKey(kConfOAuthProvider, {"imap.gmail.com", "me@gmail.com", "imap", 993}),
              "oauthProvider/imap/993/imap.gmail.com/me@gmail.com");
    EXPECT_EQ(oauthConfKey(kConfOAuthProvider, awkwardAccount()),
              "oauthProvider/imap/993/imap.example.org/me%20%2F%20you%3D1%25%C3%A9");
}

TEST(OAuthSignInConfTest, ASignInSurvivesTheFileAndIsForgottenWhole) {
    OAuthSignIn custom{kCustom,
                       {"https://id.example/auth", "https://id.example/token",
                        "https://id.example/device", "c-id", "", "mail offline"}};
    ProgramConf conf;
    conf.set("idle", "on");
    setOAuthSignIn(conf, awkwardAccount(), custom);
    conf.set(oauthConfKey(kConfOAuthRefreshToken, awkwardAccount()), "rt");
    const ProgramConf reread = ProgramConf::parse(conf.serialize());
    EXPECT_EQ(oauthSignInOf(reread, awkwardAccount()), custom);
    EXPECT_FALSE(oauthSignInOf(reread, {"imap.example.org", "me", "imap", 993}));
    EXPECT_FALSE(oauthSignInOf(reread, {"imap.example.org", "me / you=1%\xC3\xA9", "pop3", 993}));

    ProgramConf forgotten = reread;
    forgetOAuthSignIn(forgotten, awkwardAccount());
    EXPECT_EQ(forgotten.serialize(), "idle=on\n");

    // A preset keeps no endpoints of an earlier custom sign-in.
    setOAuthSignIn(conf, awkwardAccount(), {kGoogle, {}});
    EXPECT_EQ(oauthSignInOf(conf, awkwardAccount()), (OAuthSignIn{kGoogle, {}}));
    EXPECT_FALSE(conf.value(oauthConfKey(kConfOAuthTokenUrl, awkwardAccount())));
}

TEST(OAuthSignInConfTest, StartUpGivesEachAccountItsProviderAndLeavesObxDatAlone) {
    test::resetProcessState();
    test::TempDir dir;
    programDirectory = dir.path().string();
    accountCount = 2;
    accounts[0].host = "imap.gmail.com";
    accounts[0].user = "me@gmail.com";
    accounts[0].protocol = 1;
    accounts[0].port = "993";
    accounts[0].name = "gmail";
    accounts[1].host = "pop.example.org";
    accounts[1].user = "me";
    accounts[1].password = "secret";
    accounts[1].port = "110";
    accounts[1].name = "plain";
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    const std::string obxDat = test::readBytes(dir / "obx.dat");
    ASSERT_FALSE(updateProgramConf([](ProgramConf& conf) {
        setOAuthSignIn(conf, {"imap.gmail.com", "me@gmail.com", "imap", 993}, {kGoogle, {}});
    }));

    test::resetProcessState();
    programDirectory = dir.path().string();
    replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
    loadState(LoadScope::Accounts);
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[0].oauthProvider, kGoogle);
    EXPECT_TRUE(signsInWithOAuth(accounts[0]));
    EXPECT_EQ(tokenAccountOf(accounts[0]),
              (TokenAccount{kGoogle, "imap.gmail.com", "me@gmail.com", "imap", 993}));
    EXPECT_EQ(accounts[1].oauthProvider, "");
    ASSERT_TRUE(saveState(SaveKind::SettingsFile));
    EXPECT_EQ(test::readBytes(dir / "obx.dat"), obxDat);
}

TEST(OAuthSignInConfTest, TheKeyringLooksForNoPasswordOfAnAccountThatSignsInWithOAuth) {
    test::resetProcessState();
    keyringChosen = true;
    accountCount = 2;
    accounts[0].host = "imap.gmail.com";
    accounts[0].oauthProvider = kGoogle;  // its password field is empty
    accounts[1].host = "pop.example.org"; // a password still to fetch
    const std::vector<PasswordJob> jobs = passwordJobs(true);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs.front().slot, 1);
}

} // namespace
} // namespace ombrix::oauth
