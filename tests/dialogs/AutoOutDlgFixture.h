#pragma once
// The automatic-output dialog of channel 2 in the 4 to 20 mA range, with a stored sawtooth and a
// three-point list, and the steps a user takes in it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "dialogs/CAutoOutDlg.h"
#include "support/QtText.h"
#include "support/RecordingUi.h"

namespace krv {
namespace {

using test::ExecWith;

using test::S;

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

constexpr OutputRange kRange = kRange4_20mA;

// A double click as the window system delivers it: press, release, double click, release.
void DoubleClick(QWidget* widget, QPoint pos)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, pos);
}
constexpr int kChannel = 1;

// Channel 2 in the 4 to 20 mA range with a stored sawtooth and a three-point list.
class CAutoOutDlgTest : public ::testing::Test {
  protected:
    CAutoOutDlgTest()
    {
        state.circuitCount = 2;
        state.channels[kChannel].range = kRange;
        RampSettings& ramp = Ramp(kRange);
        ramp = {kSawtooth, 2, 4.0f, 20.0f, 1.0f, 150, false};
        auto& points = state.autoOutput[kChannel].points;
        points[0] = {true, 5.0f, 100, false};
        points[1] = {true, 6.5f, 57, true};
        points[2] = {true, 20.0f, 1000, false};
        dialog.channel = kChannel;
        dialog.rangeInEffect = kRange;
    }

    RampSettings& Ramp(OutputRange slot) { return state.autoOutput[kChannel].ramps[slot]; }

    void Show()
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);
    }

    void SelectWaveform(int waveform) { dialog.WaveformBox().setCurrentIndex(waveform); }

    // Types into a field as the user does and leaves it for the next control.
    void Type(AutoField field, const char* text)
    {
        QLineEdit& edit = dialog.Field(field);
        edit.setFocus();
        edit.selectAll();
        QTest::keyClicks(&edit, Q(text));
        dialog.WaveformBox().setFocus();
    }

    void SetPoint(int row, const char* value, const char* interval, const char* pause = "")
    {
        dialog.PointList().SetCellText(row, 2, Q(value));
        dialog.PointList().SetCellText(row, 3, Q(interval));
        dialog.PointList().SetCellText(row, 4, Q(pause));
    }

    test::RecordingUi ui;
    AppValues app;
    GeneratorState state{app};
    CAutoOutDlg dialog{state, ui};
};

}  // namespace
}  // namespace krv
