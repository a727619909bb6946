#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "firmware/FirmwareContext.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePacker.h"
#include "link/DeviceLink.h"
#include "sim/SimD2xx.h"
#include "sim/Simulation.h"

namespace krv::test {

// Records messages and answers questions by their text (OK unless told otherwise).
class ScriptedUi : public UserInterface {
  public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override
    {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
        captions_.push_back(caption);
        icons_.push_back(icon);
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        // A question is answered by its whole text or by its first line.
        auto it = answers.find(text);
        if (it == answers.end()) it = answers.find(text.substr(0, text.find('\n')));
        return it == answers.end() ? MessageAnswer::Ok : it->second;
    }
    void SetWaitCursor(bool) override {}
    bool ProcessPendingEvents() override
    {
        if (onPendingEvents) onPendingEvents();
        return true;
    }
    std::vector<std::string> Texts() const
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    std::vector<std::string> Captions() const
    {
        std::lock_guard lock(mutex_);
        return captions_;
    }
    std::vector<MessageIcon> Icons() const
    {
        std::lock_guard lock(mutex_);
        return icons_;
    }
    void Reset()
    {
        std::lock_guard lock(mutex_);
        texts_.clear();
        captions_.clear();
        icons_.clear();
        answers.clear();
        onPendingEvents = nullptr;
    }
    std::size_t Count(const std::string& text) const
    {
        std::size_t n = 0;
        for (const std::string& t : Texts()) n += t == text ? 1 : 0;
        return n;
    }

    std::map<std::string, MessageAnswer> answers;
    std::function<void()> onPendingEvents;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<std::string> captions_;
    std::vector<MessageIcon> icons_;
};

// The firmware a test programs: 256-byte blocks of a pattern at the start of the flash window,
// block 1 holding the line the firmware answers VER with.
struct TestFirmware {
    std::string version = "020100";
    int blocks = 24;
    bool versionLine = true;
    std::uint8_t seed = 1;
};

// A virtual unit behind its simulated bridge (and on its pty), a link that reaches it, and a
// folder for files.
class FirmwareFixture : public ::testing::Test {
  protected:
    void Start(sim::SimulationOptions options = {}, bool instant = true)
    {
        options.server.instant = instant;
        simulation = std::make_unique<sim::Simulation>(std::move(options));
        std::string error;
        ASSERT_TRUE(simulation->Start(&error)) << error;
        link = std::make_unique<DeviceLink>(ui, sim::SimulatedD2xxLibrary());
        link->SetPortName(simulation->Server().PortPath());
        char pattern[] = "/tmp/krv-firmware-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        link.reset();
        simulation.reset();
        if (!folder.empty()) std::filesystem::remove_all(folder);
        folder.clear();
    }
    // Between the cases of a table: everything as before Start().
    void Restart()
    {
        TearDown();
        ui.Reset();
        events.clear();
        cancel = false;
    }

    // The S-records of a test firmware, and the program image they make.
    static std::vector<SRecord> Records(const TestFirmware& firmware,
                                        FirmwareImage* image = nullptr)
    {
        std::vector<SRecord> records;
        for (int b = 0; b < firmware.blocks; ++b) {
            SRecord record;
            record.address = FirmwareImage::kProgramStart + static_cast<std::uint32_t>(b) * 256;
            for (int i = 0; i < 256; ++i) {
                record.data.push_back(static_cast<std::uint8_t>(firmware.seed + b * 7 + i * 3));
            }
            if (b == 1 && firmware.versionLine) {
                const std::string line = "VER" + firmware.version + "\r\n";
                std::copy(line.begin(), line.end(), record.data.begin() + 16);
            }
            records.push_back(std::move(record));
        }
        records.push_back({'7', FirmwareImage::kProgramStart, {}});
        if (image != nullptr) {
            image->Fill(0xFF);
            for (const SRecord& r : records) {
                for (std::size_t d = 0; d < r.data.size(); ++d) {
                    (*image)[*FirmwareImage::IndexOf(r.address + static_cast<std::uint32_t>(d))] =
                        r.data[d];
                }
            }
        }
        return records;
    }

    std::filesystem::path WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path WriteFirmware(const TestFirmware& firmware,
                                        const std::string& name = "test.cya")
    {
        const auto version = ParseFirmwareVersion(firmware.version);
        EXPECT_TRUE(version.has_value());
        return WriteFile(name, PackFirmware(Records(firmware, &expected), *version));
    }

    std::vector<std::uint8_t> Flash()
    {
        return simulation->Server().WithUnit([](sim::VirtualUnit& u) { return u.Flash().Bytes(); });
    }
    bool InBootMode() { return simulation->Target().InBootMode(); }

    FirmwareContext Context()
    {
        return FirmwareContext(
            *link, ui,
            [this](const std::string& status, int progress) {
                events.push_back({status, progress});
            },
            &cancel);
    }
    // The statuses in the order they were first shown after each other.
    std::vector<std::string> Statuses() const
    {
        std::vector<std::string> texts;
        for (const auto& e : events) {
            if (texts.empty() || texts.back() != e.first) texts.push_back(e.first);
        }
        return texts;
    }
    int LastProgress() const { return events.empty() ? -1 : events.back().second; }

    ScriptedUi ui;
    std::unique_ptr<sim::Simulation> simulation;
    std::unique_ptr<DeviceLink> link;
    std::filesystem::path folder;
    FirmwareImage expected;
    std::atomic<bool> cancel{false};
    std::vector<std::pair<std::string, int>> events;
};

}  // namespace krv::test
