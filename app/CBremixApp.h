#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "app/CommandLine.h"

namespace krv {

class CBremixDoc;
class CBremixView;
class CMainFrame;
class OutputRecording;
class QtUserInterface;
namespace sim {
class Simulation;
}

// The program's name, maker and version, under which Qt keeps its settings; and numbers in the C
// locale.
void SetApplicationIdentity();

// Lets the Windows font names the panel and its dialogs ask for ("ＭＳ ゴシック", "MS UI Gothic",
// "MS Shell Dlg") resolve to an installed Japanese font, so no text renders as empty boxes.
// Returns the fonts used for the fixed-pitch face, best first (empty when none is installed).
QStringList InstallFontFallbacks();

// Hands the panel's menu commands (linked operation, standalone setup, calibration, unit
// information) from the frame's menu to the panel, and keeps the calibration item greyed while the
// panel is not connected.
void ConnectPanelCommands(CMainFrame& frame, CBremixView& view);

// The application: starts the document, the main window and the panel in order and takes them
// down again in the reverse order.
class CBremixApp {
  public:
    enum class StartResult {
        Running,    // the main window is shown
        Cancelled,  // the user declined to start a settings set: end quietly
        Failed,     // something needed could not be set up: end with an error
    };

    explicit CBremixApp(CommandLine options);
    // The window and the panel go first (the panel switches the outputs it drives off and
    // closes the port, which the output log still records), then the recording, then the
    // document (which writes the last state), then the virtual unit.
    ~CBremixApp();
    CBremixApp(const CBremixApp&) = delete;
    CBremixApp& operator=(const CBremixApp&) = delete;

    StartResult InitInstance(std::string* error = nullptr);

    CMainFrame* MainFrame() const { return frame_.get(); }
    CBremixDoc* Document() const { return doc_.get(); }
    OutputRecording* Recording() const { return recording_.get(); }

  private:
    bool StartSimulator(std::string* error);
    bool OpenStartFile();

    CommandLine options_;
    std::unique_ptr<sim::Simulation> simulator_;
    std::unique_ptr<QtUserInterface> ui_;
    std::unique_ptr<CBremixDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<OutputRecording> recording_;
};

}  // namespace krv
