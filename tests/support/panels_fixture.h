// A test fixture with the program's panels loaded from the real user-interface file, their
// handles in the program-wide handle variables, and the program-wide state reset.
#pragma once

#include <gtest/gtest.h>

#include <QImage>

#include <string>

class QWidget;

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The whole text of the status box.
    std::string StatusBox() const;
    // The text of a text display or string control.
    std::string Text(int panel, int control) const;
    int Value(int panel, int control) const;
    bool Dimmed(int panel, int control) const;
    int ActivePage() const;
    // Connects the link over TCP to 127.0.0.1:port as the program does (InitTCP_IP) and marks
    // the sensor connected. TearDown ends the conversation.
    void OpenTcpLink(int port);
    // What the window holds of a shown widget as the repaints left it (its backing store), and
    // the widget drawn afresh; both in one format, so that they compare pixel for pixel.
    static QImage OnScreen(QWidget* widget);
    static QImage DrawnAfresh(QWidget* widget);
};

// Resets flags, link state and working copy to their start-of-program values.
void ResetProgramState();
