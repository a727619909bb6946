#pragma once

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "document/GeneratorState.h"
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
        if (testClock) options.clock = [this] { return testNow; };
        if (server) options.simulatedPort = server->PortPath();
        window = std::make_unique<QMainWindow>();
        view = new CBremixView(state, ui, options, window.get());
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

    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i) view->OnTick();
    }

    // Ticks until `done` holds or `limit` ticks have passed, letting the unit answer in between.
    template <typename Done>
    bool TickUntil(Done done, int limit = 100)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            view->OnTick();
            QTest::qWait(5);
        }
        return done();
    }

    AppValues app;
    GeneratorState state{link, app};
    // With testClock set before MakePanel, the panel's clock reads testNow: time moves only when
    // the test moves it.
    bool testClock = false;
    TimePoint testNow = Now();
    std::unique_ptr<QMainWindow> window;
    CBremixView* view = nullptr;
};

}  // namespace krv::test
