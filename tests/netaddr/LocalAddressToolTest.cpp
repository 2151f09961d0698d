#include <gtest/gtest.h>

#include <regex>

#include "netaddr/LocalAddressTool.h"
#include "platform/Fakes.h"
#include "platform/RealServices.h"

using namespace sorvel;

TEST(LocalAddressTool, CopiesTheShownTextEachTime) {
    FakeLocalAddress local;
    FakeClipboard clip;
    clip.text = "old";
    EXPECT_TRUE(CopyLocalAddress(local, clip));
    EXPECT_EQ(clip.text, "192.168.1.23");
    clip.text = "changed elsewhere";
    EXPECT_TRUE(CopyLocalAddress(local, clip));
    EXPECT_EQ(clip.text, "192.168.1.23");
    local.ip = "";
    EXPECT_FALSE(CopyLocalAddress(local, clip));
    EXPECT_EQ(clip.text, "192.168.1.23");
}

TEST(LocalAddressTool, RealAddressIsADottedQuadAndNotLoopbackUnlessAlone) {
    NetworkLocalAddress real;
    const std::string ip = real.localIp();
    EXPECT_TRUE(std::regex_match(ip, std::regex(R"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})"))) << ip;
    EXPECT_EQ(real.localIp(), ip);   // stable between calls
}
