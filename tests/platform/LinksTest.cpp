// One rule for what is a link: the slots take lower-case schemes as they
// stand; the opener also takes the common ones in any letter case.
#include <gtest/gtest.h>

#include "platform/Links.h"

using namespace sorvel;

TEST(Links, TheSlotsRuleAndTheOpenersWider) {
    for (const char* l : {"https://x/", "sftp://h/x", "smb://s/share", "file:///tmp/", "svn+ssh://h/r"})
        EXPECT_GT(linkSchemeLength(l), 0u) << l;
    EXPECT_EQ(linkSchemeLength("mailto:a@b"), 6u);
    for (const char* n : {"HTTP://X/", "Mailto:a@b", "magnet:?xt=1", "/home/u/https://x", "C:\\x", "http:/x", ""})
        EXPECT_EQ(linkSchemeLength(n), 0u) << n;
    // The opener: the common schemes in any case, nothing more.
    EXPECT_EQ(linkSchemeLength("HTTP://X/", LinkCase::CommonSchemesAnyCase), 4u);
    EXPECT_EQ(linkSchemeLength("Mailto:a@b", LinkCase::CommonSchemesAnyCase), 6u);
    EXPECT_EQ(linkSchemeLength("FILE:///tmp", LinkCase::CommonSchemesAnyCase), 4u);
    EXPECT_EQ(linkSchemeLength("SFTP://h/x", LinkCase::CommonSchemesAnyCase), 0u);
    EXPECT_EQ(linkSchemeLength("magnet:?xt=1", LinkCase::CommonSchemesAnyCase), 0u);
}
