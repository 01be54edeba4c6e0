#include <gtest/gtest.h>

#include "platform/device_name.h"

namespace {

TEST(DeviceNameTest, SshNamesAndTheirParts) {
    const struct {
        const char* name;
        const char* user;
        const char* host;
        unsigned port;
        const char* device;
    } good[] = {
        {"ssh:far", "", "far", 0, ""},
        {"ssh:me@far.example:2222/usb:1234:ABCD:S1", "me", "far.example", 2222, "usb:1234:ABCD:S1"},
        {"ssh:[::1]:22/unix:/tmp/m.sock", "", "::1", 22, "unix:/tmp/m.sock"},
        {"ssh:far//dev/usb/lp0", "", "far", 0, "/dev/usb/lp0"},
    };
    for (const auto& g : good) {
        SCOPED_TRACE(g.name);
        const auto parts = platform::ParseSshDeviceName(g.name);
        ASSERT_TRUE(parts.has_value());
        EXPECT_EQ(parts->user, g.user);
        EXPECT_EQ(parts->host, g.host);
        EXPECT_EQ(parts->port, g.port);
        EXPECT_EQ(parts->device, g.device);
    }
    // Nothing ssh would take as an option, nothing a shell would split or run,
    // no chain to a third computer.
    for (const char* bad :
         {"ssh:", "ssh:-oProxyCommand=x", "ssh:@far", "ssh:far:", "ssh:far:0", "ssh:far:65536",
          "ssh:far:22x", "ssh:[::1", "ssh:far/", "ssh:far/ssh:other", "ssh:far/unix:/a b",
          "ssh:far/unix:$(id)", "ssh:far/printer", "ssh:fa r", "ssh:me@-far"}) {
        EXPECT_FALSE(platform::ParseSshDeviceName(bad).has_value()) << bad;
    }
    EXPECT_TRUE(platform::ParseSshHost("me@far:2222").has_value());
    EXPECT_FALSE(platform::ParseSshHost("far/usb:1234:5678").has_value());
}

} // namespace
