#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/DeviceLink.h"
#include "sim/SimServer.h"
#include "support/RecordingUi.h"
#include "support/WaitUntil.h"

namespace krv::test {

// A virtual unit on a pseudo-terminal and a link of our own pointed at it.
class SimFixture : public ::testing::Test {
  protected:
    // Starts the unit; call at the start of a test (or from SetUp of a derived fixture).
    void StartUnit(sim::ServerOptions options)
    {
        server = std::make_unique<sim::SimServer>(std::move(options));
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
        link.SetPortName(server->PortPath());
    }

    void StartUnit(const std::string& faults = "", bool instant = true, sim::UnitConfig unit = {})
    {
        sim::ServerOptions options;
        options.unit = std::move(unit);
        options.instant = instant;
        options.faults = faults;
        StartUnit(std::move(options));
    }

    // Lines the unit received that equal `line`.
    std::size_t ReceivedCount(const std::string& line) const
    {
        std::size_t n = 0;
        for (const auto& r : server->Received()) n += r.bytes == line ? 1 : 0;
        return n;
    }

    // Power-cycles the unit and waits until it has started again: its resend request is out
    // (ten seconds at most, a cap for a broken case). False when it never came.
    bool RestartUnit()
    {
        server->Restart();
        // Every reply begun before the restart has its record by now, except one already on its
        // way, which may still end after the restart.
        const std::size_t before = server->SentCount();
        return WaitUntil([&] {
            if (server->SentCount() <= before) return false;
            const auto sent = server->Sent();
            return !sent.empty() && sent.back().bytes == sim::kResendRequest;
        });
    }

    void TearDown() override
    {
        link.ClosePort();
        if (server) server->Stop();
    }

    RecordingUi ui;
    DeviceLink link{ui};
    std::unique_ptr<sim::SimServer> server;
};

}  // namespace krv::test
