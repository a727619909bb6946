#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/ThreadName.h"
#include "remote/UnitServer.h"
#include "sim/VirtualUnit.h"
#include "support/FileContents.h"
#include "support/Process.h"
#include "support/ScpiClient.h"
#include "support/SimFixture.h"
#include "support/TempFolder.h"
#include "support/WaitUntil.h"

namespace krv::test {
namespace {

using namespace std::chrono_literals;

// `krvctl serve` in this process, in front of a two-circuit virtual unit on its pseudo-terminal.
class UnitServerTest : public SimFixture {
  protected:
    void StartServing(std::chrono::milliseconds reconnectPause = 1000ms)
    {
        StartUnit();
        remote::ServeOptions options;
        options.port = server->PortPath();
        options.serialNumber = "KR2A0001";
        options.network.listen.port = 0;
        options.reconnectPause = reconnectPause;
        unit = std::make_unique<remote::UnitServer>(std::move(options),
                                                    [this](const std::string& line) {
                                                        std::lock_guard lock(logMutex);
                                                        log.push_back(line);
                                                    });
        std::string error;
        ASSERT_TRUE(unit->Listen(&error)) << error;
        serving = std::thread([this] { unit->Serve(stop); });
        SetThreadName(serving, "test-serve");
        ASSERT_TRUE(WaitUntil([&] { return unit->UnitConnected(); }));
    }

    void StopServing()
    {
        stop = true;
        if (serving.joinable()) serving.join();
    }

    void TearDown() override
    {
        StopServing();
        SimFixture::TearDown();
    }

    bool Logged(const std::string& part)
    {
        std::lock_guard lock(logMutex);
        for (const std::string& line : log) {
            if (line.find(part) != std::string::npos) return true;
        }
        return false;
    }

    sim::ChannelRegisters Registers(int ch)
    {
        return server->WithUnit([ch](sim::VirtualUnit& u) { return u.Channel(ch); });
    }

    std::unique_ptr<remote::UnitServer> unit;
    std::thread serving;
    std::atomic<bool> stop{false};
    std::mutex logMutex;
    std::vector<std::string> log;
};

TEST_F(UnitServerTest, EveryCommandAndQueryAndTheErrorsOfBadOnes)
{
    StartServing();
    ScpiClient client(unit->Port());
    ASSERT_TRUE(client.Connected());
    struct Row {
        const char* line;
        const char* reply;  // nullptr: none
    };
    const Row rows[] = {
        {"*IDN?", "Holvik,KRV-2CH,KR2A0001,020000"},
        {"*TST?;*OPC?;SYST:VERS?;*STB?", "0;1;1999.0;0"},
        {"*ESE 32;*ESE?", "32"},
        {"OUTP1?;:SOUR1:RANG?;VAL?", "0;0_5V;0.000"},
        {"source1:range e4_20ma;:SOUR1:RANG?", "E4_20mA"},
        {"SOUR1:VAL 12.5;VAL?", "12.500"},
        {"OUTP1 ON;:OUTP1?", "1"},
        {"STATUS1?", "1,12.500,E4_20mA,NONE,STOPPED"},
        // Refused: nothing changes, the error waits in the client's queue.
        {"SOUR1:VAL 30", nullptr},
        {"*STB?", "4"},  // an error to read; an execution error is not enabled in *ESE
        {"FOO", nullptr},
        {"*STB?", "36"},  // and now a command error, which is
        {"SOUR1:RANG 0_5V", nullptr},
        {"OUTP3 ON", nullptr},
        {"OUTP5 ON", nullptr},
        {"SOUR1:VAL abc", nullptr},
        {"*IDN", nullptr},
        {"SOUR1:VAL", nullptr},
        {"OUTP1 ON,OFF", nullptr},
        {"OUTP1 MAYBE", nullptr},
        {"SOUR1:RANG 0_1V", nullptr},
        {"SYST:ERR?", "-222,\"Data out of range;4.000 to 20.000\""},
        {"SYST:ERR?", "-113,\"Undefined header;FOO\""},
        {"SYST:ERR?", "-221,\"Settings conflict;the output is on\""},
        {"SYST:ERR?", "-241,\"Hardware missing;the unit has 2 circuits\""},
        {"SYST:ERR?", "-114,\"Header suffix out of range;OUTP5\""},
        {"SYST:ERR?", "-104,\"Data type error;a number\""},
        {"SYST:ERR?", "-113,\"Undefined header;*IDN\""},
        {"SYST:ERR?", "-109,\"Missing parameter;SOUR1:VAL\""},
        {"SYST:ERR?", "-108,\"Parameter not allowed;OUTP1\""},
        {"SYST:ERR?", "-224,\"Illegal parameter value;ON, OFF, 1 or 0\""},
        {"SYST:ERR?", "-224,\"Illegal parameter value;no range 0_1V\""},
        {"SYST:ERR?", "0,\"No error\""},
        {"*ESR?;*ESR?", "48;0"},
        {"SOUR1:VAL 1", nullptr},
        {"*CLS;SYST:ERR?", "0,\"No error\""},
        // Automatic output: settings of the range in effect, checked as the dialog checks them.
        {"SOUR2:FUNC TRI;FUNC:STAR 1;STOP 4;STEP 0.5;DWEL 0.05;COUN 2", nullptr},
        {"SOUR2:FUNC?;FUNC:STAR?;STOP?;STEP?;DWEL?;COUN?;STAT?",
         "TRI;1.000;4.000;0.500;0.05;2;STOPPED"},
        {"SOUR2:FUNC:STOP 9;:SOUR2:FUNC:STOP?", "4.000"},
        {"SOUR2:LIST:VAL 1,2,3;DWEL 0.1,0.2,0.3;VAL?;DWEL?", "1.000,2.000,3.000;0.10,0.20,0.30"},
        {"SOUR2:LIST:DWEL 1,2", nullptr},
        {"SOUR2:LIST:VAL 1,9", nullptr},
        {"SOUR2:FUNC SINE", nullptr},
        {"SYST:ERR?;SYST:ERR?;SYST:ERR?;SYST:ERR?",
         "-222,\"Data out of range;SOUR2:FUNC:STOP\";-221,\"Settings conflict;the list has 3 "
         "values\";-222,\"Data out of range;point 2\";-224,\"Illegal parameter "
         "value;SAWtooth, TRIangle or LIST\""},
        {"SOUR2:FUNC SAW;:INIT2;:SOUR2:FUNC:STAT?", "RUNNING"},
        {"SOUR2:VAL 1", nullptr},
        {"ABOR2;:SOUR2:FUNC:STAT?;:SYST:ERR?",
         "STOPPED;-221,\"Settings conflict;automatic output running\""},
        {"*RST;:OUTP1?;:SOUR1:RANG?;VAL?", "0;0_5V;0.000"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(client.Send(row.line)) << row.line;
        if (row.reply != nullptr) {
            EXPECT_EQ(client.ReadLine(), row.reply) << row.line;
        }
    }
    // Nothing answered that should not have been.
    EXPECT_EQ(client.ReadLine(100ms), "(none)");
    // The unit itself followed: after *RST channel 1 is off in its first range again.
    ASSERT_TRUE(WaitUntil([&] { return Registers(0).range == 0; }));
    EXPECT_EQ(Registers(0).mainControl & 0x1000, 0);
}

TEST_F(UnitServerTest, InterleavedClientsReachTheUnitInTheirOwnOrder)
{
    StartServing();
    ScpiClient a(unit->Port());
    ScpiClient b(unit->Port());
    // The connection sends each circuit one frame; the unit may still be reading them.
    ASSERT_TRUE(WaitUntil([&] {
        return server->WithUnit([](sim::VirtualUnit& u) {
            return !u.OutputHistory(0).empty() && !u.OutputHistory(1).empty();
        });
    }));
    server->WithUnit([](sim::VirtualUnit& u) { u.ClearOutputHistory(); });
    // Each client floods its channel with a rising value, all lines at once.
    std::string linesA;
    std::string linesB;
    constexpr int kSteps = 40;
    for (int k = 1; k <= kSteps; ++k) {
        linesA += "SOUR1:VAL " + std::to_string(k * 0.1) + "\n";
        linesB += "SOUR2:VAL " + std::to_string(k * 0.1) + "\n";
    }
    ASSERT_TRUE(a.SendRaw(linesA + "*OPC?\n"));
    ASSERT_TRUE(b.SendRaw(linesB + "*OPC?\n"));
    EXPECT_EQ(a.ReadLine(), "1");
    EXPECT_EQ(b.ReadLine(), "1");
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<sim::OutputRecord> history;
        ASSERT_TRUE(WaitUntil([&] {
            history = server->WithUnit([ch](sim::VirtualUnit& u) { return u.OutputHistory(ch); });
            return history.size() >= kSteps;
        })) << ch;
        ASSERT_EQ(history.size(), static_cast<std::size_t>(kSteps)) << ch;
        for (std::size_t i = 1; i < history.size(); ++i) {
            EXPECT_LT(history[i - 1].outputCode, history[i].outputCode) << ch << " " << i;
        }
    }
    EXPECT_EQ(a.Query("SOUR1:VAL?;:SYST:ERR?"), "4.000;0,\"No error\"");
}

TEST_F(UnitServerTest, AClientThatLeavesMidLineCostsOthersNothing)
{
    StartServing();
    {
        ScpiClient leaving(unit->Port());
        ASSERT_TRUE(leaving.Send("SOUR1:VAL 1;VAL 2;VAL 3;*IDN?;:SOUR1:VAL 4"));
        leaving.Close();
    }
    ScpiClient staying(unit->Port());
    EXPECT_EQ(staying.Query("*IDN?"), "Holvik,KRV-2CH,KR2A0001,020000");
    // The line it left was carried out to its end.
    ASSERT_TRUE(WaitUntil([&] { return staying.Query("SOUR1:VAL?") == "4.000"; }));
}

TEST_F(UnitServerTest, ALostUnitGivesErrorsNotHangsAndIsTakenBackWithItsOutputsOff)
{
    StartServing(100ms);
    ScpiClient client(unit->Port());
    EXPECT_EQ(client.Query("OUTP1 ON;:OUTP1?"), "1");
    server->SetFaults("silent");
    ASSERT_TRUE(WaitUntil([&] { return !unit->UnitConnected(); }, 15s));
    EXPECT_TRUE(Logged("the unit is lost"));
    // Queries answer from what is known; what must reach the unit fails at once.
    EXPECT_EQ(client.Query("STAT1?"), "0,0.000,0_5V,LOST,STOPPED");
    EXPECT_EQ(client.Query("OUTP1 ON;:SYST:ERR?"), "-240,\"Hardware error;unit not connected\"");
    server->SetFaults("");
    ASSERT_TRUE(WaitUntil([&] { return unit->UnitConnected(); }, 15s));
    EXPECT_EQ(client.Query("OUTP1?;:STAT1?"), "0;0,0.000,0_5V,NONE,STOPPED");
}

TEST_F(UnitServerTest, StoppingSwitchesTheOutputsOff)
{
    StartServing();
    ScpiClient client(unit->Port());
    EXPECT_EQ(client.Query("OUTP1 ON;OUTP2 ON;:*OPC?"), "1");
    ASSERT_TRUE(WaitUntil([&] { return (Registers(1).mainControl & 0x1000) != 0; }));
    StopServing();
    EXPECT_TRUE(Logged("outputs switched off"));
    ASSERT_TRUE(WaitUntil([&] {
        return (Registers(0).mainControl & 0x1000) == 0 && (Registers(1).mainControl & 0x1000) == 0;
    }));
    EXPECT_EQ(client.ReadLine(1s), "(closed)");
}

TEST_F(UnitServerTest, KrvctlWatchesAndLogsThroughTheServerWhileAnotherClientDrives)
{
    StartServing();
    TempFolder folder;
    const std::string csv = folder.Path("log.csv");
    const std::string where = "127.0.0.1:" + std::to_string(unit->Port());
    const RunResult once = RunCommand({KRVCTL_PATH, "--connect", where, "status"});
    EXPECT_EQ(once.status, 0) << once.err;
    EXPECT_EQ(
        once.out,
        "firmware 020000\ncircuits 2\n"
        "channel 1 range 0_5V code 0 value 0.000 off alarm - calibration 1 standalone 0 run 0\n"
        "channel 2 range 0_5V code 0 value 0.000 off alarm - calibration 1 standalone 0 run 0\n");

    Process watch({KRVCTL_PATH, "--connect", where, "status", "--watch", "--json", "--csv", csv});
    EXPECT_EQ(watch.ReadLine(5s).rfind("{\"firmware\":\"020000\",\"circuits\":2,", 0), 0u);
    ScpiClient driver(unit->Port());
    EXPECT_EQ(driver.Query("SOUR1:VAL 2.5;:OUTP1 ON;*OPC?"), "1");
    EXPECT_EQ(watch.ReadLine(5s),
              "{\"channel\":1,\"range\":\"0_5V\",\"code\":32768,\"value\":2.5,\"on\":true,"
              "\"alarm\":\"\",\"calibration\":1,\"standalone\":0,\"run\":0}");
    watch.Signal(SIGINT);
    EXPECT_EQ(watch.Wait(), 0) << watch.Err();
    EXPECT_NE(ReadAll(csv).find(",1,0_5V,2.500,,,on,,off,stopped,status"), std::string::npos)
        << ReadAll(csv);
    // Only status goes through a server.
    EXPECT_EQ(RunCommand({KRVCTL_PATH, "--connect", where, "info"}).status, 2);
}

TEST_F(UnitServerTest, AlarmsReadAsWordsOfTheStageTheRangeUses)
{
    StartServing();
    ScpiClient client(unit->Port());
    struct Case {
        const char* range;
        sim::StatusWord word;
        std::uint16_t bits;
        const char* alarm;
    };
    const Case cases[] = {
        {"0_5V", sim::StatusWord::Main, 0x0001, "OVERTEMP"},
        {"0_5V", sim::StatusWord::Main, 0x0006, "SLEWING"},  // the lowest bit wins
        {"4_20mA", sim::StatusWord::Main, 0x0010, "CRC1"},
        {"E4_20mA", sim::StatusWord::External, 0x0002, "FAULT"},
        {"E4_20mA", sim::StatusWord::Main, 0x0001, "NONE"},  // not the stage that range uses
        {"E0_24mA", sim::StatusWord::External, 0x0008, "CRC2"},
    };
    for (const Case& c : cases) {
        server->WithUnit([&](sim::VirtualUnit& u) {
            u.ClearStatusBits(1, sim::StatusWord::Main, 0xFFFF);
            u.ClearStatusBits(1, sim::StatusWord::External, 0xFFFF);
            u.SetStatusBits(1, c.word, c.bits);
        });
        EXPECT_EQ(client.Query(std::string("SOUR2:RANG ") + c.range + ";:*OPC?"), "1");
        // The alarm is what the next polls of channel 2 bring.
        EXPECT_TRUE(WaitUntil(
            [&] {
                return client.Query("STAT2?").find(std::string(",") + c.alarm + ",") !=
                       std::string::npos;
            },
            5s))
            << c.range << " " << c.alarm << ": " << client.Query("STAT2?");
    }
}

}  // namespace
}  // namespace krv::test
