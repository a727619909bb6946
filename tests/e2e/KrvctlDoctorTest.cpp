// krvctl doctor on this machine as it is: without a unit's bridge plugged in, the USB check
// fails and so does the command, in text and in JSON.
#include <gtest/gtest.h>

#include <regex>

#include "support/Process.h"
#include "support/SimProcess.h"

namespace krv {
namespace {

using test::kKrvctl;
using test::RunCommand;

TEST(KrvctlDoctorTest, WithoutABridgeTheUsbCheckFailsInTextAndJson)
{
    const auto json = RunCommand({kKrvctl, "--lang", "en", "doctor", "--json"});
    if (json.out.find("\"id\":\"usb\",\"title\":\"USB bridge\",\"verdict\":\"problem\"") ==
        std::string::npos) {
        GTEST_SKIP() << "a unit's bridge is plugged into this machine: " << json.out;
    }
    EXPECT_EQ(json.status, 1) << json.err;
    // The whole text is the objects of the checks, one after another, inside the frame.
    static const std::string kString = R"re("((?:[^"\\]|\\.)*)")re";
    const std::regex object("\\{\"id\":" + kString + ",\"title\":" + kString + ",\"verdict\":\"" +
                            "(ok|warning|problem|not checked)\",\"detail\":" + kString +
                            ",\"advice\":" + kString + "\\}");
    const std::string prefix = "{\"checks\":[";
    ASSERT_EQ(json.out.rfind(prefix, 0), 0u) << json.out;
    std::string rebuilt = prefix;
    std::vector<std::string> ids;
    int problems = 0;
    for (std::sregex_iterator it(json.out.begin(), json.out.end(), object), end; it != end; ++it) {
        rebuilt += (ids.empty() ? "" : ",") + it->str();
        ids.push_back((*it)[1]);
        if ((*it)[3] == "problem") ++problems;
    }
    rebuilt += "],\"problems\":" + std::to_string(problems) + "}\n";
    EXPECT_EQ(json.out, rebuilt);
    EXPECT_EQ(ids, (std::vector<std::string>{"usb", "driver", "serial-access", "usb-access",
                                             "udev-rule", "latency", "modemmanager", "holders",
                                             "eeprom", "firmware"}));

    const auto text = RunCommand({kKrvctl, "--lang", "en", "doctor"});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.out.rfind("[FAIL] USB bridge: ", 0), 0u) << text.out;
    EXPECT_NE(text.out.find("\n" + std::to_string(problems) +
                            (problems == 1 ? " problem, " : " problems, ")),
              std::string::npos)
        << text.out;

    EXPECT_EQ(RunCommand({kKrvctl, "doctor", "extra"}).status, 2);
}

}  // namespace
}  // namespace krv
