#include <gtest/gtest.h>

#include "StationNames.h"

namespace {

TEST(StationNamesTest, OnlyTheStationsOwnAddressesAndNamesAreAllowed) {
    StationNames names(
        [] {
            return QList<QHostAddress>{QHostAddress("192.168.1.20"), QHostAddress("fe80::1%1"),
                                       QHostAddress("2001:db8::5")};
        },
        {"Timing.LAN.", "kart-pc"});
    for (const char* allowed :
         {"192.168.1.20", "192.168.1.20:8080", "127.0.0.1:8080", "127.0.0.2", "[::1]:8080",
          "[2001:db8::5]", "[fe80::1]", "localhost", "LOCALHOST:80", "tv.localhost", "timing.lan",
          "timing.lan.:8080", "kart-pc"}) {
        EXPECT_TRUE(names.AllowsAuthority(allowed)) << allowed;
    }
    // Another site's name made to point here, other machines, tricks with the syntax.
    for (const char* refused :
         {"evil.example", "timing.lan.evil.example", "localhost.evil.example", "192.168.1.21",
          "10.0.0.1:8080", "[2001:db8::6]", "192.168.1.20:80x", "", ":8080", "[::1",
          "[192.168.1.20]", "2130706433", "0x7f.1", "::1"}) {
        EXPECT_FALSE(names.AllowsAuthority(refused)) << refused;
    }
    EXPECT_TRUE(names.AllowsOrigin("http://192.168.1.20:8080"));
    EXPECT_TRUE(names.AllowsOrigin("https://localhost"));
    for (const char* refused : {"null", "http://evil.example", "http://192.168.1.20:8080/x",
                                "file://", "chrome-extension://abc", ""}) {
        EXPECT_FALSE(names.AllowsOrigin(refused)) << refused;
    }
}

TEST(StationNamesTest, AnAddressGivenWhileRunningIsLearnt) {
    QList<QHostAddress> current = {QHostAddress("192.168.1.20")};
    int asked = 0;
    StationNames names(
        [&] {
            ++asked;
            return current;
        },
        {}, 0);
    current = {QHostAddress("10.1.1.7")};
    EXPECT_TRUE(names.AllowsAuthority("10.1.1.7"));
    EXPECT_FALSE(names.AllowsAuthority("192.168.1.20"));
    // A name is never an address: nothing to ask.
    const int before = asked;
    EXPECT_FALSE(names.AllowsAuthority("other"));
    EXPECT_EQ(asked, before);
}

}  // namespace
