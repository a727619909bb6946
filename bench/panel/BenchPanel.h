#pragma once

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "flows/LinkFrameSink.h"
#include "link/DeviceLink.h"
#include "model/AppValues.h"
#include "model/GeneratorState.h"
#include "panel/CBremixView.h"
#include "sim/SimServer.h"

namespace krv::bench {

// The panel in a window on the offscreen platform, connected to a virtual unit of its own.
struct ConnectedPanel {
    ConnectedPanel(sim::ServerOptions unitOptions, bool startTimer) : server(std::move(unitOptions))
    {
        std::string error;
        if (!server.Start(&error)) {
            std::fprintf(stderr, "cannot start the virtual unit: %s\n", error.c_str());
            std::exit(1);
        }
        app.mainWindowWidth =
            server.WithUnit([](sim::VirtualUnit& u) { return u.Config().circuits; }) == 1 ? 300
                                                                                          : 482;
        state.circuitCount =
            server.WithUnit([](sim::VirtualUnit& u) { return u.Config().circuits; });
        state.ResetForCircuitCount(state.circuitCount);
        PanelOptions options;
        options.startTimer = startTimer;
        options.simulatedPort = server.PortPath();
        view = new CBremixView(link, state, ui, options, &window);
        window.setCentralWidget(view);
        view->OnInitialUpdate();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "window not exposed\n");
        QTest::mouseClick(qobject_cast<QPushButton*>(view->Control(kConnectButtonId)),
                          Qt::LeftButton);
        if (!link.IsOpen()) {
            std::fprintf(stderr, "the panel did not connect\n");
            std::exit(1);
        }
    }
    ~ConnectedPanel() { window.hide(); }

    SilentUserInterface ui;
    DeviceLink link{ui};
    AppValues app;
    LinkFrameSink frames{link};
    GeneratorState state{app, &frames};
    sim::SimServer server;
    QMainWindow window;
    CBremixView* view = nullptr;
};

inline void UseOffscreenPlatform()
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
}

}  // namespace krv::bench
