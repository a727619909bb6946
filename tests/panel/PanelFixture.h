#pragma once

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <optional>

#include "flows/LinkFrameSink.h"
#include "model/GeneratorState.h"
#include "panel/CBremixView.h"
#include "support/SimFixture.h"

namespace krv::test {

// The panel in a window of its own, a virtual unit beside it, ticks driven by the test.
class PanelFixture : public SimFixture {
  protected:
    void MakePanel(int circuits)
    {
        app.mainWindowWidth = circuits == 1 ? 300 : 482;
        state.circuitCount = circuits;
        PanelOptions options;
        options.startTimer = false;
        options.clock = [this] { return PanelNow(); };
        if (server) options.simulatedPort = server->PortPath();
        window = std::make_unique<QMainWindow>();
        view = new CBremixView(link, state, ui, options, window.get());
        window->setCentralWidget(view);
        view->OnInitialUpdate();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        window.reset();
        SimFixture::TearDown();
    }

    template <typename W = QWidget>
    W* Widget(int id)
    {
        return qobject_cast<W*>(view->Control(id));
    }

    void ClickConnect()
    {
        QTest::mouseClick(Widget<QPushButton>(kConnectButtonId), Qt::LeftButton);
    }

    // The panel's clock: the monotonic clock, or the moment FreezeClock() fixed, plus the time the
    // test let pass with Ticks().
    TimePoint PanelNow() const { return (frozenAt ? *frozenAt : Now()) + clockOffset; }
    void FreezeClock() { frozenAt = Now(); }
    void Advance(Duration d) { clockOffset += d; }

    // `n` ticks on time, 50 ms apart on the panel's clock.
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            Advance(std::chrono::milliseconds(50));
            view->OnTick();
        }
    }

    // Ticks until `done` holds or `limit` ticks have passed, letting the unit answer in between.
    template <typename Done>
    bool TickUntil(Done done, int limit = 100)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Advance(std::chrono::milliseconds(50));
            view->OnTick();
            QTest::qWait(5);
        }
        return done();
    }

    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    std::unique_ptr<QMainWindow> window;
    CBremixView* view = nullptr;
    std::optional<TimePoint> frozenAt;
    Duration clockOffset{};
};

}  // namespace krv::test
