// When a TLS context built from the trusted files may serve another
// connection: only while the same files are there, none changed, and none
// was written so recently that a change could hide within its time stamp.

#include "net/trust_files_stamp.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ombrix::test {
namespace {

// Installed with the system and not written since: older than any stamp granularity.
const std::string kOldDirectory = "/usr";

TEST(TrustFilesStamp, OldFilesAndMissingOnesStayUnchanged) {
    TempDir dir;
    const std::vector<std::string> paths{kOldDirectory, (dir / "missing.pem").string()};
    const TrustFilesStamp built = TrustFilesStamp::take(paths);
    EXPECT_TRUE(TrustFilesStamp::take(paths).unchangedSince(built));
}

TEST(TrustFilesStamp, OtherPathsOrAFileThatAppearedAreAnotherStore) {
    TempDir dir;
    const std::string file = (dir / "ca.pem").string();
    const TrustFilesStamp built = TrustFilesStamp::take({kOldDirectory, file});
    EXPECT_FALSE(TrustFilesStamp::take({kOldDirectory}).unchangedSince(built)) << "one path fewer";
    EXPECT_FALSE(TrustFilesStamp::take({"/", file}).unchangedSince(built)) << "another directory";
    writeBytes(file, "-----BEGIN CERTIFICATE-----\n");
    EXPECT_FALSE(TrustFilesStamp::take({kOldDirectory, file}).unchangedSince(built))
        << "the file appeared";
}

TEST(TrustFilesStamp, AFileWrittenJustNowNeverCountsAsUnchanged) {
    // A second write within the same tick of the file system's clock would
    // leave every stamp as it is.
    TempDir dir;
    const std::string file = (dir / "ca.pem").string();
    writeBytes(file, "first");
    const TrustFilesStamp built = TrustFilesStamp::take({file});
    EXPECT_FALSE(TrustFilesStamp::take({file}).unchangedSince(built));
}

} // namespace
} // namespace ombrix::test
